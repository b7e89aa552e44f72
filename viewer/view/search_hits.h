#pragma once
// Every hit of the search being shown: those of a page on screen, painted lighter than the
// current one, and their count through the document, taken from the page text index as it fills
// in idle moments ("Hit 3 of 27", or "Hit 3 of at least 12" until every page is known).

#include <QObject>
#include <QRegion>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/layout/text_search.h"
#include "viewer/view/text_search_driver.h"

class QPainter;
class QTimer;
class PageTextLayout;

namespace Corvalis::Viewer {

class PageTextSource;
struct PageGeometry;

class SearchHits : public QObject {
  Q_OBJECT
 public:
  // Counting goes on in slices of this many milliseconds, this long apart, while pages are still
  // to be counted.
  static constexpr int kCountSliceMs = 8;
  static constexpr int kCountPauseMs = 40;
  // Hits of one page beyond this many are neither painted nor counted.
  static constexpr int32_t kMaxHitsPerPage = 100000;
  // Pages whose hits are kept for painting.
  static constexpr std::size_t kMaxPagesKept = 8;
  // Hits other than the current one: the search highlight, lighter.
  static constexpr unsigned kOtherHitArgb = 0x3C0064A2;

  explicit SearchHits(QObject* parent = nullptr);
  ~SearchHits() override;

  // The search that found the hit being shown; the same search as before keeps its count.
  void setSearch(PageTextSource* source, const std::u16string& phrase, bool caseSensitive,
                 const CharacterMatch& ignoringCase);
  // No search is shown any more: nothing is painted or counted.
  void clear();
  bool active() const { return source_ != nullptr; }

  // The hits of a page in reading order (its text is collected now when it has none).
  const std::vector<HitPlace>& hitsOnPage(int32_t page);
  // Paints every hit of the page but current, within clip.
  void paint(QPainter& painter, int32_t page, const PageGeometry& geometry,
             const std::optional<HitPlace>& current, const QRegion& clip);

  struct Count {
    // 1-based place of the current hit in the document; 0 while pages before it are not known.
    int64_t ordinal = 0;
    // Hits on the pages known so far.
    int64_t total = 0;
    bool complete = false;
  };
  Count count(const HitPlace& current);
  // "Hit 3 of 27", "Hit 3 of at least 12", or "Hit on page 57 (counting...)".
  QString statusText(const HitPlace& current);

  // Counts pages of the index not counted yet for about budgetMs; true when something changed.
  bool countMore(int budgetMs);

 signals:
  // More pages have been counted.
  void countChanged();

 private:
  void syncPageCount();

  PageTextSource* source_ = nullptr;
  std::u16string phrase_;
  bool caseSensitive_ = false;
  std::unique_ptr<TextSearch> search_;
  // Hits of each page from the index: -1 while the page is not known.
  std::vector<int32_t> pageCounts_;
  int32_t counted_ = 0;
  std::map<int32_t, std::vector<HitPlace>> pageHits_;
  QTimer* timer_;
};

// The hits of a text as the page text index keeps it (runs separated by its boundary mark),
// found as the search finds them one after the other; at most limit.
int32_t countHits(const TextSearch& search, const std::u16string& indexText, int32_t limit);

}  // namespace Corvalis::Viewer
