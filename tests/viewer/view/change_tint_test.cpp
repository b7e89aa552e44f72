#include "viewer/view/change_tint.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <random>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reading_positions.h"
#include "viewer/view/page_marks.h"

namespace Corvalis::Viewer {
namespace {

// A page of grey "lines of text" with one paragraph at paragraphTop.
QImage page(int paragraphTop) {
  QImage image(400, 600, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  for (int y = 40; y < 200; y += 14) p.fillRect(QRectF(40, y, 320, 7.5), Qt::black);
  for (int y = paragraphTop; y < paragraphTop + 60; y += 14)
    p.fillRect(QRectF(40.3, y + 0.4, 300, 7.5), Qt::darkGray);
  return image;
}

bool covers(const std::vector<QRect>& areas, const QRect& wanted) {
  for (const QRect& a : areas)
    if (a.contains(wanted)) return true;
  return false;
}

TEST(ChangeTint, FindsAMovedParagraphInFewAreas) {
  const std::vector<QRect> areas = ChangeTint::changedAreas(page(300), page(420));
  ASSERT_FALSE(areas.empty());
  EXPECT_LE(areas.size(), ChangeTint::kMaxAreas);
  // Where it was and where it is now; the lines that stayed are not marked.
  EXPECT_TRUE(covers(areas, QRect(60, 305, 260, 40)));
  EXPECT_TRUE(covers(areas, QRect(60, 425, 260, 40)));
  for (const QRect& a : areas) EXPECT_GT(a.top(), 200);
}

TEST(ChangeTint, AnUnchangedOrMerelyNoisyPageGivesNothing) {
  EXPECT_TRUE(ChangeTint::changedAreas(page(300), page(300)).empty());
  // Edge smoothing that differs by a few levels here and there is not a change.
  QImage noisy = page(300);
  std::mt19937 random(7);
  for (int i = 0; i < 4000; ++i) {
    const int x = int(random() % 400), y = int(random() % 600);
    const QColor c = noisy.pixelColor(x, y);
    const int shift = int(random() % 40);
    noisy.setPixelColor(x, y,
                        QColor(std::max(0, c.red() - shift), std::max(0, c.green() - shift),
                               std::max(0, c.blue() - shift)));
  }
  // A few isolated pixels that differ a lot (a glyph edge landing elsewhere).
  for (int i = 0; i < 30; ++i) noisy.setPixelColor(int(random() % 400), 500 + i * 3, Qt::black);
  EXPECT_TRUE(ChangeTint::changedAreas(page(300), noisy).empty());
  // Drawings of other sizes are of a page that changed size: it changed as a whole (the view
  // compares drawings at one zoom only).
  const QImage wider = page(300).scaled(480, 600);
  EXPECT_EQ(ChangeTint::changedAreas(page(300), wider), std::vector<QRect>{wider.rect()});
  EXPECT_TRUE(ChangeTint::changedAreas(QImage(), page(300)).empty());
}

TEST(ChangeTint, AreasFoundAtOneZoomCoverTheSamePlaceAtAnother) {
  const QRect bounds(0, 0, 150, 150);
  EXPECT_EQ(ChangeTint::rescaled({QRect(10, 20, 30, 40)}, 1.0, 1.5, bounds),
            std::vector<QRect>{QRect(15, 30, 45, 60)});
  // Rounded outwards, kept within the bitmap; nothing for a zoom that makes no sense.
  EXPECT_EQ(ChangeTint::rescaled({QRect(3, 3, 3, 3), QRect(90, 90, 20, 20)}, 1.0, 1.5, bounds),
            (std::vector<QRect>{QRect(4, 4, 5, 5), QRect(135, 135, 15, 15)}));
  EXPECT_TRUE(ChangeTint::rescaled({QRect(1, 1, 2, 2)}, 0, 1, bounds).empty());
}

TEST(ChangeTint, ManyScatteredEditsMergeIntoAFewAreas) {
  QImage after = page(300);
  {
    QPainter p(&after);
    for (int i = 0; i < 20; ++i)
      p.fillRect(QRect(10 + (i % 5) * 80, 220 + (i / 5) * 90, 20, 20), Qt::red);
  }
  const std::vector<QRect> areas = ChangeTint::changedAreas(page(300), after);
  EXPECT_LE(areas.size(), ChangeTint::kMaxAreas);
  EXPECT_TRUE(covers(areas, QRect(10, 220, 20, 20)));
  EXPECT_TRUE(covers(areas, QRect(330, 490, 20, 20)));
}

}  // namespace
}  // namespace Corvalis::Viewer

namespace viewer_test {
namespace {

std::string squareAt(int y) {
  return testing_pdf::simpleDocument(
      2, "0 0 1 rg 100 " + std::to_string(y) + " 200 150 re f 0 g 100 650 300 20 re f");
}

// A reload after which the window's fit zoom is another than the old drawing's: the window is
// resized while the old reading is replaced, as happens when the first drawing after start-up
// was made before the window reached its final size.
class TintAfterReload : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    ChangeTint::setEnabled(true);
  }
  // Rewrites the file and returns the marks shown once the new page is on the screen.
  std::vector<QRect> reloadWith(C_PDF_View* view, const QString& path, const std::string& bytes) {
    const QSize grown = frame->size() + QSize(60, 90);
    const int before = view->pdfDocument()->reloadCount();
    auto resize = QObject::connect(view->pdfDocument(), &C_PDF_Doc::aboutToReplaceEngine,
                                   frame.get(), [this, grown] { frame->resize(grown); });
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), qint64(bytes.size()));
    f.close();
    QElapsedTimer clock;
    clock.start();
    while (view->pdfDocument()->reloadCount() == before && clock.elapsed() < 1500)
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    QObject::disconnect(resize);
    EXPECT_GT(view->pdfDocument()->reloadCount(), before);
    paint();
    QApplication::processEvents();
    QApplication::processEvents();
    const PageMarks& marks = PageMarks::of(*view);
    return marks.active() ? marks.rects() : std::vector<QRect>{};
  }
};

