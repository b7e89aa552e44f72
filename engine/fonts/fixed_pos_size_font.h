#pragma once
// S_FixedPosSize_Font: one loaded font as text showing uses it: its kind, FreeType face,
// encoding (base names and Differences), widths, CMaps and the glyph bitmaps drawn with it.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/document/pdf_object.h"
#include "engine/fonts/cmap_encoding.h"
#include "engine/fonts/font_descriptor_record.h"
#include "engine/fonts/font_face.h"
#include "engine/fonts/glyph_unicode_table.h"
#include "engine/fonts/to_unicode_cmap.h"
#include "engine/fonts/type3_font.h"
#include "engine/fonts/vertical_metrics.h"

enum class FontKind : int32_t {
  None = 0,
  Type0,
  Type1,  // also MMType1
  Type3,
  TrueType,  // also every unknown Subtype name
  CIDFontType0,
  CIDFontType2,
};

enum class BaseEncodingId : int32_t {
  None = 0,
  Standard,
  MacRoman,
  WinAnsi,
  MacExpert,
  ZapfDingbatsBuiltIn,
  Wingdings,
};

// One rendered glyph of the glyph cache: 8-bit coverage, width × rows, with the offsets of its
// top-left pixel from the glyph origin (left to the right, top upwards, in device pixels).
struct GlyphCacheSlot {
  bool used = false;
  uint32_t key = 0;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t rows = 0;
  std::vector<uint8_t> coverage;
};

// The size, transform and colour the face's character size and the glyph cache were made for.
struct FaceSizeRecord {
  double pixelSize = 0;
  uint32_t colour = 0xFF000000;
  int32_t resolution = 0;
  int32_t reserved = 0;
  // Device pixels per glyph pixel (a b c d, y downwards); the cache holds glyphs drawn with it.
  std::array<double, 4> transform{0, 0, 0, 0};
};

// Widths by CID (65,536 of them) in pages of 256: a page is made when a width in it is set, the
// others read the table's fill. Most fonts give widths for a few hundred CIDs.
class CidWidthTable {
 public:
  static constexpr uint32_t kCids = 65536;
  static constexpr uint32_t kPageCids = 256;

  // No fill yet: the font gives no CID widths.
  bool empty() const { return !filled_; }
  // Every CID reads value; pages set before are dropped.
  void fill(double value);
  // The width of the CID; noWidth when the table is empty or the CID beyond it.
  double at(uint32_t cid, double noWidth) const {
    if (!filled_ || cid >= kCids) return noWidth;
    const std::unique_ptr<double[]>& page = pages_[cid / kPageCids];
    return page ? page[cid % kPageCids] : fill_;
  }
  // Sets one CID's width (the table must be filled; CIDs beyond it are ignored).
  void set(uint32_t cid, double value);

 private:
  bool filled_ = false;
  double fill_ = 0;
  std::vector<std::unique_ptr<double[]>> pages_;
};

// Glyph names by one-byte code (Differences, and names learnt from the face). The table is made
// with the first name and holds only the names given: most fonts have none or a few dozen, and a
// document keeps all of its fonts.
class CodeNameTable {
 public:
  static constexpr int kCodes = 256;
  // The code's name; empty when it has none. Stays in place while other codes are named.
  const std::string& operator[](uint8_t code) const;
  void set(uint8_t code, std::string name);

 private:
  struct Names {
    // 1 + the index in names of each code's name; 0 for none.
    std::array<uint16_t, kCodes> slot{};
    // A deque never moves its elements as it grows.
    std::deque<std::string> names;
  };
  std::unique_ptr<Names> names_;
};

// Reads again, for a font of the document, what the font cache releases to save memory.
class FontPartsSource {
 public:
  virtual ~FontPartsSource() = default;
  // The CMap of a font's ToUnicode value; null when it cannot be read.
  virtual std::unique_ptr<CMaps::ToUnicodeCMap> readToUnicode(const PdfObject& value) = 0;
  // The decoded program of a FontFile entry's value; null when it cannot be read.
  virtual std::shared_ptr<const std::vector<uint8_t>> readProgram(const PdfObject& value) = 0;
};

struct S_FixedPosSize_Font {
  static constexpr int kSimpleCodes = 256;
  static constexpr int kCidCount = 65536;
  static constexpr int kGlyphCacheSlots = 512;
  // Face and style names are kept to this many characters.
  static constexpr std::size_t kMaxFaceNameChars = 63;
  // A simple-font width that is not given.
  static constexpr double kNoWidth = -1.0;

  S_FixedPosSize_Font();
  ~S_FixedPosSize_Font();
  S_FixedPosSize_Font(const S_FixedPosSize_Font&) = delete;
  S_FixedPosSize_Font& operator=(const S_FixedPosSize_Font&) = delete;

