#include "viewer/app/quillon_frame.h"

#include <QAction>
#include <QDesktopServices>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/messages/app_identity.h"
#include "viewer/app/quillon_application.h"
#include "viewer/app/web_pages.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/ui/about_dialog.h"
#include "viewer/ui/start_panel.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/ui/zoom_combo_box.h"

namespace viewer_test {

// Receives the addresses the viewer hands to the browser.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

namespace {

C_Quillon_Application& app() { return *qobject_cast<C_Quillon_Application*>(qApp); }

C_Quillon_Application::StartOptions quietStart() {
  C_Quillon_Application::StartOptions options;
  options.showSplash = false;
  options.singleInstance = false;
  return options;
}

QStringList visibleMenus(QMainWindow& window) {
  QStringList titles;
  for (QAction* a : window.menuBar()->actions())
    if (a->isVisible()) titles << a->text();
  return titles;
}

TEST(Application, StartsWithoutAFileShowingTheStartPanel) {
  ASSERT_TRUE(app().initInstance({}, quietStart()));
  C_Quillon_Frame* frame = app().mainFrame();
  ASSERT_NE(frame, nullptr);
  QApplication::processEvents();
  EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
  ASSERT_NE(frame->startPanel(), nullptr);
  EXPECT_TRUE(frame->startPanel()->isVisible());
  EXPECT_FALSE(frame->documentOpened());
  EXPECT_EQ(visibleMenus(*frame), QStringList({"文件(&F)", "视图(&V)", "帮助(&H)"}));
  EXPECT_FALSE(frame->zoomBox()->isEnabled());
  EXPECT_EQ(frame->mdiArea()->background().color(), QColor(0x33, 0x33, 0x33));
  EXPECT_EQ(frame->windowTitle(), "Brevia Reader");
  app().exitInstance();
}

TEST(Application, StartsWithTheFileOnTheCommandLine) {
  const QString path = pagesFile(2, "cmdline.pdf");
  ASSERT_TRUE(app().initInstance({"--ignored", path, "another.pdf"}, quietStart()));
  C_Quillon_Frame* frame = app().mainFrame();
  QApplication::processEvents();
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 1);
  EXPECT_TRUE(frame->documentOpened());
  EXPECT_FALSE(frame->startPanel()->isVisible());
  EXPECT_EQ(visibleMenus(*frame).size(), 6);
  EXPECT_EQ(frame->windowTitle(), "Brevia Reader - cmdline.pdf");
  app().exitInstance();
  EXPECT_EQ(C_Quillon_Application::commandLineFile({"-p", "/tmp/a.pdf", "/tmp/b.pdf"}),
            "/tmp/a.pdf");
  EXPECT_TRUE(C_Quillon_Application::commandLineFile({"/dde", "-Embedding"}).startsWith("/dde"));
  EXPECT_TRUE(C_Quillon_Application::commandLineFile({}).isEmpty());
}

TEST(Application, EnglishLocaleUsesTheEnglishTranslation) {
  EXPECT_TRUE(app().loadTranslations(QLocale(QLocale::English, QLocale::UnitedKingdom)));
  {
    QPrinter printer;
    RecentFileList recent(kRecentFileCount);
    C_Quillon_Frame frame(recent, printer, {false});
    EXPECT_EQ(frame.menuBar()->actions().first()->text(), "&File");
    EXPECT_EQ(frame.action(kCmdFileOpen)->text(), "&Open...");
    EXPECT_EQ(frame.action(kCmdNextPage)->toolTip(), "Next Page");
    EXPECT_EQ(frame.action(kCmdNextPage)->statusTip(), "Go to the next page");
    EXPECT_EQ(frame.action(kCmdViewContinuous)->text(), "&Continuous");
    // No entry of any menu is left in the interface's own language.
    std::vector<QMenu*> menus;
    for (QAction* top : frame.menuBar()->actions())
      if (top->menu()) menus.push_back(top->menu());
    for (std::size_t i = 0; i < menus.size(); ++i)
      for (QAction* entry : menus[i]->actions()) {
        if (entry->menu()) menus.push_back(entry->menu());
        for (const QString& text : {entry->text(), entry->statusTip()})
          EXPECT_FALSE(std::any_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() >= 0x3000;
          })) << text.toStdString();
      }
  }
  EXPECT_FALSE(app().loadTranslations(QLocale(QLocale::Chinese, QLocale::China)));
  QPrinter printer;
  RecentFileList recent(kRecentFileCount);
  C_Quillon_Frame frame(recent, printer, {false});
  EXPECT_EQ(frame.action(kCmdFileOpen)->text(), "打开(&O)...");
  EXPECT_EQ(frame.action(kCmdNextPage)->toolTip(), "下一页");
}

