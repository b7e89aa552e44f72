// The next and previous page drawn ahead on a thread of their own: what is shown equals what the
// view draws itself, a change of zoom, rotation or window size lets it go, a page that asks the
// user something is drawn where the user is, and closing while it draws is clean.

#include <QElapsedTimer>
#include <QThread>
#include <cstring>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/page_fault_log.h"
#include "viewer/view/page_prefetcher.h"

namespace viewer_test {
namespace {

// How long a test waits for the background thread at most before it fails.
constexpr int kWaitMs = 20000;

// Pages of text in a system font, an image and a shading, each page numbered, so that two
// pages never look alike. pageContent[n] is added to
// page n + 1, which then also has extraObject as its font F2 and image Im2.
std::string readingDocument(int pageCount, const std::vector<std::string>& pageContent = {},
                            const std::string& extraObject = "") {
  testing_pdf::PdfBuilder b;
  std::string kids;
  for (int i = 0; i < pageCount; ++i) kids += std::to_string(10 + 2 * i) + " 0 R ";
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageCount) + " >>");
  b.set(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>");
  std::string samples;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) samples += {char(x * 16), char(y * 16), char(128)};
  b.setStream(4,
              "/Type /XObject /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceRGB "
              "/BitsPerComponent 8",
              samples);
  b.set(5,
        "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [72 0 540 0] /Function << "
        "/FunctionType 2 /Domain [0 1] /C0 [1 0.8 0] /C1 [0 0.3 1] /N 1 >> >>");
  if (!extraObject.empty()) b.set(6, extraObject);
  for (int i = 0; i < pageCount; ++i) {
    const int page = 10 + 2 * i;
    // Only pages with content of their own use the extra object.
    const bool extra = i < int(pageContent.size()) && !pageContent[i].empty();
    b.set(page, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                    std::to_string(page + 1) + " 0 R /Resources << /Font << /F1 3 0 R " +
                    (extra ? "/F2 6 0 R " : "") + ">> /XObject << /Im 4 0 R " +
                    (extra ? "/Im2 6 0 R " : "") + ">> /Shading << /Sh 5 0 R >> >> >>");
    const std::string n = std::to_string(i + 1);
    std::string content = "BT /F1 36 Tf 72 700 Td (Page " + n + " of the book) Tj ET " + "q " +
                          std::to_string(100 + 20 * i) + " 0 0 120 300 400 cm /Im Do Q " +
                          "q 72 100 468 " + std::to_string(40 + 10 * i) + " re W n /Sh sh Q";
    if (i < int(pageContent.size())) content += " " + pageContent[i];
    b.setStream(page + 1, "", content);
  }
  return b.build("/Root 1 0 R");
}

bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > kWaitMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

bool sameBytes(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format() || a.bytesPerLine() != b.bytesPerLine())
    return false;
  return std::memcmp(a.constBits(), b.constBits(), std::size_t(a.sizeInBytes())) == 0;
}

class PagePrefetchTest : public FrameFixture {
 protected:
  C_PDF_View* open(const QString& path) {
    EXPECT_TRUE(frame->openFile(path));
    paint();
    return frame->activeView();
  }
  bool waitReady(C_PDF_View* view, int page) {
    return waitFor([&] { return view->prefetcher() && view->prefetcher()->isReady(page); });
  }
  void turn(int command) {
    frame->routeCommand(command);
    paint();
  }
  // The shown page drawn again by the view itself, as it was before pages were drawn ahead.
  QImage drawnDirectly(C_PDF_View* view) {
    view->setPrefetchEnabled(false);
    const ZoomMode mode = view->zoomMode();
    turn(mode == ZoomMode::FitPage ? kCmdFitWidth : kCmdFitPage);
    turn(mode == ZoomMode::FitPage ? kCmdFitPage : kCmdFitWidth);
    QImage image = view->pageImage();
    view->setPrefetchEnabled(true);
    return image;
  }
};

TEST_F(PagePrefetchTest, PageDrawnAheadIsTheOneTheViewDrawsByteForByte) {
  C_PDF_View* view = open(writePdf(readingDocument(4), "ahead.pdf"));
  ASSERT_TRUE(waitReady(view, 2));
  turn(kCmdNextPage);
  EXPECT_EQ(view->currentPage(), 2);
  EXPECT_EQ(view->preparedShown(), 1);
  const QImage ahead = view->pageImage();
  const double zoom = view->zoom();
  const QImage direct = drawnDirectly(view);
  EXPECT_EQ(view->zoom(), zoom);
  EXPECT_TRUE(sameBytes(ahead, direct));

  // Backwards as well, and turned a quarter: the rotation is applied as the view applies it.
  frame->routeCommand(kCmdRotateClockwise);
  paint();
  ASSERT_TRUE(waitReady(view, 1));
  turn(kCmdPreviousPage);
  EXPECT_EQ(view->currentPage(), 1);
  EXPECT_EQ(view->preparedShown(), 2);
  const QImage turned = view->pageImage();
  EXPECT_GT(turned.width(), turned.height());
  EXPECT_TRUE(sameBytes(turned, drawnDirectly(view)));
  frame->routeCommand(kCmdRotateCounterClockwise);
}

