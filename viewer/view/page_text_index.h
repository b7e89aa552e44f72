#pragma once
// What the pages of a document say, kept compactly once each page has been looked at, so that
// a search can pass over pages that cannot hold the phrase without collecting their text again.

#include <cstdint>
#include <string>
#include <vector>

class PageTextLayout;

namespace Corvalis::Viewer {

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
  bool mayContain(int32_t page, const std::u16string& phrase, bool caseSensitive) const;
  int32_t recorded() const { return recorded_; }
  int32_t pageCount() const { return static_cast<int32_t>(pages_.size()); }

 private:
  struct Page {
    bool recorded = false;
    std::u16string text;
  };
  std::vector<Page> pages_;
  int32_t recorded_ = 0;
};

}  // namespace Corvalis::Viewer