  // Cache key: the font dictionary's object number and generation (-1 until known).
  int32_t objectNumber = -1;
  int32_t generation = -1;
  FontKind kind = FontKind::None;
  // The FreeType face (shared by a Type0 font and its descendant); null when the font has none.
  std::shared_ptr<FontFace> face;
  // The ToUnicode CMap once read (see toUnicodeMap).
  mutable std::unique_ptr<CMaps::ToUnicodeCMap> toUnicode;
  // With a parts source the ToUnicode entry is read when text first needs it, and may be
  // released and read again; toUnicodeEntry is the entry's value.
  FontPartsSource* partsSource = nullptr;
  PdfObject toUnicodeEntry;
  mutable bool toUnicodePending = false;
  // The font cache's page count when the font was last shown (for releasing the least recent).
  uint64_t lastUse = 0;
  bool hasBaseFont = false;
  std::string baseFont;
  // Set when this record created its face.
  bool faceOwned = false;
  // The font's embedded program could not be drawn from: an installed face stands in for it.
  bool brokenProgram = false;
  // FontDescriptor Flags.
  bool fixedPitch = false;
  bool serif = false;
  bool symbolic = false;
  bool script = false;
  bool nonsymbolic = false;
  bool italic = false;
  FaceSizeRecord faceSize;
  std::vector<GlyphCacheSlot> glyphCache;
  // Slot of each cached key; the slots fill in order.
  std::unordered_map<uint32_t, int32_t> glyphCacheIndex;
  // The Encoding entry, resolved (kind None when absent).
  PdfObject encoding;
  bool hasEncodingEntry = false;
  std::unique_ptr<CMaps::EncodingCMap> encodingCMap;
  std::vector<uint8_t> cidToGidMap;
  bool hasCidToGidMap = false;
  std::unique_ptr<CMaps::ToUnicodeCMap> ucs2CMap;
  std::unique_ptr<S_FixedPosSize_Font> descendant;
  // A CID font's CIDSystemInfo Registry and Ordering (decrypted; empty when absent).
  std::string registry;
  std::string ordering;
  // Names from the base encoding's table (static strings) and from Differences, or learnt from
  // the face; empty Differences names are none.
  std::array<const char*, kSimpleCodes> baseNames{};
  CodeNameTable differences;
  BaseEncodingId baseEncoding = BaseEncodingId::None;
  PdfObject dictionary;
  std::unique_ptr<FontDescriptorRecord> descriptor;
  // A Type 3 font's Resources, resolved (kind None when absent).
  PdfObject type3Resources;
  // The face name font matching chose, and the installed face's family (style) name.
  std::string faceName;
  std::string styleName;
  bool nameMatched = false;
  // A font drawn without an installed face needs the face name only where a name of the fixed
  // table decides; the rest of the match (which reads the installed faces) waits until asked for.
  bool faceNamePending = false;
  // Glyph-space widths (1/1000 text space) by code; kNoWidth when not given.
  std::array<double, kSimpleCodes> widths;
  // Type0: widths by CID (empty until DW, W or a learnt width needs them).
  CidWidthTable cidWidths;
  // Type0: written top to bottom (the Encoding CMap's writing mode is 1), placed by the
  // descendant's W2 and DW2.
  bool vertical = false;
  VerticalMetrics verticalMetrics;
  std::unique_ptr<S_PDF_Type3_Font> type3;
  // The characters the face's own charmap and glyph names give its glyphs (read when first
  // needed, for text without ToUnicode).
  mutable GlyphUnicodeTable glyphUnicode;
  // Messages already reported for this font.
  std::vector<int> reported;

  bool hasFace() const { return face != nullptr; }
  bool embedded() const { return descriptor && descriptor->embedded; }
  // The Differences name of the code, else its base name; nullptr when it has neither.
  const char* glyphName(uint8_t code) const;

  // The Unicode unit of each one-byte code once worked out from its glyph name (the lookups
  // walk several name tables); kUnicodeUnknown until then, kUnicodeNone for no text.
  static constexpr int32_t kUnicodeUnknown = -2;
  static constexpr int32_t kUnicodeNone = -1;
  // The glyph index of each one-byte code once looked up (by name lookups can be slow).
  static constexpr uint32_t kGlyphUnknown = 0xFFFFFFFF;
  std::array<uint32_t, kSimpleCodes> glyphByCode = [] {
    std::array<uint32_t, kSimpleCodes> a{};
    a.fill(kGlyphUnknown);
    return a;
  }();
  mutable std::array<int32_t, kSimpleCodes> unicodeByCode = [] {
    std::array<int32_t, kSimpleCodes> a{};
    a.fill(kUnicodeUnknown);
    return a;
  }();
  // Width by code or CID; kNoWidth when not given.
  double width(uint32_t codeOrCid) const;
  void setWidth(uint32_t codeOrCid, double value);
  // Empties the glyph cache.
  void clearGlyphCache();
  // The ToUnicode CMap, read now if it is pending; null when the font has none.
  const CMaps::ToUnicodeCMap* toUnicodeMap() const;
  // Frees what can be made again unchanged: glyph cache, FreeType face and program (when they can
  // be read again), the ToUnicode CMap (when it can be read again); of the descendant too. The
  // record itself and everything learnt stay, so pointers to it and results are unchanged.
  void releaseRebuildable();
  // Roughly what releaseRebuildable() would free.
  std::size_t releasableBytes() const;
};
