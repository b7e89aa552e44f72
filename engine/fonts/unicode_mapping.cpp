#include "engine/fonts/unicode_mapping.h"

#include <cstring>
#include <string_view>

#include "engine/fonts/fixed_pos_size_font.h"
#include "engine/fonts/glyph_lookup.h"
#include "engine/fonts/name_code_table.h"

namespace {

constexpr char16_t kControlReplacement = 0x00A4;
// CIDs whose UCS-2 value the symbol fonts draw as another character.
constexpr uint16_t kSymbolBulletCid = 120;
constexpr uint16_t kSymbolBullet = 183;
constexpr uint16_t kWingdingsSectionCid = 131;
constexpr uint16_t kWingdingsSection = 167;
// Glyphs of two fonts whose names say nothing of their character.
constexpr uint16_t kCalibriHyphen = 45;
constexpr uint8_t kMathPiDivideCode = 2;
constexpr uint16_t kMathPiDivide = 247;

bool isControl(char16_t u) {
  return u < 32 || u == 127 || u == 129 || u == 141 || u == 143 || u == 144 || u == 157;
}

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// BaseFont is the name, or contains it as a subset's name ("ABCDEF+name...").
bool fontIs(const S_FixedPosSize_Font& font, std::string_view name) {
  const std::string_view base = font.baseFont;
  if (base == name) return true;
  for (std::size_t at = base.find(name); at != std::string_view::npos;
       at = base.find(name, at + 1)) {
    if (at > 0 && base[at - 1] == '+') return true;
  }
  return false;
}

bool lookupName(const S_FixedPosSize_Font& font, const char* name, uint16_t& code) {
  using T = NameCodeTableId;
  // Symbol glyphs such as alpha are real characters; the private-use points only stand in for
  // names the glyph list lacks, so that search and copy see Greek, not placeholders.
  if (font.faceName == "Symbol") {
    if (unicodeOfGlyphName(name, code)) return true;
    if (nameCodeTable(T::SymbolToPrivateUse).codeOf(name, code)) return true;
  }
  if ((font.baseEncoding == BaseEncodingId::ZapfDingbatsBuiltIn ||
       contains(font.baseFont, "ZapfDingbats")) &&
      nameCodeTable(T::ZapfDingbatsToUnicode).codeOf(name, code)) {
    return true;
  }
  if (unicodeOfGlyphName(name, code)) return true;
  if (nameCodeTable(T::SymbolPieces).codeOf(name, code)) return true;
  return nameCodeTable(T::FurtherNames).codeOf(name, code);
}

// A glyph name's character: the tables, then the name without its ".suffix" (small caps, old
// style figures), then the "Cddd" names some producers give plain characters.
bool characterOfName(const S_FixedPosSize_Font& font, const char* name, uint16_t& code) {
  if (lookupName(font, name, code)) return true;
  if (const char* dot = std::strchr(name, '.'); dot && dot != name) {
    const std::string base(name, dot);
    if (lookupName(font, base.c_str(), code)) return true;
  }
  if (std::strlen(name) == 5 && name[0] == 'C') {
    int value = 0;
    for (int i = 1; i < 5; ++i) {
      if (name[i] < '0' || name[i] > '9') return false;
      value = value * 10 + (name[i] - '0');
    }
    if (value != 0) {
      code = static_cast<uint16_t>(value);
      return true;
    }
  }
  return false;
}

// A CID font whose CIDs are glyph indices of its embedded program, without a CIDToGIDMap: the
// character the program's own charmap or glyph names give the glyph; 0 for none.
uint32_t ownProgramCharacter(const S_FixedPosSize_Font& type0, uint16_t cid) {
  const S_FixedPosSize_Font* descendant = type0.descendant.get();
  if (!descendant || !descendant->embedded() || !type0.face) return 0;
  // With a map of its own the CIDs may be characters the producer chose.
  if (type0.hasCidToGidMap && !type0.cidToGidMap.empty()) return 0;
  if (!cidsAreGlyphIndices(type0)) return 0;
  return type0.glyphUnicode.codePointOf(type0.face->get(), cid);
}

std::u16string utf16Of(uint32_t c) {
  if (c < 0x10000) return std::u16string(1, static_cast<char16_t>(c));
  c -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (c >> 10)), static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
}

