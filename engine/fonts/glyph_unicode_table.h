#pragma once
// GlyphUnicodeTable: the character a font program itself gives a glyph, read from its Unicode
// charmap, else from the glyph's name. Text extraction falls back on it when a font gives no
// ToUnicode and its codes are glyph indices (Identity CID fonts).

#include <cstdint>
#include <unordered_map>

struct FT_FaceRec_;

class GlyphUnicodeTable {
 public:
  // Characters read from a charmap at most: more than Unicode has.
  static constexpr uint32_t kMaxCharmapEntries = 0x110000;

  // The code point of the glyph in face; 0 when the program gives none. The charmap is read on
  // the first call; the face's current charmap is left as it was.
  uint32_t codePointOf(FT_FaceRec_* face, uint32_t glyph);

 private:
  void readCharmap(FT_FaceRec_* face);

  bool charmapRead_ = false;
  // Glyph → code point; 0 for a glyph already found to have none.
  std::unordered_map<uint32_t, uint32_t> byGlyph_;
};
