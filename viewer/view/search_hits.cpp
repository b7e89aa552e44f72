#include "viewer/view/search_hits.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <unordered_map>

#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_run.h"
#include "viewer/view/page_text_index.h"
#include "viewer/view/page_text_source.h"
#include "viewer/view/selection_tracker.h"

namespace Corvalis::Viewer {

namespace {

// The hits of a chain of runs from first, one after the other as "find next" goes.
template <typename Each>
void eachHit(const TextSearch& search, TextRun* first, int32_t limit, Each each) {
  if (!first) return;
  std::optional<TextHit> hit = search.findForward(first, 0);
  for (int32_t n = 0; hit && n < limit; ++n) {
    each(*hit);
    hit = search.findForward(hit->run, hit->start + 1);
  }
}

}  // namespace

int32_t countHits(const TextSearch& search, const std::u16string& indexText, int32_t limit) {
  std::vector<TextRun> runs;
  std::size_t from = 0;
  while (from <= indexText.size()) {
    std::size_t to = indexText.find(PageTextIndex::kBoundary, from);
    if (to == std::u16string::npos) to = indexText.size();
    if (to > from) runs.emplace_back().text = indexText.substr(from, to - from);
    from = to + 1;
  }
  for (std::size_t i = 0; i < runs.size(); ++i) {
    runs[i].previous = i > 0 ? &runs[i - 1] : nullptr;
    runs[i].next = i + 1 < runs.size() ? &runs[i + 1] : nullptr;
  }
  int32_t count = 0;
  eachHit(search, runs.empty() ? nullptr : &runs.front(), limit, [&](const TextHit&) { ++count; });
  return count;
}

SearchHits::SearchHits(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (!active()) return;
    if (countMore(kCountSliceMs)) emit countChanged();
    if (active() && counted_ < static_cast<int32_t>(pageCounts_.size()))
      timer_->start(kCountPauseMs);
  });
}

SearchHits::~SearchHits() = default;

void SearchHits::setSearch(PageTextSource* source, const std::u16string& phrase, bool caseSensitive,
                           const CharacterMatch& ignoringCase) {
  if (source == source_ && phrase == phrase_ && caseSensitive == caseSensitive_ && search_) {
    if (!timer_->isActive() && counted_ < static_cast<int32_t>(pageCounts_.size()))
      timer_->start(kCountPauseMs);
    return;
  }
  clear();
  if (!source) return;
  source_ = source;
  phrase_ = phrase;
  caseSensitive_ = caseSensitive;
  search_ = std::make_unique<TextSearch>(phrase, caseSensitive, ignoringCase);
  syncPageCount();
  timer_->start(0);
}

void SearchHits::clear() {
  timer_->stop();
  source_ = nullptr;
  phrase_.clear();
  search_.reset();
  pageCounts_.clear();
  counted_ = 0;
  pageHits_.clear();
}

void SearchHits::syncPageCount() {
  if (!source_) return;
  const int32_t pages = std::max(source_->index().pageCount(), 0);
  if (pages == static_cast<int32_t>(pageCounts_.size())) return;
  // The page tree was completed (or lowered): the count starts again.
  pageCounts_.assign(static_cast<std::size_t>(pages), -1);
  counted_ = 0;
}

const std::vector<HitPlace>& SearchHits::hitsOnPage(int32_t page) {
  static const std::vector<HitPlace> kNone;
  if (!active()) return kNone;
  if (auto found = pageHits_.find(page); found != pageHits_.end()) return found->second;
  PageTextLayout* layout = source_->layout(page);
  if (!layout) return kNone;
  std::unordered_map<const TextRun*, int32_t> indexOf;
  for (std::size_t i = 0; i < layout->runs().size(); ++i)
    indexOf[layout->runs()[i].get()] = static_cast<int32_t>(i);
  std::vector<HitPlace> hits;
  eachHit(*search_, layout->firstRun(), kMaxHitsPerPage, [&](const TextHit& hit) {
    hits.push_back({page, indexOf[hit.run], hit.start, indexOf[hit.endRun], hit.end});
  });
  if (pageHits_.size() >= kMaxPagesKept) pageHits_.erase(pageHits_.begin());
  return pageHits_[page] = std::move(hits);
}

