#pragma once
// The drawn pieces of the strip's pages, kept within a memory budget. A page small enough is one
// piece; a larger one (a high zoom) is cut into square tiles, so that no giant bitmap is ever
// needed and only the tiles in sight are drawn. Over the budget, the pieces of other zooms and
// rotations go first, then those of the pages farthest from the one being read.

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

namespace Corvalis::Viewer {

struct TileKey {
  // What the piece is for: the strip, or the thumbnails (drawn at their own small zoom).
  enum Kind : int32_t { Strip = 0, Thumbnail = 1 };
  int32_t kind = Strip;
  int32_t page = 0;
  // The zoom in ten-thousandths, and the view's rotation.
  int32_t zoomKey = 0;
  int32_t rotation = 0;
  // The piece's top-left corner in the shown page's pixels.
  int32_t x = 0;
  int32_t y = 0;

  auto tie() const { return std::tie(kind, page, zoomKey, rotation, x, y); }
  bool operator<(const TileKey& o) const { return tie() < o.tie(); }
  bool operator==(const TileKey& o) const { return tie() == o.tie(); }
};

int32_t zoomKeyOf(double zoom);

class TileCache {
 public:
  static constexpr std::int64_t kDefaultBudgetBytes = 256LL * 1024 * 1024;
  // A page of at most this many pixels is drawn whole; larger pages in tiles of this side.
  static constexpr std::int64_t kWholePagePixels = 8LL * 1024 * 1024;
  static constexpr int kTileSide = 1024;

  // The pieces a page of this shown size is drawn in, in its own pixels, rows top to bottom.
  static std::vector<QRect> piecesOf(QSize shown);

  void setBudget(std::int64_t bytes) { budget_ = bytes; }
  std::int64_t budget() const { return budget_; }
  std::int64_t bytes() const { return bytes_; }
  std::size_t size() const { return tiles_.size(); }

  void insert(const TileKey& key, QImage image);
  // Null when the piece is not kept.
  const QImage* find(const TileKey& key) const;
  bool contains(const TileKey& key) const { return tiles_.count(key) != 0; }
  // The pieces kept of a page at the zoom nearest to zoomKey but not it (same kind and
  // rotation), with that zoom's key; none when there are none. They stand in, scaled, for the
  // page while it is drawn at the new zoom.
  std::pair<int32_t, std::vector<std::pair<TileKey, const QImage*>>> otherZoom(
      int32_t kind, int32_t page, int32_t zoomKey, int32_t rotation) const;
  // Brings the kept pieces within the budget less reserveBytes (room for the pieces being
  // drawn), keeping those of the current zoom and rotation nearest to focusPage; pieces of kind
  // and the zoom that are pinned (in sight) stay.
  void trim(int32_t focusPage, int32_t zoomKey, int32_t rotation,
            const std::vector<TileKey>& pinned = {}, std::int64_t reserveBytes = 0);
  // Forgets every piece of a kind (a changed document, other drawing settings).
  void clear(int32_t kind);
  void clear();

 private:
  std::map<TileKey, QImage> tiles_;
  std::int64_t bytes_ = 0;
  std::int64_t budget_ = kDefaultBudgetBytes;
};

}  // namespace Corvalis::Viewer