bool appendNormalised(std::u16string units, std::u16string& text, bool replaceControls) {
  normaliseControls(units, replaceControls);
  if (units.empty()) return false;
  text += units;
  return true;
}

}  // namespace

void normaliseControls(std::u16string& units, bool replaceControls) {
  std::size_t kept = 0;
  for (char16_t u : units) {
    if (isControl(u)) {
      if (replaceControls) units[kept++] = kControlReplacement;
    } else {
      units[kept++] = u;
    }
  }
  units.resize(kept);
}

uint16_t cidOfCode(const S_FixedPosSize_Font& type0, const uint8_t* bytes, int length) {
  uint16_t cid = 0;
  if (type0.encodingCMap && type0.encodingCMap->toCID(bytes, length, length, cid)) return cid;
  uint32_t value = 0;
  for (int i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  return static_cast<uint16_t>(value);
}

bool unicodeOfCode(const S_FixedPosSize_Font& font, const uint8_t* bytes, int length,
                   std::u16string& text, bool replaceControls) {
  if (length <= 0) return false;
  if (const CMaps::ToUnicodeCMap* toUnicode = font.toUnicodeMap()) {
    std::u16string mapped;
    if (toUnicode->toUnicode(bytes, length, length, mapped) &&
        appendNormalised(std::move(mapped), text, replaceControls)) {
      return true;
    }
  }
  if (font.kind == FontKind::Type0) {
    uint16_t cid = cidOfCode(font, bytes, length);
    if (const uint32_t own = ownProgramCharacter(font, cid))
      return appendNormalised(utf16Of(own), text, replaceControls);
    if (font.ucs2CMap) {
      if (fontIs(font, "SymbolMT") && font.faceName == "Symbol" && cid == kSymbolBulletCid) {
        cid = kSymbolBullet;
      } else if (fontIs(font, "Wingdings") && font.faceName == "Wingdings" &&
                 cid == kWingdingsSectionCid) {
        cid = kWingdingsSection;
      }
      const uint8_t key[2] = {static_cast<uint8_t>(cid >> 8), static_cast<uint8_t>(cid & 0xFF)};
      std::u16string mapped;
      if (font.ucs2CMap->toUnicode(key, 2, 2, mapped) && !mapped.empty())
        return appendNormalised(std::move(mapped), text, replaceControls);
    }
    // A CID in the surrogate range is no character of its own.
    if (cid >= 0xD800 && cid <= 0xDFFF) return false;
    return appendNormalised(std::u16string(1, static_cast<char16_t>(cid)), text, replaceControls);
  }
  const uint8_t code = bytes[0];
  int32_t& cached = font.unicodeByCode[code];
  if (cached == S_FixedPosSize_Font::kUnicodeNone) return false;
  if (cached >= 0)
    return appendNormalised(std::u16string(1, static_cast<char16_t>(cached)), text,
                            replaceControls);
  const char* name = font.glyphName(code);
  // The standard Symbol font without an Encoding draws its own encoding's glyphs; its text
  // follows the same names rather than the Standard encoding's letters.
  if (font.faceName == "Symbol" && !font.embedded() && !font.dictionary.lookup("Encoding")) {
    if (const char* symbolName = nameCodeTable(NameCodeTableId::SymbolBuiltIn).nameOf(code))
      name = symbolName;
  }
  if (name && std::strcmp(name, ".notdef") == 0) {
    cached = S_FixedPosSize_Font::kUnicodeNone;
    return false;
  }
  uint16_t unit = code;
  if (name && *name && font.baseFont == "DENBOP+Calibri" && std::strcmp(name, "g882") == 0) {
    unit = kCalibriHyphen;
  } else if (contains(font.baseFont, "MathematicalPi-One") && code == kMathPiDivideCode) {
    unit = kMathPiDivide;
  } else if (name && *name && !characterOfName(font, name, unit)) {
    unit = code;
  }
  cached = unit;
  return appendNormalised(std::u16string(1, static_cast<char16_t>(unit)), text, replaceControls);
}
