#include "engine/forms/appearance_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace {

// Helvetica's widths of the codes 32 to 126.
constexpr short kHelveticaAscii[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584};
// Width taken for codes above 126, near the average of Helvetica's accented letters.
constexpr double kHelveticaOther = 556;

// Unicode of the WinAnsi codes 0x80 to 0x9F (0 where the code is unused).
constexpr char16_t kWinAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool isOperatorByte(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '\''; }

}  // namespace

DefaultAppearance parseDefaultAppearance(std::string_view da) {
  DefaultAppearance result;
  std::vector<std::string> operands;
  std::size_t tokens = 0;
  std::size_t i = 0;
  while (i < da.size() && tokens < kMaxDaTokens) {
    const char c = da[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    ++tokens;
    std::size_t start = i;
    if (c == '/') {
      ++i;
      while (i < da.size() && !std::isspace(static_cast<unsigned char>(da[i])) && da[i] != '/' &&
             da[i] != '[' && da[i] != '(' && da[i] != '<')
        ++i;
      operands.emplace_back(da.substr(start, i - start));
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      ++i;
      while (i < da.size() && (std::isdigit(static_cast<unsigned char>(da[i])) || da[i] == '.'))
        ++i;
      operands.emplace_back(da.substr(start, i - start));
    } else if (isOperatorByte(c)) {
      while (i < da.size() && isOperatorByte(da[i])) ++i;
      const std::string_view word = da.substr(start, i - start);
      auto num = [&](std::size_t back) {
        return std::strtod(operands[operands.size() - back].c_str(), nullptr);
      };
      if (word == "Tf" && operands.size() >= 2 && operands[operands.size() - 2][0] == '/') {
        result.font = operands[operands.size() - 2].substr(1);
        result.size = std::fabs(num(1));
        if (!std::isfinite(result.size)) result.size = 0;
      } else if (word == "g" && !operands.empty()) {
        result.colour = {num(1)};
      } else if (word == "rg" && operands.size() >= 3) {
        result.colour = {num(3), num(2), num(1)};
      } else if (word == "k" && operands.size() >= 4) {
        result.colour = {num(4), num(3), num(2), num(1)};
      }
      operands.clear();
    } else {
      ++i;  // strings, arrays and the like are not part of what is read
      operands.clear();
    }
  }
  return result;
}

PdfObject standardFontDictionary() {
  PdfObject font(PdfObjectKind::Dictionary);
  font.add("Type", PdfObject(PdfObjectKind::Name, "Font"));
  font.add("Subtype", PdfObject(PdfObjectKind::Name, "Type1"));
  font.add("BaseFont", PdfObject(PdfObjectKind::Name, "Helvetica"));
  font.add("Encoding", PdfObject(PdfObjectKind::Name, "WinAnsiEncoding"));
  return font;
}

std::string toWinAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t u : text) {
    // Byte-order marks and control characters stand for nothing that is shown.
    if (u == 0xFEFF || (u < 0x20 && u != '\n' && u != '\r' && u != '\t')) continue;
    if ((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF) || u == '\n' || u == '\r' ||
        u == '\t') {
      out.push_back(static_cast<char>(u));
      continue;
    }
    char code = '?';
    for (int i = 0; i < 32; ++i)
      if (kWinAnsiHigh[i] == u && u != 0) code = static_cast<char>(0x80 + i);
    out.push_back(code);
  }
  return out;
}

double FontWidths::width(unsigned char code) const {
  if (!widths.empty()) {
    const int index = code - firstChar;
    if (index >= 0 && index < static_cast<int>(widths.size())) return widths[index];
  }
  if (code >= 32 && code <= 126) return kHelveticaAscii[code - 32];
  return code < 32 ? 0 : kHelveticaOther;
}

double FontWidths::textWidth(std::string_view bytes, double size) const {
  double total = 0;
  for (char c : bytes) total += width(static_cast<unsigned char>(c));
  return total * size / 1000.0;
}

std::vector<std::string> breakLines(std::string_view bytes, const FontWidths& widths, double size,
                                    double width) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i <= bytes.size() && lines.size() < kMaxTextLines) {
    // One paragraph up to the next newline.
    std::size_t end = i;
    while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
    std::string_view paragraph = bytes.substr(i, end - i);
    std::string line;
    double lineWidth = 0;
    std::size_t p = 0;
    while (p < paragraph.size() && lines.size() < kMaxTextLines) {
      std::size_t wordEnd = p;
      while (wordEnd < paragraph.size() && paragraph[wordEnd] != ' ') ++wordEnd;
      if (wordEnd < paragraph.size()) ++wordEnd;  // the space goes with its word
      std::string_view word = paragraph.substr(p, wordEnd - p);
      const double w = widths.textWidth(word, size);
      if (!line.empty() && lineWidth + w > width) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(std::move(line));
        line.clear();
        lineWidth = 0;
      }
      if (line.empty() && w > width && word.size() > 1) {
        // A word wider than the line is broken where it must be.
        std::size_t fit = 0;
        double fw = 0;
        while (fit < word.size()) {
          const double cw = widths.width(static_cast<unsigned char>(word[fit])) * size / 1000.0;
          if (fit > 0 && fw + cw > width) break;
          fw += cw;
          ++fit;
        }
        lines.emplace_back(word.substr(0, fit));
        p += fit;
        continue;
      }
      line += word;
      lineWidth += w;
      p = wordEnd;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (lines.size() < kMaxTextLines) lines.push_back(std::move(line));
    if (end >= bytes.size()) break;
    i = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}
