#include "engine/fonts/glyph_lookup.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>
#include <string>

#include "engine/fonts/fixed_pos_size_font.h"
#include "engine/fonts/name_code_table.h"
#include "engine/fonts/vertical_forms.h"

namespace {

// Glyph names FreeType hands back are cut to this many bytes.
constexpr int kGlyphNameBuffer = 64;
// Bullets drawn for codes a symbolic TrueType font lacks.
constexpr uint32_t kBulletFallbacks[] = {183, 0xF0B7, 0xF1B7, 0xF2B7};
// Where symbol fonts put their codes in a (3,0) charmap.
constexpr uint32_t kSymbolOffsets[] = {0, 0xF000, 0xF100, 0xF200};

FT_CharMap firstWithEncoding(FT_Face face, FT_Encoding encoding) {
  for (int i = 0; i < face->num_charmaps; ++i)
    if (face->charmaps[i]->encoding == encoding) return face->charmaps[i];
  return nullptr;
}

FT_CharMap firstWithIds(FT_Face face, int platform, int encoding) {
  for (int i = 0; i < face->num_charmaps; ++i) {
    FT_CharMap c = face->charmaps[i];
    if (c->platform_id == platform && c->encoding_id == encoding) return c;
  }
  return nullptr;
}

bool select(FT_Face face, FT_CharMap charmap) {
  return charmap && FT_Set_Charmap(face, charmap) == 0;
}

bool isCharmap(FT_CharMap charmap, int platform, int encoding) {
  return charmap && charmap->platform_id == platform && charmap->encoding_id == encoding;
}

bool isUnicode(FT_CharMap charmap) { return charmap && charmap->encoding == FT_ENCODING_UNICODE; }

// Puts the charmap that was current back (also "none").
class CharmapRestorer {
 public:
  explicit CharmapRestorer(FT_Face face) : face_(face), saved_(face->charmap) {}
  ~CharmapRestorer() {
    if (!saved_ || FT_Set_Charmap(face_, saved_) != 0) face_->charmap = saved_;
  }

 private:
  FT_Face face_;
  FT_CharMap saved_;
};

FT_UInt charIndex(FT_Face face, uint32_t code) {
  return face->charmap ? FT_Get_Char_Index(face, code) : 0;
}

FT_UInt nameIndex(FT_Face face, const char* name) {
  if (!FT_HAS_GLYPH_NAMES(face)) return 0;
  return FT_Get_Name_Index(face, name);
}

const NameCodeTable& table(NameCodeTableId id) { return nameCodeTable(id); }

// The first of the tables that names the glyph gives its code.
bool translate(const char* name, std::initializer_list<NameCodeTableId> tables, uint16_t& code) {
  for (NameCodeTableId id : tables) {
    if (id == NameCodeTableId::GlyphToUnicode) {
      if (unicodeOfGlyphName(name, code)) return true;
    } else if (table(id).codeOf(name, code)) {
      return true;
    }
  }
  return false;
}

bool translateDefault(const char* name, bool unicode, bool embedded, uint16_t& code) {
  using T = NameCodeTableId;
  if (unicode) {
    if (translate(name, {T::SymbolToPrivateUse}, code)) return true;
    if (embedded && translate(name, {T::ZapfDingbatsToUnicode}, code)) return true;
    return translate(name, {T::GlyphToUnicode, T::SymbolPieces, T::FurtherNames}, code);
  }
  if (translate(name, {T::SymbolBuiltIn}, code)) return true;
  if (embedded && translate(name, {T::ZapfDingbatsBuiltIn}, code)) return true;
  return translate(name, {T::WinAnsi, T::Standard, T::MacRoman, T::MacExpert}, code);
}

// The code the name stands for under a charmap, by the font's base encoding.
bool translateName(const S_FixedPosSize_Font& font, const char* name, bool unicode,
                   uint16_t& code) {
  using T = NameCodeTableId;
  switch (font.baseEncoding) {
    case BaseEncodingId::Standard:
    case BaseEncodingId::MacRoman:
    case BaseEncodingId::WinAnsi:
    case BaseEncodingId::MacExpert: {
      T own = font.baseEncoding == BaseEncodingId::Standard   ? T::Standard
              : font.baseEncoding == BaseEncodingId::MacRoman ? T::MacRoman
              : font.baseEncoding == BaseEncodingId::WinAnsi  ? T::WinAnsi
                                                              : T::MacExpert;
      if (translate(name, {unicode ? T::GlyphToUnicode : own}, code)) return true;
      break;
    }
    case BaseEncodingId::ZapfDingbatsBuiltIn:
      if (font.embedded()) {
        if (translate(name, {unicode ? T::ZapfDingbatsToUnicode : T::ZapfDingbatsBuiltIn}, code))
          return true;
      } else if (unicode && translate(name, {T::ZapfDingbatsSubstitute}, code)) {
        return true;
      }
      break;
    default:
      if (unicode && translate(name, {T::GlyphToUnicode}, code)) return true;
      break;
  }
  return translateDefault(name, unicode, font.embedded(), code);
}

uint32_t codePointOf(const std::u16string& text) {
  if (text.empty()) return 0;
  const char16_t first = text[0];
  if (first >= 0xD800 && first <= 0xDBFF && text.size() >= 2 && text[1] >= 0xDC00 &&
      text[1] <= 0xDFFF)
    return 0x10000 + ((uint32_t(first) - 0xD800) << 10) + (uint32_t(text[1]) - 0xDC00);
  return first;
}

// The presentation form of a ligature's letters (a ToUnicode "fi" drawn as one glyph).
std::optional<uint32_t> ligatureOf(const std::u16string& text) {
  static const std::pair<std::u16string_view, uint32_t> kLigatures[] = {
      {u"ff", 0xFB00}, {u"fi", 0xFB01}, {u"fl", 0xFB02}, {u"ffi", 0xFB03}, {u"ffl", 0xFB04}};
  for (const auto& [letters, form] : kLigatures)
    if (text == letters) return form;
  return std::nullopt;
}

}  // namespace

