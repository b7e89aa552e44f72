#pragma once
// Small text helpers for font names. Names are UTF-8; lengths are counted in characters.

#include <string>
#include <string_view>
#include <vector>

namespace brevia::platform {

// Number of characters (code points) in UTF-8 text; stray continuation bytes do not count.
size_t charCount(std::string_view text);

// Byte offset of character `index`, or text.size() when the text is shorter.
size_t byteOffsetOfChar(std::string_view text, size_t index);

// The first maxChars characters of text, never cutting a character in two.
std::string truncateChars(std::string_view text, size_t maxChars);

bool contains(std::string_view text, std::string_view part);
bool equalsIgnoreCase(std::string_view a, std::string_view b);  // ASCII letters only
std::string lowerAscii(std::string_view text);
bool endsWith(std::string_view text, std::string_view tail);

// The words of text between blanks, at most maxWords of them.
std::vector<std::string> splitWords(std::string_view text, size_t maxWords);

}  // namespace brevia::platform
