#pragma once
// Numbers at the start of typed text (the zoom box, the page box, the go-to dialog), read as the
// C library reads them.

#include <QString>

namespace Corvalis::Viewer {

// The leading decimal number of text, read as the C library's atof reads it (leading blanks, a
// sign, digits, a fraction and an exponent); 0 when the text does not start with one.
double leadingNumber(const QString& text);
// The leading decimal integer of text, read as atoi reads it, saturated to the int range.
int leadingInteger(const QString& text);

}  // namespace Corvalis::Viewer
