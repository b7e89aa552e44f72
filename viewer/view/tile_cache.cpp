#include "viewer/view/tile_cache.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

void TileCache::trim(int32_t focusPage, int32_t zoomKey, int32_t rotation,
                     const std::vector<TileKey>& pinned) {
  if (bytes_ <= budget_) return;
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
    if (bytes_ <= budget_) break;
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
