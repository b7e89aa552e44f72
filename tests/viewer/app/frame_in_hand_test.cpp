// The main window driven as a person drives it: keys and clicks go to whichever widget has the
// focus, so a shortcut or focus fault cannot hide behind a direct call.

#include <QAbstractItemView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSet>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/app/quillon_application.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/ui/goto_dialog.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/ui/zoom_combo_box.h"

namespace viewer_test {
namespace {

class FrameInHandTest : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
  }

  C_PDF_View* open(const QString& path) {
    EXPECT_TRUE(frame->openFile(path));
    paint();
    return frame->activeView();
  }

  static QWidget* focused() { return QApplication::focusWidget(); }

  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = focused();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, k, modifiers);
    paint();
  }

  void type(const QString& text) { QTest::keyClicks(focused(), text); }

  // Clicks into the zoom box's edit field and replaces its text.
  void typeZoom(const QString& text, Qt::Key enter = Qt::Key_Return) {
    QTest::mouseClick(frame->zoomBox()->lineEdit(), Qt::LeftButton);
    ASSERT_EQ(focused(), frame->zoomBox());
    key(Qt::Key_A, Qt::ControlModifier);
    type(text);
    key(enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
  }

  void clickView(C_PDF_View* view) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->viewport()->rect().center());
    paint();
  }
};

TEST_F(FrameInHandTest, TypedZoomIsTakenOnEnterAndTheKeysGoBackToThePage) {
  C_PDF_View* view = open(pagesFile(4, "typed-zoom.pdf"));
  typeZoom("200");
  EXPECT_EQ(view->zoomMode(), ZoomMode::Custom);
  EXPECT_DOUBLE_EQ(view->zoom(), 2.0);
  EXPECT_EQ(focused(), view);
  typeZoom("66.67%", Qt::Key_Enter);
  EXPECT_DOUBLE_EQ(view->zoom(), 0.6667);
  EXPECT_EQ(frame->zoomBox()->currentText(), "66.67%");
  typeZoom("Fit Width");
  EXPECT_EQ(view->zoomMode(), ZoomMode::FitWidth);
  typeZoom("fitpage");
  EXPECT_EQ(view->zoomMode(), ZoomMode::FitPage);
  // The page that fits the window turns with Page Down.
  key(Qt::Key_PageDown);
  EXPECT_EQ(view->currentPage(), 2);
}

TEST_F(FrameInHandTest, ChoosingFromTheListLeavesTheKeysWithThePage) {
  C_PDF_View* view = open(pagesFile(3, "chosen-zoom.pdf"));
  C_ZoomComboBox* box = frame->zoomBox();
  QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
  key(Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(box->view()->isVisible());
  // From "Fit Page" up to "Actual Size".
  QTest::keyClick(box->view(), Qt::Key_Up);
  QTest::keyClick(box->view(), Qt::Key_Return);
  paint();
  EXPECT_EQ(view->zoomMode(), ZoomMode::ActualSize);
  EXPECT_EQ(focused(), view);
  const int before = view->verticalPos();
  key(Qt::Key_PageDown);
  EXPECT_GT(view->verticalPos(), before);
  EXPECT_EQ(view->zoomMode(), ZoomMode::ActualSize);
}

TEST_F(FrameInHandTest, ZoomKeysOnTheKeypadAndTheMainKeyboard) {
  C_PDF_View* view = open(pagesFile(1, "zoom-keys.pdf"));
  key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_DOUBLE_EQ(view->zoom(), 1.0);
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    double zoom;
  } steps[] = {
      {Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, 1.25},
      {Qt::Key_Plus, Qt::ControlModifier, 1.5},
      {Qt::Key_Equal, Qt::ControlModifier, 2.0},
      {Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier, 1.5},
      {Qt::Key_Minus, Qt::ControlModifier, 1.25},
  };
  for (const auto& step : steps) {
    key(step.key, step.modifiers);
    EXPECT_DOUBLE_EQ(view->zoom(), step.zoom) << step.key;
    EXPECT_EQ(focused(), view);
  }
  // The list follows the zoom, and a label shows from its start.
  C_ZoomComboBox* box = frame->zoomBox();
  EXPECT_EQ(box->currentText(), "125%");
  EXPECT_EQ(box->currentIndex(), box->findText("125%"));
  key(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(box->currentText(), "Actual Size");
  EXPECT_EQ(box->currentIndex(), box->findText("Actual Size"));
  EXPECT_EQ(box->lineEdit()->cursorPosition(), 0);
  const QLineEdit* edit = box->lineEdit();
  EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance("Actual Size"));
  typeZoom("130");
  EXPECT_EQ(box->currentIndex(), -1);
  EXPECT_EQ(box->currentText(), "130%");
}

