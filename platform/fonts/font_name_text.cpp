#include "platform/fonts/font_name_text.h"

namespace brevia::platform {
namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

size_t charCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    if (!isContinuation(c)) ++count;
  }
  return count;
}

size_t byteOffsetOfChar(std::string_view text, size_t index) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (isContinuation(text[i])) continue;
    if (seen == index) return i;
    ++seen;
  }
  return text.size();
}

std::string truncateChars(std::string_view text, size_t maxChars) {
  return std::string(text.substr(0, byteOffsetOfChar(text, maxChars)));
}

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerChar(a[i]) != lowerChar(b[i])) return false;
  }
  return true;
}

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = lowerChar(c);
  return lower;
}

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::vector<std::string> splitWords(std::string_view text, size_t maxWords) {
  std::vector<std::string> words;
  size_t pos = 0;
  while (words.size() < maxWords) {
    size_t start = text.find_first_not_of(' ', pos);
    if (start == std::string_view::npos) break;
    size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    words.emplace_back(text.substr(start, end - start));
    pos = end;
  }
  return words;
}

}  // namespace brevia::platform