bool unicodeOfGlyphName(const char* name, uint16_t& code) {
  if (!name) return false;
  if (nameCodeTable(NameCodeTableId::GlyphToUnicode).codeOf(name, code)) return true;
  return algorithmicNameCode(name, code);
}

CharmapFailure selectCharmap(S_FixedPosSize_Font& font) {
  if (!font.face) return CharmapFailure::None;
  FT_Face face = font.face->get();
  if (!face) return CharmapFailure::None;
  switch (font.kind) {
    case FontKind::Type1: {
      bool selected = false;
      if (font.baseEncoding == BaseEncodingId::ZapfDingbatsBuiltIn) {
        selected = select(face, firstWithEncoding(face, font.embedded() ? FT_ENCODING_ADOBE_CUSTOM
                                                                        : FT_ENCODING_UNICODE));
      } else if (font.baseEncoding == BaseEncodingId::None && font.symbolic && font.embedded()) {
        selected = select(face, firstWithEncoding(face, FT_ENCODING_ADOBE_CUSTOM));
      }
      if (!selected && font.nonsymbolic)
        selected = select(face, firstWithEncoding(face, FT_ENCODING_ADOBE_STANDARD));
      if (!selected) selected = select(face, firstWithEncoding(face, FT_ENCODING_UNICODE));
      if (!selected && face->num_charmaps > 0 && FT_Set_Charmap(face, face->charmaps[0]) != 0) {
        face->charmap = nullptr;
        return CharmapFailure::FirstRefused;
      }
      return CharmapFailure::None;
    }
    case FontKind::TrueType: {
      bool selected = false;
      const bool winOrMac = font.baseEncoding == BaseEncodingId::WinAnsi ||
                            font.baseEncoding == BaseEncodingId::MacRoman;
      if (!font.hasEncodingEntry || font.symbolic) {
        selected = select(face, firstWithIds(face, 3, 0)) || select(face, firstWithIds(face, 1, 0));
      } else if (winOrMac) {
        selected = select(face, firstWithIds(face, 3, 1)) || select(face, firstWithIds(face, 1, 0));
      }
      if (selected) return CharmapFailure::None;
      if (face->num_charmaps <= 0) return CharmapFailure::NoCharmaps;
      if (FT_Set_Charmap(face, face->charmaps[0]) != 0) {
        face->charmap = nullptr;
        return CharmapFailure::FirstRefused;
      }
      return CharmapFailure::None;
    }
    case FontKind::Type0: {
      const bool embedded = font.descendant && font.descendant->embedded();
      if (embedded || isUnicode(face->charmap)) return CharmapFailure::None;
      select(face, firstWithEncoding(face, FT_ENCODING_UNICODE));
      return CharmapFailure::None;
    }
    default:
      return CharmapFailure::None;
  }
}