TEST_F(TintAfterReload, NothingOnAnUnchangedPageAndTheMovedAreaOnAChangedOne) {
  MessageCapture capture;
  const QString path = writePdf(squareAt(200), "tint-zoom.pdf");
  ASSERT_TRUE(frame->openFile(path));
  paint();
  C_PDF_View* view = frame->activeView();
  ASSERT_TRUE(view);
  ASSERT_EQ(view->zoomMode(), ZoomMode::FitPage);
  const double firstZoom = view->zoom();

  EXPECT_TRUE(reloadWith(view, path, squareAt(200)).empty());
  ASSERT_NE(view->zoom(), firstZoom);

  const double zoom = view->zoom();
  const std::vector<QRect> areas = reloadWith(view, path, squareAt(400));
  ASSERT_FALSE(areas.empty());
  ASSERT_NE(view->zoom(), zoom);
  // The square moved up by 200 units; the bar at the top stayed and is not marked.
  const double scale = view->pageImage().height() / 792.0;
  const QRect moved = QRect(100, 792 - 550, 200, 350).adjusted(4, 4, -4, -4);
  const QRect shownMoved(int(moved.left() * scale), int(moved.top() * scale),
                         int(moved.width() * scale), int(moved.height() * scale));
  QRect all;
  for (const QRect& a : areas) all |= a;
  EXPECT_TRUE(all.contains(shownMoved))
      << all.x() << "," << all.y() << " " << all.width() << "x" << all.height();
  for (const QRect& a : areas) EXPECT_GT(a.top(), int((792 - 640) * scale));
  EXPECT_TRUE(capture.boxes.empty());
}

// Two wide pages, both in sight in the continuous view: a square on the first at squareX, a bar
// on the second.
std::string twoWidePages(int squareX) {
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
  const std::string box = " /MediaBox [0 0 612 200] ";
  b.set(3, "<< /Type /Page /Parent 2 0 R" + box + "/Contents 5 0 R >>");
  b.set(4, "<< /Type /Page /Parent 2 0 R" + box + "/Contents 6 0 R >>");
  b.setStream(5, "", "0 0 1 rg " + std::to_string(squareX) + " 50 100 100 re f");
  b.setStream(6, "", "0 g 100 80 400 20 re f");
  return b.build("/Root 1 0 R");
}