void SearchHits::paint(QPainter& painter, int32_t page, const PageGeometry& geometry,
                       const std::optional<HitPlace>& current, const QRegion& clip) {
  if (!active() || clip.isEmpty()) return;
  const std::vector<HitPlace>& hits = hitsOnPage(page);
  PageTextLayout* layout = hits.empty() ? nullptr : source_->collectedLayout(page);
  if (!layout) return;
  QRegion area;
  for (const HitPlace& hit : hits) {
    if (current && current->page == hit.page && current->startRun == hit.startRun &&
        current->start == hit.start)
      continue;
    for (int32_t r = hit.startRun; r <= hit.endRun; ++r) {
      const TextRun* run = runAt(layout, r);
      if (!run || run->text.empty()) continue;
      const int32_t first = r == hit.startRun ? hit.start : 0;
      const int32_t last = r == hit.endRun ? hit.end : run->length() - 1;
      area += characterRect(*run, first, last, geometry);
    }
  }
  area &= clip;
  if (area.isEmpty()) return;
  painter.save();
  painter.setClipRegion(area, Qt::IntersectClip);
  painter.fillRect(area.boundingRect(), QColor::fromRgba(kOtherHitArgb));
  painter.restore();
}

bool SearchHits::countMore(int budgetMs) {
  if (!active()) return false;
  syncPageCount();
  const PageTextIndex& index = source_->index();
  QElapsedTimer clock;
  clock.start();
  bool changed = false;
  for (std::size_t i = 0; i < pageCounts_.size(); ++i) {
    if (pageCounts_[i] >= 0) continue;
    const std::u16string* text = index.text(static_cast<int32_t>(i + 1));
    if (!text) continue;
    pageCounts_[i] = countHits(*search_, *text, kMaxHitsPerPage);
    ++counted_;
    changed = true;
    if (clock.elapsed() >= budgetMs) break;
  }
  return changed;
}

SearchHits::Count SearchHits::count(const HitPlace& current) {
  Count result;
  if (!active()) return result;
  syncPageCount();
  // The current page's hits are those it shows, found in its runs.
  const std::vector<HitPlace>& here = hitsOnPage(current.page);
  const auto at = std::find_if(here.begin(), here.end(), [&](const HitPlace& h) {
    return h.startRun == current.startRun && h.start == current.start;
  });
  bool before = at != here.end();
  bool all = true;
  for (std::size_t i = 0; i < pageCounts_.size(); ++i) {
    const int32_t page = static_cast<int32_t>(i + 1);
    if (page == current.page) {
      result.total += static_cast<int64_t>(here.size());
    } else if (pageCounts_[i] < 0) {
      all = false;
      if (page < current.page) before = false;
    } else {
      result.total += pageCounts_[i];
      if (page < current.page) result.ordinal += pageCounts_[i];
    }
  }
  // A page beyond those the index knows (the page count just changed) counts on its own.
  if (current.page < 1 || current.page > static_cast<int32_t>(pageCounts_.size())) {
    result.total += static_cast<int64_t>(here.size());
    before = false;
  }
  result.ordinal = before ? result.ordinal + (at - here.begin()) + 1 : 0;
  result.complete = all && !pageCounts_.empty();
  return result;
}

QString SearchHits::statusText(const HitPlace& current) {
  const Count c = count(current);
  if (c.ordinal == 0) return QStringLiteral("Hit on page %1 (counting...)").arg(current.page);
  if (c.complete) return QStringLiteral("Hit %1 of %2").arg(c.ordinal).arg(c.total);
  return QStringLiteral("Hit %1 of at least %2").arg(c.ordinal).arg(c.total);
}

}  // namespace Corvalis::Viewer
