#pragma once
// The Unicode text of a shown code: what search and copy read.

#include <cstdint>
#include <string>

struct S_FixedPosSize_Font;

// Appends the UTF-16 text of the code (length bytes) to text: the ToUnicode CMap, else for Type0
// the character the embedded program gives a CID that is its glyph index (Identity collections)
// or the CID's UCS-2 value, for simple fonts the glyph name's character, else the code itself.
// Control characters are removed, or replaced by U+00A4 when replaceControls is set. True when
// any unit was appended.
bool unicodeOfCode(const S_FixedPosSize_Font& font, const uint8_t* bytes, int length,
                   std::u16string& text, bool replaceControls = false);

// Removes (or replaces by U+00A4) the units 0..31, 127, 129, 141, 143, 144 and 157.
void normaliseControls(std::u16string& units, bool replaceControls);

// The CID of a Type0 font's code: its Encoding CMap's answer, else the bytes read big-endian.
uint16_t cidOfCode(const S_FixedPosSize_Font& type0, const uint8_t* bytes, int length);
