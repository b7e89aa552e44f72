#include "viewer/view/text_search_driver.h"

#include <algorithm>
#include <utility>

#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_search.h"
#include "viewer/view/page_text_index.h"
#include "viewer/view/page_text_source.h"

namespace Corvalis::Viewer {

namespace {

std::pair<int32_t, int32_t> startOf(const HitPlace& h) { return {h.startRun, h.start}; }
std::pair<int32_t, int32_t> endOf(const HitPlace& h) { return {h.endRun, h.end}; }

std::optional<HitPlace> placeOf(const PageTextLayout* layout, int32_t page,
                                const std::optional<TextHit>& hit) {
  if (!hit) return std::nullopt;
  HitPlace place;
  place.page = page;
  place.startRun = runIndex(layout, hit->run);
  place.start = hit->start;
  place.endRun = runIndex(layout, hit->endRun);
  place.end = hit->end;
  if (place.startRun < 0 || place.endRun < 0) return std::nullopt;
  return place;
}

// The first hit of the page (forwards) or its last (backwards).
std::optional<TextHit> wholePage(const TextSearch& search, PageTextLayout* layout, bool forward) {
  if (!layout) return std::nullopt;
  if (forward) return layout->firstRun() ? search.findForward(layout->firstRun(), 0) : std::nullopt;
  TextRun* last = layout->lastRun();
  return last ? search.findBackward(last, last->length() - 1) : std::nullopt;
}

}  // namespace

TextRun* runAt(PageTextLayout* layout, int32_t index) {
  if (!layout || index < 0 || index >= static_cast<int32_t>(layout->runs().size())) return nullptr;
  return layout->runs()[static_cast<std::size_t>(index)].get();
}

int32_t runIndex(const PageTextLayout* layout, const TextRun* run) {
  if (!layout || !run) return -1;
  const auto& runs = layout->runs();
  for (std::size_t i = 0; i < runs.size(); ++i)
    if (runs[i].get() == run) return static_cast<int32_t>(i);
  return -1;
}

SearchOutcome findInDocument(PageTextSource& source, const SearchRequest& request, int32_t keepPage,
                             const SearchProgress& progress) {
  SearchOutcome outcome;
  const int32_t count = request.pageCount;
  const TextSearch search(request.phrase, request.caseSensitive, request.ignoringCase);
  const PhraseMatcher matcher(request.phrase, request.caseSensitive, request.ignoringCase);
  if (search.empty() || count < 1 || request.page < 1 || request.page > count) return outcome;
  const bool forward = request.forward;
  const bool continuing = request.after && request.after->page == request.page;
  const bool resuming = request.resumeAfter >= 1 && request.resumeAfter <= count;

  int32_t p = request.page;
  PageTextLayout* layout = nullptr;
  int32_t firstStep = 0;
  if (resuming) {
    p = request.resumeAfter;
    firstStep = std::clamp(request.visitedBefore, 0, count);
    outcome.pagesVisited = firstStep;
  } else {
    layout = source.layout(p);
    std::optional<TextHit> hit;
    if (continuing) {
      const HitPlace& from = *request.after;
      if (forward) {
        if (TextRun* run = runAt(layout, from.startRun))
          hit = search.findForward(run, from.start + 1);
      } else if (TextRun* run = runAt(layout, from.endRun)) {
        hit = search.findBackward(run, from.end - 1);
      }
    } else {
      hit = wholePage(search, layout, forward);
    }
    if ((outcome.hit = placeOf(layout, p, hit))) return outcome;
  }

  // Each page once at most, whatever happens to the page count meanwhile.
  for (int32_t step = firstStep; step < count; ++step) {
    p = forward ? p % count + 1 : (p == 1 ? count : p - 1);
    if (p == request.startPage) {
      // Back where the search began. When it began at a hit of this very page, the part of the
      // page before that hit (after it, backwards) has not been looked at yet.
      if (continuing && request.page == request.startPage) {
        layout = source.layout(p);
        std::optional<HitPlace> place = placeOf(layout, p, wholePage(search, layout, forward));
        const HitPlace& origin = *request.after;
        if (place &&
            (forward ? startOf(*place) <= startOf(origin) : endOf(*place) >= endOf(origin)))
          outcome.hit = place;
      }
      return outcome;
    }
    ++outcome.pagesVisited;
    // A page whose text is known not to hold the phrase is passed over without collecting it.
    if (source.index().mayContain(p, matcher)) {
      const bool known = source.collectedLayout(p) != nullptr;
      layout = source.layout(p);
      if ((outcome.hit = placeOf(layout, p, wholePage(search, layout, forward)))) return outcome;
      if (p != keepPage && !known) source.release(p);
    }
    if (progress && !progress(outcome.pagesVisited, p)) {
      outcome.stoppedAfter = p;
      return outcome;
    }
  }
  return outcome;
}

}  // namespace Corvalis::Viewer
