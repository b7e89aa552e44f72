#include "engine/fonts/glyph_unicode_table.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstring>
#include <string>

#include "engine/fonts/glyph_lookup.h"

namespace {

// Glyph names FreeType hands back are cut to this many bytes.
constexpr int kGlyphNameBuffer = 64;

bool usable(uint32_t c) { return c >= 0x20 && c < 0x110000 && !(c >= 0xD800 && c <= 0xDFFF); }

}  // namespace

void GlyphUnicodeTable::readCharmap(FT_Face face) {
  charmapRead_ = true;
  FT_CharMap saved = face->charmap;
  for (int i = 0; i < face->num_charmaps; ++i) {
    if (face->charmaps[i]->encoding != FT_ENCODING_UNICODE) continue;
    if (FT_Set_Charmap(face, face->charmaps[i]) != 0) continue;
    FT_UInt glyph = 0;
    FT_ULong c = FT_Get_First_Char(face, &glyph);
    for (uint32_t n = 0; glyph != 0 && n < kMaxCharmapEntries; ++n) {
      // A glyph several characters share (space and no-break space) reads as the first.
      if (usable(static_cast<uint32_t>(c))) byGlyph_.emplace(glyph, static_cast<uint32_t>(c));
      c = FT_Get_Next_Char(face, c, &glyph);
    }
    break;
  }
  if (!saved || FT_Set_Charmap(face, saved) != 0) face->charmap = saved;
}

uint32_t GlyphUnicodeTable::codePointOf(FT_Face face, uint32_t glyph) {
  if (!face || glyph == 0) return 0;
  if (!charmapRead_) readCharmap(face);
  auto found = byGlyph_.find(glyph);
  if (found != byGlyph_.end()) return found->second;
  uint32_t c = 0;
  if (FT_HAS_GLYPH_NAMES(face)) {
    std::array<char, kGlyphNameBuffer> name{};
    if (FT_Get_Glyph_Name(face, glyph, name.data(), kGlyphNameBuffer) == 0 && name[0] != 0) {
      name.back() = 0;
      std::string base(name.data());
      // "a.sc", "one.oldstyle": the character before the suffix.
      if (const std::size_t dot = base.find('.'); dot != std::string::npos && dot > 0)
        base.resize(dot);
      uint16_t unit = 0;
      if (unicodeOfGlyphName(base.c_str(), unit) && usable(unit)) c = unit;
    }
  }
  byGlyph_.emplace(glyph, c);
  return c;
}
