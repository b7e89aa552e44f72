#pragma once
// What the pages of a document say, kept compactly once each page has been looked at, so that
// a search can pass over pages that cannot hold the phrase without collecting their text again.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/layout/text_search.h"

class PageTextLayout;

namespace Corvalis::Viewer {

// A phrase's characters as a search compares them, each comparison asked once: a table per
// distinct phrase character over every UTF-16 unit, filled as units turn up. Ligatures and
// long case foldings in the phrase are read as their letters, as the search reads them.
class PhraseMatcher {
 public:
  PhraseMatcher(std::u16string phrase, bool caseSensitive, CharacterMatch ignoringCase = {});
  ~PhraseMatcher();
  const std::u16string& phrase() const { return phrase_; }
  bool caseSensitive() const { return caseSensitive_; }
  // Whether unit c of a text matches the phrase's character at index.
  bool matches(char16_t c, std::size_t index) const;

 private:
  std::u16string phrase_;
  bool caseSensitive_;
  CharacterMatch ignoringCase_;
  // For each phrase position, its distinct character's table: -1 not asked yet, 0 or 1.
  std::vector<std::size_t> tableOf_;
  mutable std::vector<std::unique_ptr<int8_t[]>> tables_;
};

class PageTextIndex {
 public:
  // Marks the boundary between two runs in a page's text.
  static constexpr char16_t kBoundary = 0xFFFF;

  void resize(int32_t pageCount);
  bool has(int32_t page) const;
  // Records the page's runs (those with text, in reading order, boundaries between them).
  void record(int32_t page, const PageTextLayout& layout);
  // False only when the page cannot hold a hit of the phrase: a run boundary matches a
  // separator of the phrase, characters match as the search compares them. A page not yet
  // recorded may hold one.
  bool mayContain(int32_t page, const PhraseMatcher& matcher) const;
  int32_t recorded() const { return recorded_; }
  // The recorded text of a page (runs with text, kBoundary between them); null when the page is
  // not recorded.
  const std::u16string* text(int32_t page) const;
  int32_t pageCount() const { return static_cast<int32_t>(pages_.size()); }
  // Takes the pages another index of the same document has recorded and this one has not.
  void merge(const PageTextIndex& other);

 private:
  struct Page {
    bool recorded = false;
    // Whether text holds a character that a search reads as several (a ligature, ß).
    bool expands = false;
    std::u16string text;
  };
  std::vector<Page> pages_;
  int32_t recorded_ = 0;
};

}  // namespace Corvalis::Viewer
