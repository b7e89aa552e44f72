#pragma once
// C_Quillon_Frame: the main window. A multi-document area on dark grey, the menus, the toolbar
// with the shared zoom, page and find boxes, the status bar, the splash window and the start
// panel.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

#include "viewer/messages/command_ids.h"
#include "viewer/app/lock_keys.h"
#include "viewer/view/view_host.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace Corvalis::Viewer {

class C_PDF_Doc;
class C_PDF_View;
class C_ZoomComboBox;
class COpenPDFFileDialog2;
class DocumentTemplate;
class FindBox;
class NoticeBar;
class OutlineDock;
class PageBox;
class RecentFileList;
class WriterActions;

class C_Quillon_Frame : public QMainWindow, public ViewHost {
  Q_OBJECT
 public:
  static constexpr int kBackgroundRgb = 0x333333;
  static constexpr int kToolbarIconSize = 24;
  static constexpr int kGoToLabelWidth = 85;
  static constexpr int kFindOptionsWidth = 12;
  // Cascaded windows step by at least this many pixels and keep at least this share (percent)
  // of the area's width and height.
  static constexpr int kCascadeMinStep = 20;
  static constexpr int kCascadeMinShare = 60;

  struct Options {
    bool showSplash = true;
  };

  C_Quillon_Frame(RecentFileList& recentFiles, QPrinter& printer, Options options);
  ~C_Quillon_Frame() override;

  DocumentTemplate& documentTemplate() const { return *template_; }
  QMdiArea* mdiArea() const { return mdiArea_; }
  C_PDF_View* activeView() const;
  C_PDF_Doc* activeDocument() const;

  // Opens a file as the File menu, the command line, a drop or another launch do; the view of
  // the new window gets the focus. False when it could not be opened.
  bool openFile(const QString& path);
  // The Open command: the file chooser, then openFile.
  void fileOpen();
  // Replaces the file chooser (tests); it returns the chosen path or an empty text.
  void setFileChooser(std::function<QString()> chooser) { fileChooser_ = std::move(chooser); }
  // Replaces the Save As chooser (tests); given the document's path, it returns the name to
  // save as or an empty text.
  void setSaveNameChooser(std::function<QString(const QString&)> chooser) {
    saveNameChooser_ = std::move(chooser);
  }
  // Stores the document with its form values as path (its own file when empty); false when
  // nothing was stored (a box said why).
  bool saveDocument(C_PDF_Doc& document, const QString& path);

  void routeCommand(int id);
  QAction* action(int id) const;
  void updateCommandUi();

  void createStartPanel();
  COpenPDFFileDialog2* startPanel() const;
  bool documentOpened() const { return documentOpened_ == 'y'; }
  void markDocumentOpened();

  C_ZoomComboBox* zoomBox() const { return zoomBox_; }
  PageBox* pageBox() const { return pageBox_; }
  FindBox* findBox() const { return findBox_; }
  QLabel* goToLabel() const { return goToLabel_; }
  QToolBar* toolBar() const { return toolBar_; }
  QMenu* editMenu() const { return editMenu_; }
  OutlineDock* outlineDock() const { return outlineDock_; }
  NoticeBar* noticeBar() const { return noticeBar_; }
  WriterActions* writerActions() const { return writerActions_; }
  // A document was read again from its file: the outline and the boxes follow it.
  void documentReloaded();

  // The status bar's lock-key indicators: blank while the key is off or its state unknown.
  static constexpr int kIndicatorIntervalMs = 500;
  void updateIndicators();
  // Replaces the keyboard query (tests).
  void setLockKeyReader(std::function<std::optional<LockKeyState>()> reader) {
    lockKeyReader_ = std::move(reader);
  }
  QLabel* indicator(int index) const {
    return index >= 0 && index < 3 ? indicators_[index] : nullptr;
  }

  // ViewHost.
  bool isActiveView(const C_PDF_View* view) const override;
  void setZoomBoxText(const QString& text) override;
  void setPageBoxText(const QString& text) override;
  void resetToolbarBoxes() override;
  void focusZoomBox() override;
  QString findBoxText() const override;
  void findBoxEnter() override;
  QWidget* findOptionsButton() const override;
  QMenu* contextMenu() const override { return editMenu_; }
  void openWebPage(WebPage page) override;
  QPrinter* printer() override { return &printer_; }
  void commandStateChanged() override;
  void setSearchStatus(const QString& text) override;
  QLabel* searchStatus() const { return searchStatus_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The main window's caption: the program and the active window's title.
  void updateCaption();
  void changeEvent(QEvent* event) override;

 private:
  void runSplash();
  QAction* makeAction(int id, const QString& text, const QString& statusTip,
                      const QKeySequence& shortcut = {}, bool checkable = false);
  void createActions();
  void createMenus();
  // The full menu bar while a document window is open, File, View and Help otherwise.
  void showMenus(bool documentShown);
  void createToolBar();
  void createNoticeBar();
  void createStatusBar();
  bool frameUpdate(int id, CommandState& state) const;
  bool frameCommand(int id);
  void rebuildRecentFiles();
  void rebuildWindowList();
  void subWindowChanged();
  void sendToViews(int message, const QString& text);
  void sendToActiveView(int message, const QString& text);
  void closeActiveDocument();
  void cascadeWindows();
  void createOutlineDock();
  // The page and zoom a document window closes at, kept for its next opening.
  void rememberPosition(C_PDF_View* view);
  void restorePosition(C_PDF_View* view);
  void arrangeIcons();
  void showAbout();
  void openRecentFile(int index);

  RecentFileList& recentFiles_;
  QPrinter& printer_;
  Options options_;
  QMdiArea* mdiArea_;
  std::unique_ptr<DocumentTemplate> template_;
  QToolBar* toolBar_ = nullptr;
  C_ZoomComboBox* zoomBox_ = nullptr;
  QLabel* goToLabel_ = nullptr;
  PageBox* pageBox_ = nullptr;
  FindBox* findBox_ = nullptr;
  QToolButton* findOptionsButton_ = nullptr;
  OutlineDock* outlineDock_ = nullptr;
  NoticeBar* noticeBar_ = nullptr;
  WriterActions* writerActions_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* documentMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QMenu* emptyFileMenu_ = nullptr;
  QMenu* emptyViewMenu_ = nullptr;
  bool menusForDocument_ = false;
  std::vector<QAction*> recentActions_;
  std::vector<QAction*> windowListActions_;
  std::map<int, QAction*> actions_;
  QPointer<COpenPDFFileDialog2> startPanel_;
  char documentOpened_ = 'n';
  std::function<QString()> fileChooser_;
  std::function<QString(const QString&)> saveNameChooser_;
  bool updatingCommands_ = false;
  // The caption this window gives itself: a maximised document window would otherwise merge
  // its own title in ("... - [name.pdf]").
  QString caption_;
  QLabel* searchStatus_ = nullptr;
  QLabel* indicators_[3] = {nullptr, nullptr, nullptr};
  QString indicatorTexts_[3];
  std::function<std::optional<LockKeyState>()> lockKeyReader_ = readLockKeys;
};

}  // namespace Corvalis::Viewer
