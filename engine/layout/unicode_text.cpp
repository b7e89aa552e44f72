#include "engine/layout/unicode_text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace unicode_text {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | cp >> 18));
    out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Case folding as ranges: every stride-th unit from first to last maps to itself plus delta.
// Made from the simple case folding of the Unicode 14 character database, restricted to the
// Basic Multilingual Plane.
struct FoldRange {
  char16_t first;
  char16_t last;
  uint8_t stride;
  int32_t delta;
};

constexpr FoldRange kFoldRanges[] = {
    {0x0041, 0x005A, 1, 32},     {0x00B5, 0x00B5, 1, 775},    {0x00C0, 0x00D6, 1, 32},
    {0x00D8, 0x00DE, 1, 32},     {0x0100, 0x012E, 2, 1},      {0x0132, 0x0136, 2, 1},
    {0x0139, 0x0147, 2, 1},      {0x014A, 0x0176, 2, 1},      {0x0178, 0x0178, 1, -121},
    {0x0179, 0x017D, 2, 1},      {0x017F, 0x017F, 1, -268},   {0x0181, 0x0181, 1, 210},
    {0x0182, 0x0184, 2, 1},      {0x0186, 0x0186, 1, 206},    {0x0187, 0x0187, 1, 1},
    {0x0189, 0x018A, 1, 205},    {0x018B, 0x018B, 1, 1},      {0x018E, 0x018E, 1, 79},
    {0x018F, 0x018F, 1, 202},    {0x0190, 0x0190, 1, 203},    {0x0191, 0x0191, 1, 1},
    {0x0193, 0x0193, 1, 205},    {0x0194, 0x0194, 1, 207},    {0x0196, 0x0196, 1, 211},
    {0x0197, 0x0197, 1, 209},    {0x0198, 0x0198, 1, 1},      {0x019C, 0x019C, 1, 211},
    {0x019D, 0x019D, 1, 213},    {0x019F, 0x019F, 1, 214},    {0x01A0, 0x01A4, 2, 1},
    {0x01A6, 0x01A6, 1, 218},    {0x01A7, 0x01A7, 1, 1},      {0x01A9, 0x01A9, 1, 218},
    {0x01AC, 0x01AC, 1, 1},      {0x01AE, 0x01AE, 1, 218},    {0x01AF, 0x01AF, 1, 1},
    {0x01B1, 0x01B2, 1, 217},    {0x01B3, 0x01B5, 2, 1},      {0x01B7, 0x01B7, 1, 219},
    {0x01B8, 0x01B8, 1, 1},      {0x01BC, 0x01BC, 1, 1},      {0x01C4, 0x01C4, 1, 2},
    {0x01C5, 0x01C5, 1, 1},      {0x01C7, 0x01C7, 1, 2},      {0x01C8, 0x01C8, 1, 1},
    {0x01CA, 0x01CA, 1, 2},      {0x01CB, 0x01DB, 2, 1},      {0x01DE, 0x01EE, 2, 1},
    {0x01F1, 0x01F1, 1, 2},      {0x01F2, 0x01F4, 2, 1},      {0x01F6, 0x01F6, 1, -97},
    {0x01F7, 0x01F7, 1, -56},    {0x01F8, 0x021E, 2, 1},      {0x0220, 0x0220, 1, -130},
    {0x0222, 0x0232, 2, 1},      {0x023A, 0x023A, 1, 10795},  {0x023B, 0x023B, 1, 1},
    {0x023D, 0x023D, 1, -163},   {0x023E, 0x023E, 1, 10792},  {0x0241, 0x0241, 1, 1},
    {0x0243, 0x0243, 1, -195},   {0x0244, 0x0244, 1, 69},     {0x0245, 0x0245, 1, 71},
    {0x0246, 0x024E, 2, 1},      {0x0345, 0x0345, 1, 116},    {0x0370, 0x0372, 2, 1},
    {0x0376, 0x0376, 1, 1},      {0x037F, 0x037F, 1, 116},    {0x0386, 0x0386, 1, 38},
    {0x0388, 0x038A, 1, 37},     {0x038C, 0x038C, 1, 64},     {0x038E, 0x038F, 1, 63},
    {0x0391, 0x03A1, 1, 32},     {0x03A3, 0x03AB, 1, 32},     {0x03C2, 0x03C2, 1, 1},
    {0x03CF, 0x03CF, 1, 8},      {0x03D0, 0x03D0, 1, -30},    {0x03D1, 0x03D1, 1, -25},
    {0x03D5, 0x03D5, 1, -15},    {0x03D6, 0x03D6, 1, -22},    {0x03D8, 0x03EE, 2, 1},
    {0x03F0, 0x03F0, 1, -54},    {0x03F1, 0x03F1, 1, -48},    {0x03F4, 0x03F4, 1, -60},
    {0x03F5, 0x03F5, 1, -64},    {0x03F7, 0x03F7, 1, 1},      {0x03F9, 0x03F9, 1, -7},
    {0x03FA, 0x03FA, 1, 1},      {0x03FD, 0x03FF, 1, -130},   {0x0400, 0x040F, 1, 80},
    {0x0410, 0x042F, 1, 32},     {0x0460, 0x0480, 2, 1},      {0x048A, 0x04BE, 2, 1},
    {0x04C0, 0x04C0, 1, 15},     {0x04C1, 0x04CD, 2, 1},      {0x04D0, 0x052E, 2, 1},
    {0x0531, 0x0556, 1, 48},     {0x10A0, 0x10C5, 1, 7264},   {0x10C7, 0x10C7, 1, 7264},
    {0x10CD, 0x10CD, 1, 7264},   {0x13F8, 0x13FD, 1, -8},     {0x1C80, 0x1C80, 1, -6222},
    {0x1C81, 0x1C81, 1, -6221},  {0x1C82, 0x1C82, 1, -6212},  {0x1C83, 0x1C84, 1, -6210},
    {0x1C85, 0x1C85, 1, -6211},  {0x1C86, 0x1C86, 1, -6204},  {0x1C87, 0x1C87, 1, -6180},
    {0x1C88, 0x1C88, 1, 35267},  {0x1C90, 0x1CBA, 1, -3008},  {0x1CBD, 0x1CBF, 1, -3008},
    {0x1E00, 0x1E94, 2, 1},      {0x1E9B, 0x1E9B, 1, -58},    {0x1E9E, 0x1E9E, 1, -7615},
    {0x1EA0, 0x1EFE, 2, 1},      {0x1F08, 0x1F0F, 1, -8},     {0x1F18, 0x1F1D, 1, -8},
    {0x1F28, 0x1F2F, 1, -8},     {0x1F38, 0x1F3F, 1, -8},     {0x1F48, 0x1F4D, 1, -8},
    {0x1F59, 0x1F5F, 2, -8},     {0x1F68, 0x1F6F, 1, -8},     {0x1F88, 0x1F8F, 1, -8},
    {0x1F98, 0x1F9F, 1, -8},     {0x1FA8, 0x1FAF, 1, -8},     {0x1FB8, 0x1FB9, 1, -8},
    {0x1FBA, 0x1FBB, 1, -74},    {0x1FBC, 0x1FBC, 1, -9},     {0x1FBE, 0x1FBE, 1, -7173},
    {0x1FC8, 0x1FCB, 1, -86},    {0x1FCC, 0x1FCC, 1, -9},     {0x1FD8, 0x1FD9, 1, -8},
    {0x1FDA, 0x1FDB, 1, -100},   {0x1FE8, 0x1FE9, 1, -8},     {0x1FEA, 0x1FEB, 1, -112},
    {0x1FEC, 0x1FEC, 1, -7},     {0x1FF8, 0x1FF9, 1, -128},   {0x1FFA, 0x1FFB, 1, -126},
    {0x1FFC, 0x1FFC, 1, -9},     {0x2126, 0x2126, 1, -7517},  {0x212A, 0x212A, 1, -8383},
    {0x212B, 0x212B, 1, -8262},  {0x2132, 0x2132, 1, 28},     {0x2160, 0x216F, 1, 16},
    {0x2183, 0x2183, 1, 1},      {0x24B6, 0x24CF, 1, 26},     {0x2C00, 0x2C2F, 1, 48},
    {0x2C60, 0x2C60, 1, 1},      {0x2C62, 0x2C62, 1, -10743}, {0x2C63, 0x2C63, 1, -3814},
    {0x2C64, 0x2C64, 1, -10727}, {0x2C67, 0x2C6B, 2, 1},      {0x2C6D, 0x2C6D, 1, -10780},
    {0x2C6E, 0x2C6E, 1, -10749}, {0x2C6F, 0x2C6F, 1, -10783}, {0x2C70, 0x2C70, 1, -10782},
    {0x2C72, 0x2C72, 1, 1},      {0x2C75, 0x2C75, 1, 1},      {0x2C7E, 0x2C7F, 1, -10815},
    {0x2C80, 0x2CE2, 2, 1},      {0x2CEB, 0x2CED, 2, 1},      {0x2CF2, 0x2CF2, 1, 1},
    {0xA640, 0xA66C, 2, 1},      {0xA680, 0xA69A, 2, 1},      {0xA722, 0xA72E, 2, 1},
    {0xA732, 0xA76E, 2, 1},      {0xA779, 0xA77B, 2, 1},      {0xA77D, 0xA77D, 1, -35332},
    {0xA77E, 0xA786, 2, 1},      {0xA78B, 0xA78B, 1, 1},      {0xA78D, 0xA78D, 1, -42280},
    {0xA790, 0xA792, 2, 1},      {0xA796, 0xA7A8, 2, 1},      {0xA7AA, 0xA7AA, 1, -42308},
    {0xA7AB, 0xA7AB, 1, -42319}, {0xA7AC, 0xA7AC, 1, -42315}, {0xA7AD, 0xA7AD, 1, -42305},
    {0xA7AE, 0xA7AE, 1, -42308}, {0xA7B0, 0xA7B0, 1, -42258}, {0xA7B1, 0xA7B1, 1, -42282},
    {0xA7B2, 0xA7B2, 1, -42261}, {0xA7B3, 0xA7B3, 1, 928},    {0xA7B4, 0xA7C2, 2, 1},
    {0xA7C4, 0xA7C4, 1, -48},    {0xA7C5, 0xA7C5, 1, -42307}, {0xA7C6, 0xA7C6, 1, -35384},
    {0xA7C7, 0xA7C9, 2, 1},      {0xA7D0, 0xA7D0, 1, 1},      {0xA7D6, 0xA7D8, 2, 1},
    {0xA7F5, 0xA7F5, 1, 1},      {0xAB70, 0xABBF, 1, -38864}, {0xFF21, 0xFF3A, 1, 32},
};

}  // namespace

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (isHighSurrogate(c)) {
      if (i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
        appendUtf8(out,
                   0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00));
        ++i;
      }
    } else if (!isLowSurrogate(c)) {
      appendUtf8(out, c);
    }
  }
  return out;
}

