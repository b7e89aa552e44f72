#pragma once
// The presentation forms for vertical writing: the shapes punctuation and brackets take in a
// column, which Unicode also has as characters of their own.

#include <cstdint>

namespace vertical_forms {

// The vertical form of c; 0 when c has none.
uint32_t verticalFormOf(uint32_t c);
// The ordinary character a vertical form stands for; c itself for any other character.
char16_t ordinaryFormOf(char16_t c);

}  // namespace vertical_forms
