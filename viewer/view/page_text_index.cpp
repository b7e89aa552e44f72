#include "viewer/view/page_text_index.h"

#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_search.h"
#include "engine/layout/unicode_text.h"

namespace Corvalis::Viewer {

void PageTextIndex::resize(int32_t pageCount) {
  if (pageCount < 0) pageCount = 0;
  if (pageCount < static_cast<int32_t>(pages_.size())) {
    for (std::size_t i = static_cast<std::size_t>(pageCount); i < pages_.size(); ++i) recorded_ -= pages_[i].recorded;
  }
  pages_.resize(static_cast<std::size_t>(pageCount));
}

bool PageTextIndex::has(int32_t page) const {
  return page >= 1 && page <= pageCount() && pages_[static_cast<std::size_t>(page - 1)].recorded;
}

void PageTextIndex::record(int32_t page, const PageTextLayout& layout) {
  if (page < 1 || page > pageCount()) return;
  Page& entry = pages_[static_cast<std::size_t>(page - 1)];
  entry.text.clear();
  bool first = true;
  for (const auto& run : layout.runs()) {
    if (run->text.empty()) continue;
    if (!first) entry.text.push_back(kBoundary);
    entry.text += run->text;
    first = false;
  }
  entry.text.shrink_to_fit();
  if (!entry.recorded) ++recorded_;
  entry.recorded = true;
}

bool PageTextIndex::mayContain(int32_t page, const std::u16string& phrase, bool caseSensitive) const {
  if (!has(page)) return true;
  const std::u16string& text = pages_[static_cast<std::size_t>(page - 1)].text;
  std::u16string t = phrase.substr(0, TextSearch::kMaxPhraseLength);
  if (t.empty()) return false;
  auto fold = [caseSensitive](char16_t c) { return caseSensitive ? c : unicode_text::foldCase(c); };
  for (char16_t& c : t) c = fold(c);
  const int32_t n = static_cast<int32_t>(t.size());
  auto matches = [&](char16_t h, char16_t wanted) {
    return h == kBoundary ? unicode_text::isSeparator(wanted) : fold(h) == wanted;
  };
  // Every start is tried: a boundary stands for any separator, so skipping starts by the
  // phrase's own borders could pass over a place where the search itself finds a hit.
  const std::size_t last = text.size() >= t.size() ? text.size() - t.size() : 0;
  if (text.size() < t.size()) return false;
  for (std::size_t i = 0; i <= last; ++i) {
    int32_t j = 0;
    while (j < n && matches(text[i + static_cast<std::size_t>(j)], t[static_cast<std::size_t>(j)])) ++j;
    if (j == n) return true;
  }
  return false;
}

}  // namespace Corvalis::Viewer
