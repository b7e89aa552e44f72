#pragma once
// Helpers shared by the viewer's tests: captured message boxes, test files, a main window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/pdf_builder.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/ui/copy_dialog.h"
#include "viewer/view/pdf_view.h"

namespace viewer_test {

using namespace Corvalis::Viewer;

// Records every message box while it lives, answering each with answer.
class MessageCapture {
 public:
  explicit MessageCapture(BoxAnswer answer = BoxAnswer::Ok) : answer_(answer) {
    setMessageBoxHook([this](const MessageBoxRequest& request) {
      boxes.push_back(request);
      return answer_;
    });
  }
  ~MessageCapture() { setMessageBoxHook(unexpectedBox()); }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  // The hook outside a capture: a box nobody expected fails the test instead of blocking.
  static MessageBoxHook unexpectedBox() {
    return [](const MessageBoxRequest& request) {
      ADD_FAILURE() << "unexpected message box: " << request.text.toStdString();
      return BoxAnswer::Cancel;
    };
  }

  std::vector<MessageBoxRequest> boxes;

 private:
  BoxAnswer answer_;
};

inline std::string testData(const std::string& relative) {
  const char* root = std::getenv("BREVIA_TEST_DATA");
  return std::string(root ? root : BREVIA_SOURCE_DIR "/tests/data") + "/" + relative;
}

inline QString qtestData(const std::string& relative) {
  return QString::fromStdString(testData(relative));
}

inline QString writePdf(const std::string& bytes, const std::string& name) {
  return QString::fromStdString(testing_pdf::writeTempFile(bytes, name));
}

// A document of pageCount pages of the given size, each page drawing a filled square.
inline QString pagesFile(int pageCount, const std::string& name, int width = 612,
                         int height = 792) {
  return writePdf(testing_pdf::simpleDocument(pageCount, "0 0 1 rg 100 100 200 200 re f",
                                              "/MediaBox [0 0 " + std::to_string(width) + " " +
                                                  std::to_string(height) + "]"),
                  name);
}

// Runs action on the next modal dialog once it is up (before the caller's exec starts it).
inline void onNextModal(std::function<void(QWidget*)> action) {
  // Gives up after this many polls.
  constexpr int kMaxPolls = 500;
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  auto polls = std::make_shared<int>(kMaxPolls);
  QObject::connect(timer, &QTimer::timeout, [timer, action, polls] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal && --*polls > 0) return;
    timer->stop();
    timer->deleteLater();
    if (modal) action(modal);
  });
  timer->start();
}

// A main window without splash, sized and shown, with its own recent-file list and printer.
class FrameFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    recent = std::make_unique<RecentFileList>(kRecentFileCount);
    frame = std::make_unique<C_Quillon_Frame>(*recent, printer, C_Quillon_Frame::Options{false});
    frame->resize(1024, 768);
    frame->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    frame.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
  }
  // Paints the active view now.
  void paint() {
    if (C_PDF_View* view = frame->activeView()) view->viewport()->repaint();
    QApplication::processEvents();
  }
  // Ctrl+C on the view, as a user presses it; the confirmation is closed with its OK button.
  // Returns what the clipboard then holds.
  QString copyWithKeys(C_PDF_View* view) {
    QGuiApplication::clipboard()->clear();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QApplication::processEvents();
    const QString text = QGuiApplication::clipboard()->text();
    for (auto* dialog : view->findChildren<CDlgCopy2Clipboard*>())
      QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
    return text;
  }

  QPrinter printer;
  std::unique_ptr<RecentFileList> recent;
  std::unique_ptr<C_Quillon_Frame> frame;
};

}  // namespace viewer_test