uint32_t simpleFontGlyph(S_FixedPosSize_Font& font, uint8_t code) {
  if (!font.face) return 0;
  FT_Face face = font.face->get();
  if (!face) return 0;
  const char* name = font.glyphName(code);
  FT_UInt glyph = 0;
  if (name && *name) {
    if (std::strcmp(name, ".notdef") == 0) return 0;
    // A glyph's name does not depend on the charmap.
    glyph = nameIndex(face, name);
    if (glyph == 0) {
      CharmapRestorer restore(face);
      for (int i = 0; i < face->num_charmaps && glyph == 0; ++i) {
        if (FT_Set_Charmap(face, face->charmaps[i]) != 0) continue;
        uint16_t translated = 0;
        if (translateName(font, name, isUnicode(face->charmaps[i]), translated))
          glyph = FT_Get_Char_Index(face, translated);
      }
    }
  }
  if (glyph == 0) {
    glyph = charIndex(face, code);
    if (glyph == 0) {
      CharmapRestorer restore(face);
      for (int i = 0; i < face->num_charmaps && glyph == 0; ++i) {
        if (FT_Set_Charmap(face, face->charmaps[i]) == 0) glyph = FT_Get_Char_Index(face, code);
      }
    }
    if (glyph == 0) return code;
    if (!name && FT_HAS_GLYPH_NAMES(face)) {
      std::array<char, kGlyphNameBuffer> buffer{};
      if (FT_Get_Glyph_Name(face, glyph, buffer.data(), kGlyphNameBuffer) == 0 && buffer[0] != 0) {
        buffer.back() = 0;
        font.differences.set(code, buffer.data());
      }
    }
  }
  return glyph;
}

namespace {
uint32_t lookUpGlyphForCode(S_FixedPosSize_Font& font, uint8_t code);

// Subsets often keep only a symbol charmap, or a Unicode one without some of the glyphs shown:
// the glyph's own name, then the code in the symbol area of a (3,0) charmap.
uint32_t subsetFallback(FT_Face face, uint8_t code, const char* name) {
  if (FT_UInt glyph = nameIndex(face, name)) return glyph;
  FT_CharMap symbol = firstWithIds(face, 3, 0);
  if (!symbol) return 0;
  CharmapRestorer restore(face);
  if (FT_Set_Charmap(face, symbol) != 0) return 0;
  for (uint32_t offset : kSymbolOffsets)
    if (FT_UInt glyph = FT_Get_Char_Index(face, code + offset)) return glyph;
  return 0;
}
}  // namespace

uint32_t glyphForCode(S_FixedPosSize_Font& font, uint8_t code) {
  uint32_t& cached = font.glyphByCode[code];
  if (cached == S_FixedPosSize_Font::kGlyphUnknown) cached = lookUpGlyphForCode(font, code);
  return cached;
}

