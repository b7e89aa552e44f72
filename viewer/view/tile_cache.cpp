#include "viewer/view/tile_cache.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace Corvalis::Viewer {

namespace {

std::int64_t bytesOf(const QImage& image) { return static_cast<std::int64_t>(image.sizeInBytes()); }

}  // namespace

int32_t zoomKeyOf(double zoom) { return static_cast<int32_t>(std::lround(zoom * 10000.0)); }

std::vector<QRect> TileCache::piecesOf(QSize shown) {
  std::vector<QRect> out;
  if (shown.isEmpty()) return out;
  if (std::int64_t(shown.width()) * shown.height() <= kWholePagePixels) {
    out.emplace_back(QPoint(0, 0), shown);
    return out;
  }
  for (int y = 0; y < shown.height(); y += kTileSide)
    for (int x = 0; x < shown.width(); x += kTileSide)
      out.emplace_back(x, y, std::min(kTileSide, shown.width() - x),
                       std::min(kTileSide, shown.height() - y));
  return out;
}

void TileCache::insert(const TileKey& key, QImage image) {
  if (image.isNull()) return;
  auto it = tiles_.find(key);
  if (it != tiles_.end()) {
    bytes_ -= bytesOf(it->second);
    it->second = std::move(image);
    bytes_ += bytesOf(it->second);
    return;
  }
  bytes_ += bytesOf(image);
  tiles_.emplace(key, std::move(image));
}

const QImage* TileCache::find(const TileKey& key) const {
  auto it = tiles_.find(key);
  return it == tiles_.end() ? nullptr : &it->second;
}

std::pair<int32_t, std::vector<std::pair<TileKey, const QImage*>>> TileCache::otherZoom(
    int32_t kind, int32_t page, int32_t zoomKey, int32_t rotation) const {
  TileKey first;
  first.kind = kind;
  first.page = page;
  first.zoomKey = std::numeric_limits<int32_t>::min();
  first.rotation = first.x = first.y = std::numeric_limits<int32_t>::min();
  const auto begin = tiles_.lower_bound(first);
  const auto ofPage = [&](auto it) {
    return it != tiles_.end() && it->first.kind == kind && it->first.page == page;
  };
  // The nearest zoom by ratio: 200 % stands in for 150 % rather than 100 %.
  int32_t best = 0;
  double bestDistance = 0;
  for (auto it = begin; ofPage(it); ++it) {
    const int32_t z = it->first.zoomKey;
    if (z == zoomKey || z <= 0 || it->first.rotation != rotation || zoomKey <= 0) continue;
    const double distance = std::abs(std::log(double(z) / double(zoomKey)));
    if (best == 0 || distance < bestDistance) {
      best = z;
      bestDistance = distance;
    }
  }
  std::vector<std::pair<TileKey, const QImage*>> out;
  if (best == 0) return {0, out};
  for (auto it = begin; ofPage(it); ++it)
    if (it->first.zoomKey == best && it->first.rotation == rotation)
      out.emplace_back(it->first, &it->second);
  return {best, out};
}

void TileCache::trim(int32_t focusPage, int32_t zoomKey, int32_t rotation,
                     const std::vector<TileKey>& pinned, std::int64_t reserveBytes) {
  const std::int64_t limit = std::max<std::int64_t>(0, budget_ - reserveBytes);
  if (bytes_ <= limit) return;
  // Farthest first: other settings count as farther than any page of the current ones.
  std::vector<std::pair<std::int64_t, TileKey>> order;
  order.reserve(tiles_.size());
  for (const auto& [key, image] : tiles_) {
    if (std::find(pinned.begin(), pinned.end(), key) != pinned.end()) continue;
    std::int64_t distance = std::abs(static_cast<std::int64_t>(key.page) - focusPage);
    if (key.zoomKey != zoomKey || key.rotation != rotation) distance += (std::int64_t(1) << 40);
    order.emplace_back(distance, key);
  }
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [distance, key] : order) {
    if (bytes_ <= limit) break;
    auto it = tiles_.find(key);
    bytes_ -= bytesOf(it->second);
    tiles_.erase(it);
  }
}

void TileCache::clear(int32_t kind) {
  for (auto it = tiles_.begin(); it != tiles_.end();) {
    if (it->first.kind == kind) {
      bytes_ -= bytesOf(it->second);
      it = tiles_.erase(it);
    } else {
      ++it;
    }
  }
}

void TileCache::clear() {
  tiles_.clear();
  bytes_ = 0;
}

}  // namespace Corvalis::Viewer
