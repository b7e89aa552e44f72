// Page sizes in pixels: the page's own rotation, tiny page boxes and the rounding of each side.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/document/page_tree.h"
#include "engine/render/page_pixels.h"

namespace {

C_PDF_PageTreeNode_or_Page pageOf(int32_t width, int32_t height, int32_t rotation) {
  C_PDF_PageTreeNode_or_Page page;
  page.width = width;
  page.height = height;
  page.rotation = rotation;
  return page;
}

TEST(PagePixels, QuarterTurnsSwapTheSides) {
  const PagePixels upright = pagePixels(pageOf(612, 792, 0), 144);
  EXPECT_DOUBLE_EQ(upright.twipsPerPixel, 10);
  EXPECT_DOUBLE_EQ(upright.width, 1224);
  EXPECT_DOUBLE_EQ(upright.height, 1584);
  const PagePixels turned = pagePixels(pageOf(612, 792, 270), 72);
  EXPECT_DOUBLE_EQ(turned.width, 792);
  EXPECT_DOUBLE_EQ(turned.height, 612);
  // Other angles are drawn upright, so the sides stay.
  EXPECT_DOUBLE_EQ(pagePixels(pageOf(612, 792, 45), 72).width, 612);
  // An empty page box is one point wide, not nothing.
  EXPECT_DOUBLE_EQ(pagePixels(pageOf(0, 792, 0), 72).width, 1);
}

TEST(PagePixels, SidesTruncateOrCoverTheirLastPixel) {
  EXPECT_EQ(pixelSide(100.5, 1, PixelRounding::Truncate), 100);
  EXPECT_EQ(pixelSide(100.5, 1, PixelRounding::Cover), 101);
  // A hair over a whole pixel from rounding the scale is still that pixel.
  EXPECT_EQ(pixelSide(100.0000001, 1, PixelRounding::Cover), 100);
  EXPECT_EQ(pixelSide(50.25, 2, PixelRounding::Truncate), 100);
  EXPECT_EQ(pixelSide(0.2, 1, PixelRounding::Truncate), 1);
  EXPECT_EQ(pixelSide(NAN, 1, PixelRounding::Cover), 1);
  EXPECT_EQ(pixelSide(1e12, 64, PixelRounding::Cover), kMaxPixelSide);
}

}  // namespace