namespace {

uint32_t lookUpGlyphForCode(S_FixedPosSize_Font& font, uint8_t code) {
  if (!font.face) return 0;
  if (font.kind != FontKind::TrueType) return simpleFontGlyph(font, code);
  FT_Face face = font.face->get();
  if (!face) return 0;
  FT_CharMap current = face->charmap;
  FT_UInt glyph = 0;
  if (font.symbolic) {
    if (isCharmap(current, 3, 0)) {
      for (uint32_t offset : kSymbolOffsets) {
        if ((glyph = charIndex(face, code + offset)) != 0) break;
      }
    } else {
      glyph = charIndex(face, code);
    }
    if (glyph == 0) {
      for (uint32_t bullet : kBulletFallbacks) {
        if ((glyph = charIndex(face, bullet)) != 0) break;
      }
    }
    // Text extraction then reads the Mac OS name of the code.
    if (!font.hasEncodingEntry && !font.glyphName(code) &&
        font.baseEncoding != BaseEncodingId::ZapfDingbatsBuiltIn &&
        font.baseEncoding != BaseEncodingId::Wingdings) {
      if (const char* macName = nameCodeTable(NameCodeTableId::MacRoman).nameOf(code))
        font.differences.set(code, macName);
    }
    return glyph;
  }
  if (!font.hasEncodingEntry) glyph = charIndex(face, code);
  const char* name = font.glyphName(code);
  if (glyph != 0 || !name || !*name) return glyph;
  uint16_t translated = 0;
  if (isCharmap(current, 3, 1)) {
    glyph =
        unicodeOfGlyphName(name, translated) ? charIndex(face, translated) : nameIndex(face, name);
    return glyph != 0 ? glyph : subsetFallback(face, code, name);
  }
  if (!isCharmap(current, 1, 0)) glyph = charIndex(face, code);
  if (glyph != 0) return glyph;
  const NameCodeTable& names = font.baseFont == "Symbol"
                                   ? nameCodeTable(NameCodeTableId::SymbolBuiltIn)
                                   : nameCodeTable(NameCodeTableId::MacOsRoman);
  glyph = names.codeOf(name, translated) ? charIndex(face, translated) : nameIndex(face, name);
  return glyph != 0 ? glyph : subsetFallback(face, code, name);
}

}  // namespace

bool cidsAreGlyphIndices(const S_FixedPosSize_Font& type0) {
  if (!type0.ucs2CMap) return true;
  const S_FixedPosSize_Font* descendant = type0.descendant.get();
  if (descendant && !descendant->ordering.empty()) return descendant->ordering == "Identity";
  return type0.encodingCMap && type0.encodingCMap->ordering() == "Identity";
}

uint32_t glyphForCid(S_FixedPosSize_Font& type0, uint16_t cid, const uint8_t* code, int length) {
  if (!type0.face) return 0;
  FT_Face face = type0.face->get();
  if (!face) return 0;
  const S_FixedPosSize_Font* descendant = type0.descendant.get();
  const bool embedded = descendant && descendant->embedded();
  const FontKind kind = descendant ? descendant->kind : FontKind::None;
  auto characterGlyph = [&](uint32_t c) -> uint32_t {
    // An installed face is not told the writing direction: in a column its punctuation takes
    // the vertical presentation form where the face has one.
    if (type0.vertical)
      if (const uint32_t form = vertical_forms::verticalFormOf(c))
        if (const uint32_t glyph = charIndex(face, form)) return glyph;
    return charIndex(face, c);
  };
  if (!embedded && code && length > 0 && cidsAreGlyphIndices(type0)) {
    // The CIDs index a program we do not have; the substitute draws the code's character.
    if (const CMaps::ToUnicodeCMap* toUnicode = type0.toUnicodeMap()) {
      std::u16string text;
      if (toUnicode->toUnicode(code, length, length, text))
        if (const uint32_t c = ligatureOf(text).value_or(codePointOf(text)); c >= 0x20)
          if (const uint32_t glyph = characterGlyph(c)) return glyph;
    }
  }
  auto unicodeGlyph = [&](uint32_t fallbackCode) -> uint32_t {
    if (!type0.ucs2CMap) return charIndex(face, fallbackCode);
    const uint8_t bytes[2] = {static_cast<uint8_t>(cid >> 8), static_cast<uint8_t>(cid & 0xFF)};
    std::u16string text;
    if (!type0.ucs2CMap->toUnicode(bytes, 2, 2, text)) return 0;
    return characterGlyph(codePointOf(text));
  };
  if (kind == FontKind::CIDFontType2) {
    if (embedded) {
      if (!type0.hasCidToGidMap || type0.cidToGidMap.empty()) return cid;
      const std::size_t at = std::size_t{cid} * 2;
      // CIDs past the end of the map have no glyph.
      if (at + 1 >= type0.cidToGidMap.size()) return 0;
      return uint32_t(type0.cidToGidMap[at]) << 8 | type0.cidToGidMap[at + 1];
    }
    return type0.ucs2CMap ? unicodeGlyph(cid) : cid;
  }
  if (kind == FontKind::CIDFontType0 && !embedded) return unicodeGlyph(cid);
  return cid;
}
