#pragma once
// Chooses the installed face that draws a PDF font without an embedded program, and hands out
// that face's file. Keeps the list of installed TrueType faces (built once, on first use).
// One instance serves every thread that draws: its calls take turns.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts/font_file_cache.h"
#include "platform/fonts/font_name_element.h"
#include "platform/fonts/font_source.h"

// The file of a chosen face, ready to hand to FreeType from memory.
struct S_SystemFontData {
  std::vector<uint8_t> bytes;
  int faceIndex = 0;        // face inside the file
  bool collection = false;  // the file is a TrueType/OpenType collection ("ttcf")
  std::string path;
};

// What the choice by style reads of a font: BaseFont and the descriptor flags. bold: the
// descriptor asks for a bold face (FontWeight, ForceBold); the name is read as well.
struct S_FontStyleFlags {
  std::string baseFont;
  bool fixedPitch = false;
  bool serif = false;
  bool symbolic = false;
  bool script = false;
  bool italic = false;
  bool bold = false;
};

class C_PDF_FontEnum {
 public:
  static constexpr size_t kMaxInstalledFaces = 10000;
  // Full names longer than this are cut before they name a family.
  static constexpr size_t kMaxReducedNameChars = 31;
  static constexpr size_t kMaxOutputNameChars = C_PDF_FontNameElement::kMaxFullNameChars;
  // The face name that stands for the ZapfDingbats substitute file.
  static constexpr std::string_view kZapfDingbatsFace = "QLN/ZapfDingbats";
  static constexpr std::string_view kZapfDingbatsFile = "ZAPFDING.TTF";

  // The program's instance over fontconfig, created on first use.
  static C_PDF_FontEnum& instance();

  // dataDirectories: where a ZAPFDING.TTF beside the program is looked for.
  explicit C_PDF_FontEnum(std::unique_ptr<brevia::platform::IFontSource> source,
                          std::vector<std::string> dataDirectories = {});
  ~C_PDF_FontEnum();
  C_PDF_FontEnum(const C_PDF_FontEnum&) = delete;
  C_PDF_FontEnum& operator=(const C_PDF_FontEnum&) = delete;

  // Matches a PDF font name to a face name (at most kMaxOutputNameChars characters) and, when
  // asked for and the face came from the installed list, its family name (else empty). The name
  // may be changed in place ("Extra" is blanked out). True when a face was chosen.
  bool matchName(std::string& pdfName, std::string& faceName, std::string* familyName = nullptr);

  // The face matchName gives a name without looking at the installed faces (the fixed table of
  // standard and symbol names), else nullopt. Never builds the installed-face list.
  std::optional<std::string> fixedMatch(std::string pdfName) const;

  // The face for a font that matchName could not place; always gives one. Bold and italic come
  // from the flags and from the name's style words (",Bold", "-BoldItalicMT", "-It", "Oblique");
  // a well-known family in the name (Times, Courier, Arial...) outweighs contrary flags.
  std::string chooseByStyle(const S_FontStyleFlags& style);

  // The style words of a PDF font name (after any subset prefix).
  static bool nameAsksBold(std::string_view pdfName);
  static bool nameAsksItalic(std::string_view pdfName);

  // Every installed face with exactly this full name never matches again (a collection face).
  void strikeOut(std::string_view fullName);

  // True when a family with the full name "Arial Unicode MS" is installed.
  bool arialUnicodeInstalled();

  // When set, an unmatched name (and a rejected "Old" match) gives the PDF name itself as the face
  // name, with result true. Off by default.
  void setReturnUnmatchedName(bool on) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    returnUnmatchedName_ = on;
  }
  bool returnUnmatchedName() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return returnUnmatchedName_;
  }

  // The file and face that serve a face name: a name from the installed list is exactly that face;
  // other names (the Windows names of the fixed table and the style choice) go through the
  // system's matching by family, bold and italic, with `language` (or the language of a Windows
  // CJK name) steering it to the right script. "QLN/ZapfDingbats" is the ZapfDingbats substitute.
  std::optional<brevia::platform::FontLocation> locateFace(std::string_view faceName,
                                                           std::string_view language = {});

  // The whole font file of a face name (see locateFace); nullopt when there is none or it cannot be
  // read.
  std::optional<S_SystemFontData> systemFontData(std::string_view faceName,
                                                 std::string_view language = {});

  // The ZapfDingbats substitute: ZAPFDING.TTF beside the program, else the installed Dingbats face.
  std::optional<S_SystemFontData> zapfDingbatsSubstitute();

  // A copy of the installed-face list (built on first use): other threads may strike faces out
  // meanwhile.
  std::vector<C_PDF_FontNameElement> elements();

  // A full name as it names its family: cut at the first blank when longer than 31 characters
  // (else at 31), then without a trailing " Italic", then without a trailing " Bold".
  static std::string reduceFullName(std::string_view fullName);

 private:
  void ensureList();
  void buildList();
  std::optional<std::string> fixedFace(const std::string& pdfName) const;
  std::optional<std::string> noEligibleFace(const std::string& pdfName) const;
  bool unmatched(const std::string& pdfName, std::string& faceName);
  std::optional<brevia::platform::FontLocation> zapfDingbatsLocation();
  std::optional<S_SystemFontData> dataAt(const brevia::platform::FontLocation& location);

  // Held by every public call (they call each other); the matching scores the list in place
  // and the font source is not safe to share.
  mutable std::recursive_mutex mutex_;
  std::unique_ptr<brevia::platform::IFontSource> source_;
  std::vector<std::string> dataDirectories_;
  std::vector<C_PDF_FontNameElement> elements_;
  bool listBuilt_ = false;
  bool arialUnicode_ = false;
  bool returnUnmatchedName_ = false;
  brevia::platform::FontFileCache files_;
};
