#include "viewer/view/page_text_index.h"

#include <algorithm>

#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_search.h"
#include "engine/layout/unicode_text.h"

namespace Corvalis::Viewer {

void PageTextIndex::resize(int32_t pageCount) {
  if (pageCount < 0) pageCount = 0;
  if (pageCount < static_cast<int32_t>(pages_.size())) {
    for (std::size_t i = static_cast<std::size_t>(pageCount); i < pages_.size(); ++i)
      recorded_ -= pages_[i].recorded;
  }
  pages_.resize(static_cast<std::size_t>(pageCount));
}

void PageTextIndex::merge(const PageTextIndex& other) {
  const std::size_t n = std::min(pages_.size(), other.pages_.size());
  for (std::size_t i = 0; i < n; ++i)
    if (!pages_[i].recorded && other.pages_[i].recorded) {
      pages_[i] = other.pages_[i];
      ++recorded_;
    }
}

bool PageTextIndex::has(int32_t page) const {
  return page >= 1 && page <= pageCount() && pages_[static_cast<std::size_t>(page - 1)].recorded;
}

void PageTextIndex::record(int32_t page, const PageTextLayout& layout) {
  if (page < 1 || page > pageCount()) return;
  Page& entry = pages_[static_cast<std::size_t>(page - 1)];
  entry.text.clear();
  entry.expands = false;
  bool first = true;
  for (const auto& run : layout.runs()) {
    if (run->text.empty()) continue;
    if (!first) entry.text.push_back(kBoundary);
    entry.text += run->text;
    first = false;
  }
  entry.text.shrink_to_fit();
  for (char16_t c : entry.text) {
    char16_t units[unicode_text::kMaxSearchExpansion];
    if (c != kBoundary && unicode_text::expandForSearch(c, true, units) > 0) {
      entry.expands = true;
      break;
    }
  }
  if (!entry.recorded) ++recorded_;
  entry.recorded = true;
}

const std::u16string* PageTextIndex::text(int32_t page) const {
  return has(page) ? &pages_[static_cast<std::size_t>(page - 1)].text : nullptr;
}

bool PageTextIndex::mayContain(int32_t page, const PhraseMatcher& matcher) const {
  if (!has(page)) return true;
  const Page& entry = pages_[static_cast<std::size_t>(page - 1)];
  // A page with ligatures is read expanded, as the search reads it (kBoundary never expands).
  std::u16string expanded;
  if (entry.expands)
    expanded = unicode_text::expandedForSearch(entry.text, !matcher.caseSensitive());
  const std::u16string& text = entry.expands ? expanded : entry.text;
  const std::u16string& t = matcher.phrase();
  const std::size_t n = t.size();
  if (n == 0 || text.size() < n) return false;
  auto matches = [&](char16_t h, std::size_t j) {
    return h == kBoundary ? unicode_text::isSeparator(t[j]) : matcher.matches(h, j);
  };
  // Every start is tried: a boundary stands for any separator, so skipping starts by the
  // phrase's own borders could pass over a place where the search itself finds a hit.
  for (std::size_t i = 0; i + n <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < n && matches(text[i + j], j)) ++j;
    if (j == n) return true;
  }
  return false;
}

PhraseMatcher::PhraseMatcher(std::u16string phrase, bool caseSensitive, CharacterMatch ignoringCase)
    : caseSensitive_(caseSensitive), ignoringCase_(std::move(ignoringCase)) {
  if (phrase.size() > TextSearch::kMaxPhraseLength) phrase.resize(TextSearch::kMaxPhraseLength);
  phrase_ = unicode_text::expandedForSearch(phrase, !caseSensitive_);
  std::u16string distinct;
  for (char16_t c : phrase_) {
    std::size_t at = distinct.find(c);
    if (at == std::u16string::npos) {
      at = distinct.size();
      distinct.push_back(c);
    }
    tableOf_.push_back(at);
  }
  tables_.resize(distinct.size());
}

PhraseMatcher::~PhraseMatcher() = default;

bool PhraseMatcher::matches(char16_t c, std::size_t index) const {
  const char16_t wanted = phrase_[index];
  if (c == wanted) return true;
  if (caseSensitive_) return false;
  std::unique_ptr<int8_t[]>& table = tables_[tableOf_[index]];
  if (!table) {
    table = std::make_unique<int8_t[]>(0x10000);
    std::fill_n(table.get(), 0x10000, int8_t{-1});
  }
  int8_t& known = table[c];
  if (known < 0) {
    const bool same = ignoringCase_ ? ignoringCase_(c, wanted)
                                    : unicode_text::foldCase(c) == unicode_text::foldCase(wanted);
    known = same ? 1 : 0;
  }
  return known == 1;
}

}  // namespace Corvalis::Viewer