TEST_F(FrameInHandTest, CtrlWClosesTheActiveDocument) {
  open(pagesFile(1, "close-a.pdf"));
  C_PDF_View* second = open(pagesFile(1, "close-b.pdf"));
  ASSERT_EQ(focused(), second);
  key(Qt::Key_W, Qt::ControlModifier);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 1);
  EXPECT_TRUE(frame->activeDocument()->path().endsWith("close-a.pdf"));
}

TEST_F(FrameInHandTest, ClickingAnotherWindowBringsItsPageIntoThePageBox) {
  C_PDF_View* first = open(pagesFile(2, "switch-a.pdf"));
  C_PDF_View* second = open(pagesFile(7, "switch-b.pdf"));
  frame->routeCommand(kCmdWindowTile);
  QApplication::processEvents();
  clickView(second);
  for (int i = 0; i < 4; ++i) key(Qt::Key_PageDown);
  ASSERT_EQ(second->currentPage(), 5);
  EXPECT_EQ(frame->pageBox()->text(), "5 of 7");
  clickView(first);
  EXPECT_EQ(frame->activeView(), first);
  EXPECT_EQ(frame->pageBox()->text(), "1 of 2");
  clickView(second);
  EXPECT_EQ(frame->pageBox()->text(), "5 of 7");
}

TEST_F(FrameInHandTest, CaptionsNameTheDocumentOnce) {
  // Without a display name of its own the platform appends nothing to the captions.
  const QString name = QCoreApplication::applicationName();
  QCoreApplication::setApplicationName("probe");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
  QCoreApplication::setApplicationName(name);

  open(pagesFile(3, "caption.pdf"));
  EXPECT_EQ(frame->windowTitle(), "Brevia Reader - caption.pdf");
  QString dialogTitle;
  onNextModal([&](QWidget* modal) {
    dialogTitle = modal->windowTitle();
    QTest::keyClick(modal, Qt::Key_Escape);
  });
  key(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(dialogTitle, "转到页");
}

TEST_F(FrameInHandTest, CascadedWindowsAreLargeEnoughToRead) {
  for (const char* name : {"cascade-a.pdf", "cascade-b.pdf", "cascade-c.pdf"})
    open(pagesFile(1, name));
  key(Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
  const QSize area = frame->mdiArea()->viewport()->size();
  const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList();
  ASSERT_EQ(windows.size(), 3);
  QSet<int> lefts;
  for (QMdiSubWindow* window : windows) {
    EXPECT_FALSE(window->isMaximized());
    EXPECT_GE(window->width(), area.width() * C_Quillon_Frame::kCascadeMinShare / 100);
    EXPECT_GE(window->height(), area.height() * C_Quillon_Frame::kCascadeMinShare / 100);
    EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(window->geometry()));
    lefts << window->x();
  }
  EXPECT_EQ(lefts.size(), 3);
  // The active window stays active and on top; its view keeps the keys.
  EXPECT_EQ(focused(), frame->activeView());
}

TEST_F(FrameInHandTest, OpenErrorsNameTheFile) {
  MessageCapture capture;
  const QString text = writePdf("hello, this is text\n", "not-a-pdf.pdf");
  EXPECT_FALSE(frame->openFile(text));
  const QString missing = QDir::tempPath() + "/no-such-file.pdf";
  EXPECT_FALSE(frame->openFile(missing));
  ASSERT_EQ(capture.boxes.size(), 2u);
  EXPECT_TRUE(capture.boxes[0].text.startsWith(
      QDir::toNativeSeparators(QFileInfo(text).absoluteFilePath()) + "\n\n"))
      << capture.boxes[0].text.toStdString();
  EXPECT_TRUE(capture.boxes[1].text.contains("no-such-file.pdf"));
  EXPECT_TRUE(capture.boxes[1].text.contains("Document Could Not be Opened"));
  // Boxes after the open are not about a file being opened.
  showMessage(nullptr, kCaptionReader, "later", BoxIcon::Warning);
  EXPECT_EQ(capture.boxes.back().text, "later");
}

TEST(FrameInHandStart, TheMainWindowIsUpBeforeAMissingFileIsReported) {
  auto& app = *qobject_cast<C_Quillon_Application*>(qApp);
  bool windowShown = false;
  int boxes = 0;
  setMessageBoxHook([&](const MessageBoxRequest& request) {
    ++boxes;
    windowShown = app.mainFrame() && app.mainFrame()->isVisible();
    EXPECT_TRUE(request.text.contains("absent.pdf"));
    return BoxAnswer::Ok;
  });
  C_Quillon_Application::StartOptions options;
  options.showSplash = false;
  options.singleInstance = false;
  ASSERT_TRUE(app.initInstance({QDir::tempPath() + "/absent.pdf"}, options));
  setMessageBoxHook(MessageCapture::unexpectedBox());
  EXPECT_EQ(boxes, 1);
  EXPECT_TRUE(windowShown);
  app.exitInstance();
}

}  // namespace
}  // namespace viewer_test
