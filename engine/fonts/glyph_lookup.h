#pragma once
// Choosing a font's FreeType charmap, and finding the glyph that a code or CID draws.

#include <cstdint>

struct S_FixedPosSize_Font;

enum class CharmapFailure { None, NoCharmaps, FirstRefused };

// Selects the charmap the font's kind and encoding call for. A failure leaves no charmap.
CharmapFailure selectCharmap(S_FixedPosSize_Font& font);

// The glyph of a simple font's code by glyph name and charmaps (Type1 and the kinds without a
// rule of their own). A code without a name learns the face's name for the glyph found.
uint32_t simpleFontGlyph(S_FixedPosSize_Font& font, uint8_t code);

// The glyph a simple font draws for a code, by the font's kind (TrueType has its own rules).
uint32_t glyphForCode(S_FixedPosSize_Font& font, uint8_t code);

// The glyph a Type0 font draws for a CID. code (length bytes, may be null) is the code that gave
// the CID: an installed face that stands in for a font whose CIDs are glyph indices of another
// program draws the character ToUnicode gives the code.
uint32_t glyphForCid(S_FixedPosSize_Font& type0, uint16_t cid, const uint8_t* code = nullptr,
                     int length = 0);

// The Type0 font's CIDs name no characters of a collection (Identity ordering, or a collection
// without its UCS-2 CMap): they are glyph indices of the font's program.
bool cidsAreGlyphIndices(const S_FixedPosSize_Font& type0);

// The code point a glyph name stands for: the glyph list, then uniXXXX and uXXXX names.
bool unicodeOfGlyphName(const char* name, uint16_t& code);
