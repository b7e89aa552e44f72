#include "viewer/view/copy_text.h"

#include <algorithm>
#include <set>

#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_export.h"
#include "engine/layout/text_run.h"
#include "engine/layout/unicode_text.h"
#include "viewer/view/page_text_source.h"
#include "viewer/view/selection_tracker.h"
#include "viewer/view/text_search_driver.h"

namespace Corvalis::Viewer {

std::vector<const TextRun*> runsInEntry(const PageTextLayout& layout, const SelectionEntry& entry) {
  std::vector<const TextRun*> runs;
  for (const auto& run : layout.runs())
    if (!run->text.empty() && entryTouches(entry, *run)) runs.push_back(run.get());
  return runs;
}

std::string selectionText(const SelectionContext& selection, PageTextSource& source) {
  std::vector<std::vector<const TextRun*>> pages;
  std::set<const TextRun*> taken;
  std::set<int32_t> pagesInSelection;
  int32_t previousPage = 0;
  for (const SelectionEntry& entry : selection.entries) {
    PageTextLayout* layout = source.layout(entry.pageNumber);
    if (!layout) continue;
    pagesInSelection.insert(entry.pageNumber);
    if (pages.empty() || entry.pageNumber != previousPage) {
      pages.emplace_back();
      taken.clear();
    }
    previousPage = entry.pageNumber;
    for (const TextRun* run : runsInEntry(*layout, entry))
      if (taken.insert(run).second) pages.back().push_back(run);
  }
  std::string text = text_export::copyText(pages);
  for (int32_t page : pagesInSelection) {
    if (PageTextLayout* layout = source.collectedLayout(page)) {
      clearCharacterMarks(layout);
      for (const auto& run : layout->runs()) run->tight = false;
    }
  }
  return text;
}

std::string hitCopyText(const PageTextLayout& layout, const HitPlace& hit) {
  const auto& runs = layout.runs();
  const auto count = static_cast<int32_t>(runs.size());
  std::u16string text;
  if (hit.startRun >= 0 && hit.startRun <= hit.endRun && hit.endRun < count) {
    const TextRun* previous = nullptr;
    for (int32_t r = hit.startRun; r <= hit.endRun; ++r) {
      const TextRun& run = *runs[static_cast<std::size_t>(r)];
      if (run.text.empty()) continue;
      if (previous) {
        if (run.line != previous->line)
          text += u"\r\n";
        else
          text.push_back(u' ');
      }
      const int32_t from = r == hit.startRun ? std::max(0, hit.start) : 0;
      const int32_t to = r == hit.endRun ? std::min(hit.end, run.length() - 1) : run.length() - 1;
      if (from <= to)
        unicode_text::appendWithoutLigatures(
            text, std::u16string_view(run.text).substr(static_cast<std::size_t>(from),
                                                       static_cast<std::size_t>(to - from + 1)));
      previous = &run;
    }
  }
  return "\xEF\xBB\xBF" + unicode_text::toUtf8(text);
}

QString clipboardText(std::string_view utf8) {
  // The byte-order mark the assembled text starts with stays off the clipboard: pasted into a
  // terminal, a search box or a spell checker it is an invisible character that breaks them.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (utf8.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    utf8.remove_prefix(kByteOrderMark.size());
  const std::u16string wide = unicode_text::fromUtf8(utf8);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

}  // namespace Corvalis::Viewer