std::u16string fromUtf8(std::string_view text, bool* valid) {
  std::u16string out;
  out.reserve(text.size());
  auto bad = [&] {
    out.push_back(kReplacement);
    if (valid) *valid = false;
  };
  if (valid) *valid = true;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<uint8_t>(text[i]);
    int length = 0;
    uint32_t cp = 0, minimum = 0;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      length = 2, cp = b & 0x1F, minimum = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      length = 3, cp = b & 0x0F, minimum = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      length = 4, cp = b & 0x07, minimum = 0x10000;
    } else {
      bad();
      ++i;
      continue;
    }
    int taken = 1;
    while (taken < length && i + taken < text.size() &&
           (static_cast<uint8_t>(text[i + taken]) & 0xC0) == 0x80) {
      cp = cp << 6 | (static_cast<uint8_t>(text[i + taken]) & 0x3F);
      ++taken;
    }
    i += taken;
    if (taken < length || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      bad();
    } else if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

bool isSpace(char16_t c) {
  return isSeparator(c) || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

char16_t foldCase(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  auto it = std::upper_bound(std::begin(kFoldRanges), std::end(kFoldRanges), c,
                             [](char16_t v, const FoldRange& r) { return v < r.first; });
  if (it == std::begin(kFoldRanges)) return c;
  const FoldRange& r = *std::prev(it);
  if (c > r.last || (c - r.first) % r.stride != 0) return c;
  return static_cast<char16_t>(c + r.delta);
}

namespace {

struct Expansion {
  char16_t c;
  bool ligature;  // read so in every search, not only when case is ignored
  char16_t units[kMaxSearchExpansion];
};

// Sorted by c. The case foldings are the full foldings of Unicode's case folding table that
// are longer than one character (the Greek letters with iota subscript are left to the simple
// folding); the ligatures are the compatibility decompositions of the Latin and Armenian
// presentation forms.
constexpr Expansion kExpansions[] = {
    {0x00DF, false, {u's', u's'}},
    {0x0149, false, {0x02BC, u'n'}},
    {0x01F0, false, {u'j', 0x030C}},
    {0x0390, false, {0x03B9, 0x0308, 0x0301}},
    {0x03B0, false, {0x03C5, 0x0308, 0x0301}},
    {0x0587, true, {0x0565, 0x0582}},
    {0x1E96, false, {u'h', 0x0331}},
    {0x1E97, false, {u't', 0x0308}},
    {0x1E98, false, {u'w', 0x030A}},
    {0x1E99, false, {u'y', 0x030A}},
    {0x1E9A, false, {u'a', 0x02BE}},
    {0x1E9E, false, {u's', u's'}},
    {0xFB00, true, {u'f', u'f'}},
    {0xFB01, true, {u'f', u'i'}},
    {0xFB02, true, {u'f', u'l'}},
    {0xFB03, true, {u'f', u'f', u'i'}},
    {0xFB04, true, {u'f', u'f', u'l'}},
    {0xFB05, true, {u's', u't'}},
    {0xFB06, true, {u's', u't'}},
    {0xFB13, true, {0x0574, 0x0576}},
    {0xFB14, true, {0x0574, 0x0565}},
    {0xFB15, true, {0x0574, 0x056B}},
    {0xFB16, true, {0x057E, 0x0576}},
    {0xFB17, true, {0x0574, 0x056D}},
};

}  // namespace

int expandForSearch(char16_t c, bool ignoringCase, char16_t* out) {
  if (c < 0x00DF) return 0;
  const Expansion* it = std::lower_bound(std::begin(kExpansions), std::end(kExpansions), c,
                                         [](const Expansion& e, char16_t v) { return e.c < v; });
  if (it == std::end(kExpansions) || it->c != c || (!it->ligature && !ignoringCase)) return 0;
  int count = 0;
  while (count < kMaxSearchExpansion && it->units[count] != 0) {
    out[count] = it->units[count];
    ++count;
  }
  return count;
}

namespace {

void appendExpanded(std::u16string& out, std::u16string_view text, bool ignoringCase) {
  for (char16_t c : text) {
    char16_t units[kMaxSearchExpansion];
    const int count = expandForSearch(c, ignoringCase, units);
    if (count == 0) out.push_back(c);
    out.append(units, units + count);
  }
}

}  // namespace

std::u16string expandedForSearch(std::u16string_view text, bool ignoringCase) {
  std::u16string out;
  out.reserve(text.size());
  appendExpanded(out, text, ignoringCase);
  return out;
}

void appendWithoutLigatures(std::u16string& out, std::u16string_view text) {
  appendExpanded(out, text, false);
}

}  // namespace unicode_text
