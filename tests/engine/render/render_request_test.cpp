// One drawing described by one request: the positional drawPage draws the same pixels, the
// request's skips and stop flag take effect, and the request made from a page record has its
// sizes.

#include "engine/render/render_request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;
using testing_render::requestAt72;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;

bool samePixels(const brevia::gfx::Bitmap& a, const brevia::gfx::Bitmap& b) {
  return a.width() == b.width() && a.height() == b.height() && a.stride() == b.stride() &&
         std::memcmp(a.data(), b.data(), std::size_t(a.stride()) * a.height()) == 0;
}

// A red square of content, a stroked line and a red annotation appearance.
testing_render::DrawnPage annotatedPage() {
  PdfBuilder b;
  b.setStream(5, "/Subtype /Form /BBox [0 0 10 10]", "1 0 0 rg 0 0 10 10 re f");
  b.set(6, "<< /Subtype /Stamp /Rect [150 10 170 30] /F 4 /AP << /N 5 0 R >> >>");
  return drawContent("1 0 0 rg 10 10 40 40 re f 0 0 1 RG 4 w 100 10 m 100 90 l S", 200, 100,
                     "/Annots [6 0 R]", b);
}

TEST(RenderRequest, DrawPageDrawsWhatItsRequestDraws) {
  auto page = annotatedPage();
  for (int skipPainting = 0; skipPainting <= 1; ++skipPainting) {
    for (uint8_t cacheFlag = 0; cacheFlag <= 1; ++cacheFlag) {
      brevia::gfx::Bitmap positional(300, 150), requested(300, 150);
      page.draw->drawPage(1, cacheFlag, positional, 96, 20, 100, 200, 1.5, 7, 7, 0, 0, 7,
                          skipPainting);
      RenderRequest request = requestAt72(1, requested, 200, 100, 1.5,
                                          cacheFlag ? RenderTarget::Screen : RenderTarget::Print);
      request.skip.painting = skipPainting != 0;
      page.draw->render(request);
      EXPECT_TRUE(samePixels(positional, requested)) << skipPainting << int(cacheFlag);
    }
  }
}

TEST(RenderRequest, SkipsAnnotationsAndNothingElse) {
  auto page = annotatedPage();
  ASSERT_EQ(page.at(160, 80), kRed);
  brevia::gfx::Bitmap bare(200, 100);
  RenderRequest request = requestAt72(1, bare, 200, 100);
  request.skip.annotations = true;
  page.draw->render(request);
  EXPECT_EQ(bare.colourAt(160, 80), kWhite);
  EXPECT_EQ(bare.colourAt(30, 70), kRed);
  EXPECT_EQ(bare.colourAt(100, 50), 0xFF0000FFu);
}

TEST(RenderRequest, ItsStopFlagStopsOnlyItsOwnDrawing) {
  auto page = annotatedPage();
  const std::atomic<bool> raised{true};
  brevia::gfx::Bitmap stopped(200, 100);
  RenderRequest request = requestAt72(1, stopped, 200, 100);
  request.stop = &raised;
  page.draw->render(request);
  // Paper only: stopped before the first operator.
  EXPECT_EQ(stopped.colourAt(30, 70), kWhite);
  EXPECT_EQ(stopped.colourAt(160, 80), kWhite);
  EXPECT_FALSE(page.draw->stopped());
  // The next drawing, without one, is whole.
  brevia::gfx::Bitmap whole(200, 100);
  page.draw->render(requestAt72(1, whole, 200, 100));
  EXPECT_TRUE(samePixels(whole, page.bitmap));
  // Without an output nothing is drawn (and nothing breaks).
  request.output = nullptr;
  request.stop = nullptr;
  page.draw->render(request);
}

TEST(RenderRequest, FromAPageRecordAndItsIdentity) {
  auto page = drawContent("", 612, 792, "/Rotate 90");
  const C_PDF_PageTreeNode_or_Page* record = page.document->findPage(1, false);
  ASSERT_TRUE(record);
  const RenderRequest print = pageRenderRequest(*record, 1, 144, RenderTarget::Print);
  EXPECT_EQ(print.pageNumber, 1);
  EXPECT_DOUBLE_EQ(print.twipsPerPixel, 10);
  // After the page's own quarter turn.
  EXPECT_DOUBLE_EQ(print.deviceWidth, 792 * 2);
  EXPECT_DOUBLE_EQ(print.deviceHeight, 612 * 2);
  EXPECT_EQ(print.cacheFlag(), 0);
  RenderRequest screen = pageRenderRequest(*record, 1, 144);
  EXPECT_EQ(screen.cacheFlag(), 1);
  EXPECT_FALSE(screen == print);
  // Where and when to draw do not make another drawing; what is drawn does.
  const std::atomic<bool> flag{false};
  screen.target = RenderTarget::Print;
  screen.output = &page.bitmap;
  screen.stop = &flag;
  EXPECT_TRUE(screen == print);
  screen.rotation = 90;
  EXPECT_FALSE(screen == print);
}

}  // namespace
