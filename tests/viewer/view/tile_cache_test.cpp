#include "viewer/view/tile_cache.h"

#include <gtest/gtest.h>

namespace Corvalis::Viewer {
namespace {

QImage piece(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  return image;
}

TileKey keyOf(int page, int zoomKey = 10000, int y = 0) {
  TileKey k;
  k.page = page;
  k.zoomKey = zoomKey;
  k.y = y;
  return k;
}

TEST(TileCache, LargePagesAreCutIntoTilesThatCoverThemOnce) {
  // An A4 page at 400 % on a 96 dpi screen.
  const QSize a4(3176, 4492);
  const std::vector<QRect> pieces = TileCache::piecesOf(a4);
  ASSERT_GT(pieces.size(), 1u);
  long long area = 0;
  for (const QRect& r : pieces) {
    EXPECT_LE(r.width(), TileCache::kTileSide);
    EXPECT_LE(r.height(), TileCache::kTileSide);
    EXPECT_TRUE(QRect(QPoint(0, 0), a4).contains(r));
    area += static_cast<long long>(r.width()) * r.height();
  }
  EXPECT_EQ(area, static_cast<long long>(a4.width()) * a4.height());
  // A page at fit width is one piece.
  EXPECT_EQ(TileCache::piecesOf(QSize(1905, 2694)), std::vector<QRect>{QRect(0, 0, 1905, 2694)});
  EXPECT_TRUE(TileCache::piecesOf(QSize()).empty());
}

TEST(TileCache, StaysWithinItsBudgetLettingTheFarthestGoFirst) {
  TileCache cache;
  const std::int64_t one = piece(100).sizeInBytes();
  cache.setBudget(3 * one);
  for (int page = 1; page <= 6; ++page) cache.insert(keyOf(page), piece(100));
  cache.insert(keyOf(4, 20000), piece(100));  // another zoom, on the page being read
  EXPECT_EQ(cache.bytes(), 7 * one);
  // Pinned pieces (in sight) stay even when they are far.
  cache.trim(4, 10000, 0, {keyOf(1)});
  EXPECT_LE(cache.bytes(), 3 * one);
  EXPECT_TRUE(cache.contains(keyOf(1)));
  EXPECT_TRUE(cache.contains(keyOf(4)));
  EXPECT_FALSE(cache.contains(keyOf(4, 20000)));
  EXPECT_FALSE(cache.contains(keyOf(6)));
  // Room kept for pieces on their way lets one more go.
  cache.trim(4, 10000, 0, {keyOf(1)}, one);
  EXPECT_LE(cache.bytes(), 2 * one);
  EXPECT_TRUE(cache.contains(keyOf(1)));
  EXPECT_TRUE(cache.contains(keyOf(4)));
  // Replacing a piece counts its bytes once.
  cache.insert(keyOf(4), piece(50));
  EXPECT_EQ(cache.bytes(), one + piece(50).sizeInBytes());
  cache.clear(TileKey::Strip);
  EXPECT_EQ(cache.bytes(), 0);
  EXPECT_EQ(cache.size(), 0u);
}

TEST(TileCache, TheNearestOtherZoomOfAPageStandsInForIt) {
  TileCache cache;
  cache.insert(keyOf(2, 10000), piece(10));
  cache.insert(keyOf(2, 30000, 0), piece(30));
  cache.insert(keyOf(2, 30000, 1024), piece(30));
  cache.insert(keyOf(3, 20000), piece(20));
  TileKey turned = keyOf(2, 19000);
  turned.rotation = 90;
  cache.insert(turned, piece(19));
  // By ratio 140 % is nearer 100 % than 300 %, and 250 % nearer 300 %.
  auto [zoom, pieces] = cache.otherZoom(TileKey::Strip, 2, 14000, 0);
  EXPECT_EQ(zoom, 10000);
  ASSERT_EQ(pieces.size(), 1u);
  std::tie(zoom, pieces) = cache.otherZoom(TileKey::Strip, 2, 25000, 0);
  EXPECT_EQ(zoom, 30000);
  EXPECT_EQ(pieces.size(), 2u);
  // Never the zoom asked for itself, another rotation, another page or kind.
  std::tie(zoom, pieces) = cache.otherZoom(TileKey::Strip, 3, 20000, 0);
  EXPECT_TRUE(pieces.empty());
  std::tie(zoom, pieces) = cache.otherZoom(TileKey::Thumbnail, 2, 20000, 0);
  EXPECT_TRUE(pieces.empty());
  std::tie(zoom, pieces) = cache.otherZoom(TileKey::Strip, 2, 20000, 90);
  EXPECT_EQ(zoom, 19000);
  std::tie(zoom, pieces) = cache.otherZoom(TileKey::Strip, 4, 20000, 0);
  EXPECT_TRUE(pieces.empty());
}

}  // namespace
}  // namespace Corvalis::Viewer