class FrameTest : public FrameFixture {};

TEST_F(FrameTest, ToolbarOrderAndShortcuts) {
  QStringList order;
  for (QAction* a : frame->toolBar()->actions()) {
    if (a->isSeparator()) {
      order << "|";
    } else if (QWidget* w = frame->toolBar()->widgetForAction(a); w && !w->objectName().isEmpty()) {
      order << w->objectName();
    } else {
      order << a->objectName();
    }
  }
  const QStringList expected = {"cmd_57601", "cmd_57607",
                                "|",         "cmd_32773",
                                "zoomBox",   "cmd_32772",
                                "|",         "cmd_32775",
                                "cmd_32777", "cmd_32776",
                                "|",         "cmd_32778",
                                "cmd_32779", "|",
                                "cmd_32782", "cmd_32783",
                                "cmd_32784", "cmd_32785",
                                "|",         "goToLabel",
                                "pageBox",   "|",
                                "cmd_32801", "|",
                                "findBox",   "findOptionsButton",
                                "cmd_32809", "cmd_32810",
                                "|",         "cmd_57664",
                                "cmd_32817", "cmd_32818",
                                "|",         "cmd_32832",
                                "cmd_32833"};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(frame->toolBar()->iconSize(), QSize(24, 24));
  EXPECT_EQ(frame->goToLabel()->text(), "Go To Page");

  EXPECT_EQ(frame->action(kCmdZoomIn)->shortcut(),
            QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)));
  EXPECT_EQ(frame->action(kCmdFirstPage)->shortcut(), QKeySequence("Ctrl+Shift+PgUp"));
  EXPECT_EQ(frame->action(kCmdGoToPage)->shortcut(), QKeySequence("Ctrl+N"));
  EXPECT_EQ(frame->action(kCmdActualSize)->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(frame->action(kCmdWindowTile)->shortcut(), QKeySequence("Ctrl+Shift+K"));
}

TEST_F(FrameTest, AcceleratorsReachTheView) {
  frame->activateWindow();
  QApplication::setActiveWindow(frame.get());
  ASSERT_TRUE(frame->openFile(pagesFile(3, "keys.pdf")));
  paint();
  C_PDF_View* view = frame->activeView();
  QTest::keyClick(view, Qt::Key_Right, Qt::ControlModifier);
  paint();
  EXPECT_EQ(view->currentPage(), 2);
  QTest::keyClick(view, Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
  paint();
  EXPECT_EQ(view->currentPage(), 3);
  QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  paint();
  EXPECT_EQ(view->zoomMode(), ZoomMode::Custom);
  QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
  paint();
  EXPECT_EQ(view->zoomMode(), ZoomMode::ActualSize);
  QTest::keyClick(view, Qt::Key_F8);
  EXPECT_FALSE(frame->toolBar()->isVisible());
  EXPECT_FALSE(frame->action(kCmdViewToolbar)->isChecked());
  QTest::keyClick(view, Qt::Key_F8);
  EXPECT_TRUE(frame->toolBar()->isVisible());
}

TEST_F(FrameTest, FrameworkEditAcceleratorsStayDisabledAndKeysReachTheBoxes) {
  frame->activateWindow();
  QApplication::setActiveWindow(frame.get());
  ASSERT_TRUE(frame->openFile(pagesFile(2, "edit-keys.pdf")));
  paint();
  const std::pair<int, int> expected[] = {{kCmdEditCopy, 1}, {kCmdEditCut, 2},  {kCmdEditPaste, 2},
                                          {kCmdEditUndo, 2}, {kCmdNextPane, 1}, {kCmdPrevPane, 1}};
  for (const auto& [id, count] : expected) {
    QAction* a = frame->action(id);
    ASSERT_NE(a, nullptr) << id;
    EXPECT_EQ(a->shortcuts().size(), count) << id;
    EXPECT_FALSE(a->isEnabled()) << id;
    frame->routeCommand(id);
    EXPECT_FALSE(a->isEnabled()) << id;
  }
  EXPECT_EQ(frame->action(kCmdEditUndo)->shortcuts().last(), QKeySequence(Qt::CTRL | Qt::Key_Z));
  // Typing in the find box can be undone there.
  FindBox* box = frame->findBox();
  box->setFocus();
  QTest::keyClicks(box, "abc");
  ASSERT_EQ(box->text(), "abc");
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_NE(box->text(), "abc");
}

TEST_F(FrameTest, LockKeyIndicatorsFollowTheKeyboard) {
  std::optional<LockKeyState> state;
  frame->setLockKeyReader([&state] { return state; });
  frame->updateIndicators();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(frame->indicator(i)->text().isEmpty()) << i;
  state = LockKeyState{true, false, true};
  frame->updateIndicators();
  EXPECT_FALSE(frame->indicator(0)->text().isEmpty());
  EXPECT_TRUE(frame->indicator(1)->text().isEmpty());
  EXPECT_FALSE(frame->indicator(2)->text().isEmpty());
  // The panes keep their width when a key goes off.
  const int width = frame->indicator(0)->width();
  state = LockKeyState{false, true, false};
  frame->updateIndicators();
  EXPECT_TRUE(frame->indicator(0)->text().isEmpty());
  EXPECT_FALSE(frame->indicator(1)->text().isEmpty());
  QApplication::processEvents();
  EXPECT_EQ(frame->indicator(0)->width(), width);
}

TEST_F(FrameTest, DroppedFilesOpen) {
  const QString a = pagesFile(1, "dropA.pdf");
  const QString b = pagesFile(1, "dropB.pdf");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(frame.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(frame.get(), &drop);
  EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 2);
  EXPECT_TRUE(frame->documentOpened());
}

TEST_F(FrameTest, OpenCommandAddsTheExtensionWhenNeeded) {
  const QString path = pagesFile(1, "chosen.pdf");
  QString withoutExtension = path;
  withoutExtension.chop(4);
  frame->setFileChooser([&] { return withoutExtension; });
  frame->createStartPanel();
  EXPECT_TRUE(frame->startPanel()->isVisible());
  frame->routeCommand(kCmdFileOpen);
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 1);
  EXPECT_EQ(frame->activeDocument()->path(), QFileInfo(path).absoluteFilePath());
  EXPECT_FALSE(frame->startPanel()->isVisible());
}

