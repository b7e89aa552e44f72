#pragma once
// FontLoader: turns a font dictionary into an S_FixedPosSize_Font: kind, face (embedded program,
// installed font or the ZapfDingbats substitute), encoding, widths, CMaps and charmap.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/document/pdf_object.h"
#include "engine/fonts/fixed_pos_size_font.h"

class ObjectResolver;
class FontLibrary;
class C_PDF_FontEnum;

class FontLoader {
 public:
  // A Type0 font's descendant is loaded; a descendant's own descendants are not.
  static constexpr int kMaxDescendantDepth = 1;
  // Entries of W set at most this many widths in all; the walk stops there.
  static constexpr std::size_t kMaxCidWidthAssignments = std::size_t{1} << 24;
  // Elements of a Differences array read at most.
  static constexpr std::size_t kMaxDifferencesElements = 1 << 16;
  // The face every font falls back to.
  static constexpr const char* kFallbackFace = "Times New Roman";

  // parts: reads ToUnicode CMaps and programs again later; with it a font's ToUnicode CMap is read
  // when first needed and its face may be released (see S_FixedPosSize_Font::releaseRebuildable).
  FontLoader(ObjectResolver& resolver, FontLibrary& library, C_PDF_FontEnum& fontEnum,
             FontPartsSource* parts = nullptr);

  // value: a reference to a font dictionary, the dictionary itself, or an array whose first
  // element is one (the DescendantFonts form). Never null.
  std::unique_ptr<S_FixedPosSize_Font> load(const PdfObject& value, int depth = 0);
  // The CMap of a ToUnicode value; null when it cannot be read.
  std::unique_ptr<CMaps::ToUnicodeCMap> readToUnicode(const PdfObject& value) {
    return loadToUnicode(value, 0);
  }
  // The decoded program of a FontFile value, as font loading keeps it; null when there is none.
  std::shared_ptr<const std::vector<uint8_t>> readProgram(const PdfObject& value);

 private:
  void readDescriptor(S_FixedPosSize_Font& font, const PdfObject& value);
  void loadType0Parts(S_FixedPosSize_Font& font, int depth);
  void readCidWidths(S_FixedPosSize_Font& font, const PdfObject& descendant);
  void loadUcs2CMap(S_FixedPosSize_Font& font);
  void loadType3Parts(S_FixedPosSize_Font& font);
  void loadSystemFace(S_FixedPosSize_Font& font);
  void matchFaceName(S_FixedPosSize_Font& font);
  // matchFaceName as far as it goes without the installed faces; the rest is left pending.
  void matchFixedFaceName(S_FixedPosSize_Font& font);
  // The face name, finishing a pending match.
  const std::string& faceNameOf(S_FixedPosSize_Font& font);
  void readEncoding(S_FixedPosSize_Font& font);
  void readWidths(S_FixedPosSize_Font& font);
  void fixFaceName(S_FixedPosSize_Font& font);

  // Makes the font's face from bytes, falling back to the installed fallback face; true when the
  // face is made from these bytes.
  bool createFace(S_FixedPosSize_Font& font, std::shared_ptr<const std::vector<uint8_t>> bytes,
                  int faceIndex);
  // The installed face of that name; false when there is none.
  bool createSystemFace(S_FixedPosSize_Font& font, const std::string& faceName, bool fallback);
  // The whole file of an installed face (shared with other fonts) and the face's index in it.
  std::shared_ptr<const std::vector<uint8_t>> installedFont(const std::string& faceName,
                                                            const std::string& language,
                                                            int& faceIndex);
  // The language that steers the installed-font choice for a CID font's collection.
  std::string collectionLanguage(const S_FixedPosSize_Font& font) const;

  std::unique_ptr<CMaps::ToUnicodeCMap> loadToUnicode(const PdfObject& value, int depth);
  std::unique_ptr<CMaps::EncodingCMap> loadEncodingCMap(const PdfObject& value, int depth);
  bool decodeStreamValue(const PdfObject& value, std::vector<uint8_t>& out, PdfObject* stream);
  PdfObject resolvedValue(const PdfObject* value);
  void report(S_FixedPosSize_Font& font, int number, const std::string& argument);

  ObjectResolver& resolver_;
  FontLibrary& library_;
  C_PDF_FontEnum& fontEnum_;
  FontPartsSource* parts_;
};

// The text of a name in the system's narrow encoding as UTF-8 (UTF-8 stays; other bytes are read
// as Latin-1).
std::string fontNameToUtf8(const std::string& bytes);
