#pragma once
// Text in built appearances: the default appearance string (DA), a standard sans-serif font's
// widths, WinAnsi bytes of Unicode text, and lines broken to a width.

#include <string>
#include <string_view>
#include <vector>

#include "engine/document/pdf_object.h"

struct DefaultAppearance {
  std::string font;            // the Tf font resource name, empty when DA names none
  double size = 0;             // 0: fit the text to the box
  std::vector<double> colour;  // the last g, rg or k operands; black when empty
};

// Tokens of a DA string read at most.
inline constexpr std::size_t kMaxDaTokens = 256;

DefaultAppearance parseDefaultAppearance(std::string_view da);

// The font dictionary built appearances use when the file gives none: Helvetica in WinAnsi.
PdfObject standardFontDictionary();

// Unicode text as WinAnsi bytes; characters the encoding lacks become '?'.
std::string toWinAnsi(std::u16string_view text);

// Glyph widths in thousandths of the font size. widths gives a font's own widths from
// firstChar on (empty: Helvetica's).
struct FontWidths {
  int firstChar = 0;
  std::vector<double> widths;
  double width(unsigned char code) const;
  double textWidth(std::string_view bytes, double size) const;
};

// Lines at most maxLines, each at most width wide (words broken where they must be). Newlines
// in text (CR, LF, CR LF) always break.
inline constexpr std::size_t kMaxTextLines = 1000;
std::vector<std::string> breakLines(std::string_view bytes, const FontWidths& widths, double size,
                                    double width);
