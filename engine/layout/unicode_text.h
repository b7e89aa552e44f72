#pragma once
// Conversions and character classes for page text: UTF-16 runs to UTF-8 and back, the
// separators that search treats as word boundaries, and locale-independent case folding.

#include <string>
#include <string_view>

namespace unicode_text {

// UTF-16 to UTF-8. Valid surrogate pairs become four-byte sequences; lone surrogates are
// dropped.
std::string toUtf8(std::u16string_view text);

// UTF-8 to UTF-16. Four-byte sequences become surrogate pairs. A malformed sequence becomes
// U+FFFD and clears *valid when given.
std::u16string fromUtf8(std::string_view text, bool* valid = nullptr);

// Blank, no-break space, tab, line feed, form feed, carriage return: what a run boundary
// stands for in a search phrase.
inline bool isSeparator(char16_t c) {
  return c == u' ' || c == 0x00A0 || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// Characters that print as empty space on a line (a blank must not follow one of them).
bool isSpace(char16_t c);

inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Simple (one-to-one) Unicode case folding of a unit of the Basic Multilingual Plane, the same
// for every locale; other units are returned unchanged.
char16_t foldCase(char16_t c);

// The characters a search reads a single one as, when it stands for several: typographic
// ligatures always (U+FB01 reads as "fi", so "find" finds the ligature that TeX fonts print),
// and when case is ignored also the case foldings that are longer than one character (ß and ẞ
// read as "ss", ŉ as ʼn). Writes up to kMaxSearchExpansion units to out and returns how many;
// 0 when c reads as itself.
constexpr int kMaxSearchExpansion = 3;
int expandForSearch(char16_t c, bool ignoringCase, char16_t* out);
// text with every character expanded so.
std::u16string expandedForSearch(std::u16string_view text, bool ignoringCase);
// Appends text with its typographic ligatures as their letters, as exported and copied text
// has them: pasted elsewhere, "ﬁle" would not be found, spelled or sorted as "file".
void appendWithoutLigatures(std::u16string& out, std::u16string_view text);

}  // namespace unicode_text
