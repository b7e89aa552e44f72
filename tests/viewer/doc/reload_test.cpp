#include <QDir>
#include <QLineEdit>
#include <cstdio>
#include <QElapsedTimer>
#include <QFile>
#include <QStatusBar>

#include "viewer/app/writer_actions.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reload_controller.h"
#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

// A bound on waiting, not a timing: a sanitizer build on a loaded machine reads an encrypted
// file several times slower, and a wait returns as soon as its condition holds.
bool waitFor(const std::function<bool()>& done, int ms = 6000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

std::string document(int pages, const char* colour = "0 0 1 rg") {
  return testing_pdf::simpleDocument(pages, std::string(colour) + " 100 100 200 200 re f");
}

void writeInPlace(const QString& path, const std::string& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), qint64(bytes.size()));
}

void replaceByRename(const QString& path, const std::string& bytes) {
  const QString part = path + ".part";
  writeInPlace(part, bytes);
  ASSERT_EQ(::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()), 0);
}

class Reload : public FrameFixture {
 protected:
  C_PDF_View* open(const QString& path) {
    EXPECT_TRUE(frame->openFile(path));
    paint();
    return frame->activeView();
  }
  bool reloaded(C_PDF_View* view, int count = 1) {
    return waitFor([view, count] { return view->pdfDocument()->reloadCount() >= count; });
  }
};

TEST_F(Reload, ARewrittenFileKeepsItsPageAndZoom) {
  MessageCapture capture;
  const QString path = writePdf(document(5), "reload-keep.pdf");
  C_PDF_View* view = open(path);
  ASSERT_TRUE(view);
  view->goToPage(3);
  view->onCommand(kCmdActualSize);
  paint();
  const double zoom = view->zoom();
  const QImage before = view->pageImage();
  writeInPlace(path, document(6, "1 0 0 rg"));
  ASSERT_TRUE(reloaded(view));
  paint();
  EXPECT_EQ(view->pageCount(), 6);
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_EQ(view->zoomMode(), ZoomMode::ActualSize);
  EXPECT_DOUBLE_EQ(view->zoom(), zoom);
  // The new drawing is on the screen.
  EXPECT_NE(view->pageImage(), before);
  EXPECT_FALSE(view->searchHit().has_value());

  // Replaced by rename, as TeX tools do: the new file is watched too.
  replaceByRename(path, document(4));
  ASSERT_TRUE(reloaded(view, 2));
  replaceByRename(path, document(5));
  ASSERT_TRUE(reloaded(view, 3));
  paint();
  EXPECT_EQ(view->pageCount(), 5);
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_TRUE(capture.boxes.empty());
}

TEST_F(Reload, AHalfWrittenFileKeepsTheOldPagesAndShowsNoBox) {
  MessageCapture capture;
  const QString path = writePdf(document(3), "reload-half.pdf");
  C_PDF_View* view = open(path);
  ASSERT_TRUE(view);
  const std::string next = document(7);
  ReloadController& reload = ReloadController::of(*view->pdfDocument());
  writeInPlace(path, next.substr(0, next.size() / 2));
  ASSERT_TRUE(waitFor([&] { return reload.failures() >= 1 && !reload.busy(); }));
  writeInPlace(path, next.substr(0, next.size() - 20));
  ASSERT_TRUE(waitFor([&] { return reload.failures() >= 2 && !reload.busy(); }));
  paint();
  EXPECT_EQ(view->pdfDocument()->reloadCount(), 0);
  EXPECT_EQ(view->pageCount(), 3);
  EXPECT_FALSE(view->pageImage().isNull());
  EXPECT_EQ(frame->statusBar()->currentMessage(), ReloadController::waitingText());
  EXPECT_TRUE(capture.boxes.empty());
  // Finished at last.
  writeInPlace(path, next);
  ASSERT_TRUE(reloaded(view));
  EXPECT_EQ(view->pageCount(), 7);
  EXPECT_NE(frame->statusBar()->currentMessage(), ReloadController::waitingText());
  EXPECT_TRUE(capture.boxes.empty());
}

TEST_F(Reload, AShorterDocumentShowsItsLastPage) {
  const QString path = writePdf(document(5), "reload-shrink.pdf");
  C_PDF_View* view = open(path);
  ASSERT_TRUE(view);
  view->goToPage(4);
  paint();
  replaceByRename(path, document(2));
  ASSERT_TRUE(reloaded(view));
  paint();
  EXPECT_EQ(view->pageCount(), 2);
  EXPECT_EQ(view->currentPage(), 2);
  EXPECT_EQ(view->pageBoxText(), "2 of 2");
}

TEST_F(Reload, ByHandAndWithWatchingTurnedOff) {
  const QString path = writePdf(document(2), "reload-hand.pdf");
  C_PDF_View* view = open(path);
  ASSERT_TRUE(view);
  WriterActions* actions = frame->writerActions();
  ASSERT_TRUE(actions);
  EXPECT_EQ(actions->reloadAction()->shortcut(), QKeySequence(Qt::Key_F5));
  actions->watchAction()->setChecked(false);
  writeInPlace(path, document(4));
  QTest::qWait(400);
  EXPECT_EQ(view->pdfDocument()->reloadCount(), 0);
  actions->reloadAction()->trigger();
  ASSERT_TRUE(reloaded(view));
  EXPECT_EQ(view->pageCount(), 4);
  actions->watchAction()->setChecked(true);
}

TEST_F(Reload, AnEncryptedFileReloadsWithThePasswordGiven) {
  const QString path = QDir::temp().filePath("reload-locked.pdf");
  QFile::remove(path);
  ASSERT_TRUE(QFile::copy(qtestData("synctex/locked-3.pdf"), path));
  onNextModal([](QWidget* modal) {
    auto* edit = modal->findChild<QLineEdit*>();
    ASSERT_TRUE(edit);
    QTest::keyClicks(edit, "secret");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  C_PDF_View* view = open(path);
  ASSERT_TRUE(view);
  ASSERT_EQ(view->pageCount(), 3);
  const QString part = path + ".part";
  QFile::remove(part);
  ASSERT_TRUE(QFile::copy(qtestData("synctex/locked-5.pdf"), part));
  ASSERT_EQ(::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()), 0);
  ASSERT_TRUE(reloaded(view));
  EXPECT_EQ(view->pageCount(), 5);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace viewer_test