TEST_F(FrameTest, WindowArrangementCommands) {
  ASSERT_TRUE(frame->openFile(pagesFile(1, "tileA.pdf")));
  ASSERT_TRUE(frame->openFile(pagesFile(1, "tileB.pdf")));
  frame->routeCommand(kCmdWindowTile);
  QApplication::processEvents();
  const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList();
  ASSERT_EQ(windows.size(), 2);
  EXPECT_FALSE(windows[0]->isMaximized());
  EXPECT_FALSE(windows[0]->geometry().intersects(windows[1]->geometry()));
  frame->routeCommand(kCmdWindowCascade);
  QApplication::processEvents();
  EXPECT_NE(windows[0]->pos(), windows[1]->pos());
  frame->routeCommand(kCmdWindowArrange);
}

TEST_F(FrameTest, WebPagesOpenTheirConfigurableAddresses) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "open");
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  settings.setValue("Web/Help", "https://help.example.org/brevia");
  settings.sync();
  frame->routeCommand(kCmdHelpTopics);
  frame->routeCommand(kCmdTwitter);
  frame->routeCommand(kCmdFacebook);
  // Tell a friend is a document command.
  frame->routeCommand(kCmdTellAFriend);
  ASSERT_TRUE(frame->openFile(pagesFile(1, "friend.pdf")));
  frame->routeCommand(kCmdTellAFriend);
  QDesktopServices::unsetUrlHandler("https");
  settings.remove("Web/Help");
  ASSERT_EQ(catcher.urls.size(), 4);
  EXPECT_EQ(catcher.urls[0], QUrl("https://help.example.org/brevia"));
  EXPECT_EQ(catcher.urls[1], WebPages::address(WebPage::Twitter));
  EXPECT_EQ(catcher.urls[2], WebPages::address(WebPage::Facebook));
  EXPECT_EQ(catcher.urls[3], WebPages::address(WebPage::TellAFriend));
}

TEST_F(FrameTest, AboutDialogPlacesItsButtonBelowThePicture) {
  bool seen = false;
  onNextModal([&](QWidget* modal) {
    auto* about = qobject_cast<AboutDialog*>(modal);
    ASSERT_NE(about, nullptr);
    seen = true;
    QPushButton* ok = about->okButton();
    EXPECT_NEAR(ok->geometry().center().x(), about->width() / 2, 1);
    EXPECT_GT(ok->y(), about->height() / 2);
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  frame->routeCommand(kCmdAppAbout);
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace viewer_test

#include "quillon_frame_test.moc"
