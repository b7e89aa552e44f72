#pragma once
// Finding a phrase through the whole document: page by page from a starting point, forwards
// or backwards, with wrap-around that stops where the search began.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/layout/text_search.h"

class PageTextLayout;
struct TextRun;

namespace Corvalis::Viewer {

class PageTextSource;

// A hit as places in its page's runs (indices into the page's run list), so that it stays
// meaningful when the page's runs are collected again.
struct HitPlace {
  int32_t page = 0;
  int32_t startRun = 0;
  int32_t start = 0;
  int32_t endRun = 0;
  int32_t end = 0;
};

struct SearchRequest {
  std::u16string phrase;
  bool caseSensitive = false;
  // How characters compare when case is ignored (simple case folding when empty).
  CharacterMatch ignoringCase;
  bool forward = true;
  int32_t pageCount = 0;
  // The page the search began on: coming back to it ends the search.
  int32_t startPage = 1;
  // The page to look on first; with after, the search continues after (or, backwards, before)
  // that hit, else it starts at the page's first (or last) character.
  int32_t page = 1;
  std::optional<HitPlace> after;
  // Going on with a search that stopped: the last page it looked at and how many pages other
  // than the first it had visited (0: a new search).
  int32_t resumeAfter = 0;
  int32_t visitedBefore = 0;
};

struct SearchOutcome {
  std::optional<HitPlace> hit;
  // Pages other than the first that were looked at.
  int32_t pagesVisited = 0;
  // When the progress callback stopped the search: the last page looked at (0: not stopped).
  // The request with resumeAfter and visitedBefore set from here goes on from there.
  int32_t stoppedAfter = 0;
};

// Called after every further page looked at without a hit, with the pages visited so far and
// the page just visited; false stops the search there.
using SearchProgress = std::function<bool(int32_t visited, int32_t page)>;

// Pages scanned on the way and without a hit are released again, except keepPage.
SearchOutcome findInDocument(PageTextSource& source, const SearchRequest& request, int32_t keepPage,
                             const SearchProgress& progress);

// The run of a page's layout at index (null when out of range), and the index of a run.
TextRun* runAt(PageTextLayout* layout, int32_t index);
int32_t runIndex(const PageTextLayout* layout, const TextRun* run);

}  // namespace Corvalis::Viewer