TEST_F(PagePrefetchTest, ZoomRotationAndWindowSizeLetPreparedPagesGo) {
  C_PDF_View* view = open(writePdf(readingDocument(3), "discard.pdf"));
  ASSERT_TRUE(waitReady(view, 2));
  frame->routeCommand(kCmdZoomIn);
  // Let go at once, before the view paints again.
  EXPECT_FALSE(view->prefetcher()->isReady(2));
  paint();
  // Drawn again for the new zoom; what is shown is drawn at that zoom.
  ASSERT_TRUE(waitReady(view, 2));
  const double zoom = view->zoom();
  turn(kCmdNextPage);
  EXPECT_EQ(view->preparedShown(), 1);
  EXPECT_EQ(view->zoom(), zoom);
  EXPECT_TRUE(sameBytes(view->pageImage(), drawnDirectly(view)));

  ASSERT_TRUE(waitReady(view, 3));
  frame->routeCommand(kCmdRotateClockwise);
  EXPECT_FALSE(view->prefetcher()->isReady(3));
  paint();
  frame->routeCommand(kCmdRotateCounterClockwise);
  paint();
  ASSERT_TRUE(waitReady(view, 3));
  // A new window size: page 3 is drawn again for it.
  const int64_t drawn = view->prefetcher()->pagesDrawn();
  frame->resize(900, 700);
  QApplication::processEvents();
  ASSERT_TRUE(waitFor([&] { return view->prefetcher()->pagesDrawn() > drawn; }));
  ASSERT_TRUE(waitReady(view, 3));
  turn(kCmdNextPage);
  EXPECT_EQ(view->preparedShown(), 2);
  EXPECT_TRUE(sameBytes(view->pageImage(), drawnDirectly(view)));
}

TEST_F(PagePrefetchTest, PageDrawnForOtherSettingsIsNotHandedOver) {
  C_PDF_View* view = open(writePdf(readingDocument(2), "stale.pdf"));
  ASSERT_TRUE(waitReady(view, 2));
  RenderRequest request;
  request.pageNumber = 2;
  request.zoom = view->zoom();
  EXPECT_FALSE(view->prefetcher()->take(request));
  EXPECT_TRUE(view->prefetcher()->isReady(2));
}

TEST_F(PagePrefetchTest, ReadyPageIsAnnouncedOnTheInterfaceThread) {
  const QString path = writePdf(readingDocument(3), "announced.pdf");
  PagePrefetcher prefetcher(path.toStdString(), "");
  std::vector<int> announced;
  bool elsewhere = false;
  QObject::connect(&prefetcher, &PagePrefetcher::pagePrepared, [&](int page) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) elsewhere = true;
    // Announced only once it can be taken.
    if (!prefetcher.isReady(page)) elsewhere = true;
    announced.push_back(page);
  });
  // Each round a new window size, so that both pages are drawn and announced again.
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds; ++round) {
    PrefetchSettings settings;
    settings.client = QSize(400 + 20 * round, 300);
    announced.clear();
    prefetcher.prepare(settings, {3, 1});
    ASSERT_TRUE(waitFor([&] { return announced.size() >= 2; }));
    EXPECT_EQ(announced, (std::vector<int>{3, 1}));
  }
  EXPECT_FALSE(elsewhere);
  EXPECT_EQ(prefetcher.pagesDrawn(), 2 * kRounds);
}

