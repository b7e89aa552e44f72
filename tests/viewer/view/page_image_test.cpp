// The one request a page is drawn with in the view, the pages drawn ahead and the slides: built
// from the view state, drawn again when drawing changed the page's own rotation, turned by the
// view's rotation.

#include "viewer/view/page_image.h"

#include <atomic>

#include "engine/document/pdf_document.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "tests/viewer/viewer_test_support.h"

namespace {

using namespace Corvalis::Viewer;

// A 200 × 100 point page, red in its left half.
std::string halfRedPage() {
  return testing_pdf::simpleDocument(1, "1 0 0 rg 0 0 100 100 re f", "/MediaBox [0 0 200 100]");
}

struct Opened {
  C_PDF_Document document;
  std::unique_ptr<C_PDF_Creator> creator;
  std::unique_ptr<C_PDF_Draw> draw;
  explicit Opened(const QString& path) {
    EXPECT_TRUE(document.open(path.toStdString(), ""));
    creator = std::make_unique<C_PDF_Creator>(document);
    draw = std::make_unique<C_PDF_Draw>(document, *creator);
  }
};

bool red(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 50; }

TEST(PageImage, RequestFromTheViewStateFitsTheTurnedPage) {
  Opened file(viewer_test::writePdf(halfRedPage(), "fit.pdf"));
  const C_PDF_PageTreeNode_or_Page* page = file.document.findPage(1, false);
  ASSERT_TRUE(page);
  PageViewState state;
  state.mode = ZoomMode::FitPage;
  state.client = QSize(400 + int(kFitMargin), 300 + int(kFitMargin));
  state.resolution = 72;
  const RenderRequest upright = viewRenderRequest(*page, 1, state);
  EXPECT_DOUBLE_EQ(upright.zoom, 2);  // 200 points wide into 400 pixels
  EXPECT_EQ(upright.rotation, 0);
  EXPECT_EQ(upright.target, RenderTarget::Screen);
  state.rotation = 90;
  const RenderRequest turned = viewRenderRequest(*page, 1, state);
  EXPECT_DOUBLE_EQ(turned.zoom, 1.5);  // now 200 points tall into 300
  EXPECT_EQ(turned.rotation, 90);
  // Its own size stays the unturned page's: the engine draws upright.
  EXPECT_DOUBLE_EQ(turned.deviceWidth, 200);
  EXPECT_DOUBLE_EQ(turned.deviceHeight, 100);

  // The image comes out turned: the red left half is on top after a quarter turn clockwise.
  RenderRequest request = turned;
  request.zoom = 1;
  const QImage image = renderPageImage(*file.draw, request, kMaxViewBitmapPixels);
  ASSERT_EQ(image.size(), QSize(100, 200));
  EXPECT_TRUE(red(image.pixel(50, 20)));
  EXPECT_FALSE(red(image.pixel(50, 180)));
  // A piece of the turned page has the same pixels as that part of the whole.
  const QImage piece = renderPageTile(*file.draw, request, QRect(10, 150, 60, 40));
  ASSERT_EQ(piece.size(), QSize(60, 40));
  EXPECT_EQ(piece, image.copy(10, 150, 60, 40));
}

TEST(PageImage, PageWhoseRotationChangesWhileDrawnIsDrawnAgainAndNoMoreThanAllowed) {
  Opened file(viewer_test::writePdf(halfRedPage(), "turning.pdf"));
  PageViewState state;
  state.mode = ZoomMode::Custom;
  state.zoom = 1;
  state.resolution = 72;
  std::vector<QSize> asked;
  // Each drawing turns the page a quarter more, as a late-read /Rotate would.
  auto turning = [&](const C_PDF_PageTreeNode_or_Page&, RenderRequest& request, int attempt) {
    EXPECT_EQ(attempt, int(asked.size()));
    asked.emplace_back(int(request.deviceWidth), int(request.deviceHeight));
    file.document.findPage(1, false)->rotation += 90;
    return QImage(4, 4, QImage::Format_ARGB32_Premultiplied);
  };
  const ViewPageDrawing drawing = drawViewPage(file.document, 1, state, turning);
  EXPECT_TRUE(drawing.pageFound);
  EXPECT_FALSE(drawing.image.isNull());
  EXPECT_EQ(asked, (std::vector<QSize>{{200, 100}, {100, 200}, {200, 100}}));
  ASSERT_EQ(int(asked.size()), kMaxRenderAttempts);

  // Once the page keeps its rotation the first drawing is the last; a stopped one is not
  // drawn again; a page that does not exist is not drawn at all.
  asked.clear();
  drawViewPage(file.document, 1, state, [&](auto&, RenderRequest& request, int) {
    asked.emplace_back(int(request.deviceWidth), int(request.deviceHeight));
    return QImage();
  });
  EXPECT_EQ(asked.size(), 1u);
  const std::atomic<bool> stop{true};
  asked.clear();
  drawViewPage(file.document, 1, state, [&](auto&, RenderRequest& request, int attempt) {
    request.stop = &stop;
    return turning(*file.document.findPage(1, false), request, attempt);
  });
  EXPECT_EQ(asked.size(), 1u);
  bool drawn = false;
  const ViewPageDrawing missing = drawViewPage(file.document, 7, state, [&](auto&, auto&, int) {
    drawn = true;
    return QImage();
  });
  EXPECT_FALSE(missing.pageFound);
  EXPECT_FALSE(drawn);
}

}  // namespace