class TintAfterReloadInStrip : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    ChangeTint::setEnabled(true);
    ReadingPositions::setDefaultMode(static_cast<int>(ViewMode::Continuous), true);
  }
  void TearDown() override {
    ReadingPositions::setDefaultMode(0, true);
    FrameFixture::TearDown();
  }
  // Paints until every piece in sight is drawn.
  void drawn(C_PDF_View* view) {
    QElapsedTimer clock;
    clock.start();
    paint();
    while (!view->stripComplete() && clock.elapsed() < 1500) {
      QTest::qWait(5);
      paint();
    }
    QApplication::processEvents();
  }
  void rewrite(C_PDF_View* view, const QString& path, const std::string& bytes) {
    const int before = view->pdfDocument()->reloadCount();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), qint64(bytes.size()));
    f.close();
    QElapsedTimer clock;
    clock.start();
    while (view->pdfDocument()->reloadCount() == before && clock.elapsed() < 1500)
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_GT(view->pdfDocument()->reloadCount(), before);
    drawn(view);
  }
};

TEST_F(TintAfterReloadInStrip,
       TheMovedSquareIsMarkedOnItsPageOnlyAndNothingAtAnotherZoomOrWhenOff) {
  MessageCapture capture;
  const QString path = writePdf(twoWidePages(100), "tint-strip.pdf");
  ASSERT_TRUE(frame->openFile(path));
  C_PDF_View* view = frame->activeView();
  ASSERT_TRUE(view);
  ASSERT_EQ(view->viewMode(), ViewMode::Continuous);
  drawn(view);
  const QRect second = view->shownPageRect(2);
  ASSERT_TRUE(second.intersects(view->viewport()->rect()));
  // The second page, drawn while the page tree was still being read, shows its bar (it was once
  // kept blank).
  const double scale = second.width() / 612.0;
  const QImage shown = view->viewport()->grab().toImage();
  EXPECT_LT(qGray(shown.pixel(second.left() + int(300 * scale), second.top() + int(110 * scale))),
            64);
  const PageMarks& marks = PageMarks::of(*view);

  // The same file again: nothing to mark.
  rewrite(view, path, twoWidePages(100));
  EXPECT_FALSE(marks.active());

  rewrite(view, path, twoWidePages(400));
  ASSERT_TRUE(marks.active());
  EXPECT_TRUE(marks.stripRects(2).empty());
  const std::vector<QRect> areas = marks.stripRects(1);
  ASSERT_FALSE(areas.empty());
  // Both places of the square, in the first page's pixels.
  const QRect moved = QRect(100, 200 - 150, 400, 100).adjusted(4, 4, -4, -4);
  QRect all;
  for (const QRect& a : areas) all |= a;
  EXPECT_TRUE(all.contains(QRect(int(moved.left() * scale), int(moved.top() * scale),
                                 int(moved.width() * scale), int(moved.height() * scale))));
  EXPECT_TRUE(capture.boxes.empty());

  // The window's fit zoom moves during the swap: the new pieces are of another zoom and are not
  // compared with the old (every edge would differ).
  PageMarks::of(*view).clear();
  const QSize grown = frame->size() + QSize(120, 0);
  auto resize = QObject::connect(view->pdfDocument(), &C_PDF_Doc::aboutToReplaceEngine, frame.get(),
                                 [this, grown] { frame->resize(grown); });
  const double zoom = view->zoom();
  rewrite(view, path, twoWidePages(100));
  QObject::disconnect(resize);
  ASSERT_NE(view->zoom(), zoom);
  EXPECT_FALSE(marks.active());

  // Turned off, a change gives no marks.
  PageMarks::of(*view).clear();
  ChangeTint::setEnabled(false);
  rewrite(view, path, twoWidePages(400));
  EXPECT_FALSE(marks.active());
}

}  // namespace
}  // namespace viewer_test
