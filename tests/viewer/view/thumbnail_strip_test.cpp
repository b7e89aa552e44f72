#include "viewer/view/thumbnail_strip.h"

#include <QElapsedTimer>
#include <QFile>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/view/outline_dock.h"

namespace viewer_test {
namespace {

constexpr int kWaitMs = 3000;

std::string squares(const char* colour) {
  return testing_pdf::simpleDocument(4, std::string(colour) + " 100 100 200 200 re f");
}

// The colour in the middle of page 1's square as the panel shows it.
QColor squareColour(ThumbnailStrip* strip) {
  const QImage shown = strip->viewport()->grab().toImage();
  const QRect r = strip->thumbnailRect(1);
  return shown.pixelColor(r.left() + int(r.width() * 200.0 / 612),
                          r.top() + int(r.height() * (1 - 200.0 / 792)));
}

bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > kWaitMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

using ThumbnailStripTest = FrameFixture;

TEST_F(ThumbnailStripTest, AReloadShowsTheOldThumbnailsUntilTheNewOnesAreDrawn) {
  MessageCapture capture;
  const QString path = writePdf(squares("0 0 1 rg"), "thumbs-reload.pdf");
  ASSERT_TRUE(frame->openFile(path));
  C_PDF_View* view = frame->activeView();
  ASSERT_TRUE(view);
  frame->routeCommand(kCmdViewThumbnails);
  ThumbnailStrip* strip = frame->outlineDock()->thumbnails();
  ASSERT_TRUE(strip->isVisible());
  // Blue, not the light grey of a thumbnail not drawn yet.
  ASSERT_TRUE(waitFor([strip] {
    const QColor c = squareColour(strip);
    return c.blue() > 200 && c.red() < 100;
  }));

  // The first frame after the new reading takes over.
  QColor first;
  std::size_t previous = 0;
  QObject::connect(view->pdfDocument(), &C_PDF_Doc::engineReplaced, strip, [&] {
    first = squareColour(strip);
    previous = strip->previous().size();
  });
  const std::string bytes = squares("1 0 0 rg");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), qint64(bytes.size()));
  f.close();
  ASSERT_TRUE(waitFor([view] { return view->pdfDocument()->reloadCount() == 1; }));
  EXPECT_GT(previous, 0u);
  EXPECT_GT(first.blue(), 200) << "no old thumbnail in the first frame: "
                               << first.name().toStdString();
  EXPECT_LT(first.red(), 100);

  // Then the pages are drawn again from the new file, and the old thumbnails let go.
  EXPECT_TRUE(waitFor([strip] {
    const QColor c = squareColour(strip);
    return c.red() > 200 && c.blue() < 100;
  }));
  EXPECT_EQ(strip->previous().size(), 0u);
  EXPECT_TRUE(capture.boxes.empty());
}

}  // namespace
}  // namespace viewer_test