TEST_F(PagePrefetchTest, WhatAPageDrawnAheadLeftOutIsToldOnceWhenItIsShown) {
  // Page 2 draws an image whose filter nobody knows.
  const std::string bytes =
      readingDocument(2, {"", "q 100 0 0 100 72 72 cm /Im2 Do Q"},
                      "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace "
                      "/DeviceGray /BitsPerComponent 8 /Filter /NoSuchDecode /Length 4 >> "
                      "stream\nabcd\nendstream");
  // Two files: a document opened again comes back at the page it was left at.
  const QString path = writePdf(bytes, "messages.pdf");
  std::vector<PageFaultRecord> direct;
  {
    MessageCapture boxes;
    C_PDF_View* view = open(path);
    view->setPrefetchEnabled(false);
    turn(kCmdNextPage);
    QApplication::processEvents();
    // Nothing stopped: no box.
    EXPECT_TRUE(boxes.boxes.empty());
    direct = PageFaultLog::of(view->pdfDocument())->records();
    frame->routeCommand(kCmdFileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    ASSERT_EQ(frame->activeView(), nullptr);
  }
  ASSERT_FALSE(direct.empty());
  EXPECT_EQ(direct[0].page, 2);
  EXPECT_TRUE(direct[0].leftOut.contains(QStringLiteral("/NoSuchDecode")));
  MessageCapture boxes;
  C_PDF_View* view = open(writePdf(bytes, "messages-again.pdf"));
  ASSERT_TRUE(waitReady(view, 2));
  QApplication::processEvents();
  PageFaultLog* log = PageFaultLog::of(view->pdfDocument());
  // Nothing is said while the page is only drawn ahead.
  EXPECT_TRUE(log->records().empty());
  turn(kCmdNextPage);
  QApplication::processEvents();
  EXPECT_EQ(view->preparedShown(), 1);
  EXPECT_EQ(log->records(), direct);
  // The view's own engine drawing the page again, at other zooms, tells nothing new.
  turn(kCmdFitWidth);
  turn(kCmdZoomIn);
  turn(kCmdFitPage);
  EXPECT_EQ(log->records(), direct);
  EXPECT_EQ(log->count(), direct.size());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PagePrefetchTest, PageThatAsksTheUserIsDrawnWhereTheUserIs) {
  // Page 2's font needs a CMap that is not installed: the user is asked whether to fetch it.
  MessageCapture boxes(BoxAnswer::No);
  C_PDF_View* view = open(writePdf(
      readingDocument(
          2, {"", "BT /F2 20 Tf 72 600 Td <0041> Tj ET"},
          "<< /Type /Font /Subtype /Type0 /BaseFont /Missing /Encoding /Brevia-Ahead-Missing-H "
          "/DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Missing "
          "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 0 >> >>] >>"),
      "question.pdf"));
  ASSERT_TRUE(waitFor([&] { return view->prefetcher() && !view->prefetcher()->active(); }));
  EXPECT_TRUE(boxes.boxes.empty());
  turn(kCmdNextPage);
  QApplication::processEvents();
  EXPECT_EQ(view->preparedShown(), 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("Brevia-Ahead-Missing-H")));
}

TEST_F(PagePrefetchTest, APageDrawnAgainAfterTheThreadLetItsContentGoIsTheSame) {
  // The thread keeps what it parsed of the latest pages only: the first page, drawn again after
  // more pages than that, is read anew and comes out the same.
  const int pages = static_cast<int>(PagePrefetcher::kKeptParsedPages) + 2;
  C_PDF_View* view = open(writePdf(readingDocument(pages), "again.pdf"));
  PagePrefetcher* thread = view->drawingThread();
  ASSERT_NE(thread, nullptr);
  const auto draw = [&](int page) {
    TileRequest t;
    t.key.kind = TileKey::Thumbnail;
    t.key.page = page;
    t.key.zoomKey = zoomKeyOf(1);
    t.request = view->renderRequestOf(page);
    t.rect = QRect(0, 0, 500, 300);
    thread->wantTiles(TileKey::Thumbnail, {t});
    std::vector<PreparedTile> ready;
    EXPECT_TRUE(waitFor([&] {
      ready = thread->takeTiles(TileKey::Thumbnail);
      return !ready.empty();
    }));
    return ready.empty() ? QImage() : ready.front().image;
  };
  const QImage first = draw(1);
  ASSERT_FALSE(first.isNull());
  QImage other;
  for (int page = 2; page <= pages; ++page) other = draw(page);
  EXPECT_FALSE(sameBytes(first, other));
  EXPECT_TRUE(sameBytes(first, draw(1)));
}

TEST_F(PagePrefetchTest, ClosingWhileAPageIsDrawnAheadIsClean) {
  // Page 2 takes long to draw: many thousand small paths.
  std::string heavy;
  for (int i = 0; i < 60000; ++i)
    heavy += std::to_string(i % 600) + " " + std::to_string((i / 600) * 7 % 780) + " 5 5 re f ";
  const QString path = writePdf(readingDocument(3, {"", heavy, ""}), "heavy.pdf");
  for (int round = 0; round < 3; ++round) {
    C_PDF_View* view = open(path);
    ASSERT_NE(view->prefetcher(), nullptr);
    // Closed at once (while page 2 is read or drawn), then after a moment.
    if (round == 1) QTest::qWait(30);
    frame->routeCommand(kCmdFileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_EQ(frame->activeView(), nullptr);
  }
  // The window goes on working.
  C_PDF_View* view = open(writePdf(readingDocument(2), "after.pdf"));
  ASSERT_TRUE(waitReady(view, 2));
  turn(kCmdNextPage);
  EXPECT_EQ(view->preparedShown(), 1);
}

}  // namespace
}  // namespace viewer_test
