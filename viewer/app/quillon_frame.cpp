#include "viewer/app/quillon_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "viewer/messages/app_identity.h"
#include "viewer/app/display_modes.h"
#include "viewer/app/writer_actions.h"
#include "viewer/app/web_pages.h"
#include "viewer/doc/document_template.h"
#include "viewer/doc/form_session.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reading_positions.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/messages/notice_bar.h"
#include "viewer/messages/page_fault_log.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/about_dialog.h"
#include "viewer/ui/icons.h"
#include "viewer/view/outline_dock.h"
#include "viewer/view/thumbnail_strip.h"
#include "viewer/ui/private_message.h"
#include "viewer/ui/splash_window.h"
#include "viewer/ui/start_panel.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/ui/zoom_combo_box.h"
#include "viewer/view/link_controller.h"
#include "viewer/view/pdf_frame.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

namespace {

// The view mode buttons: a column of pages, or two columns of facing pages.
QIcon stripIcon(bool facing) {
  constexpr int kSide = C_Quillon_Frame::kToolbarIconSize;
  QPixmap pixmap(kSide, kSide);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(0x40, 0x40, 0x40));
  painter.setBrush(Qt::white);
  const int columns = facing ? 2 : 1;
  const int w = facing ? 9 : 12;
  const int left = (kSide - columns * w - (columns - 1) * 2) / 2;
  for (int c = 0; c < columns; ++c) {
    const int x = left + c * (w + 2);
    painter.drawRect(x, 1, w, 9);
    painter.drawRect(x, 13, w, 9);
  }
  return QIcon(pixmap);
}

}  // namespace

namespace {

constexpr char kOpenFilter[] = "Adobe PDF Files (*.pdf)";

QKeySequence keys(QKeyCombination combination) { return QKeySequence(combination); }

}  // namespace

C_Quillon_Frame::C_Quillon_Frame(RecentFileList& recentFiles, QPrinter& printer, Options options)
    : recentFiles_(recentFiles),
      printer_(printer),
      options_(options),
      mdiArea_(new QMdiArea(this)) {
  setObjectName(QStringLiteral("mainFrame"));
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
  setWindowIcon(viewerIcon(IconName::App));
  setAcceptDrops(true);
  if (options_.showSplash) runSplash();

  mdiArea_->setObjectName(QStringLiteral("mdiArea"));
  mdiArea_->setBackground(QColor::fromRgb(kBackgroundRgb));
  setCentralWidget(mdiArea_);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &C_Quillon_Frame::subWindowChanged);

  template_ = std::make_unique<DocumentTemplate>(
      mdiArea_,
      [this]() -> std::unique_ptr<ViewerDocument> {
        auto document = std::make_unique<C_PDF_Doc>(this);
        document->onOpened = [this] { markDocumentOpened(); };
        return document;
      },
      [this](ViewerDocument& document) -> QMdiSubWindow* {
        auto* pdf = dynamic_cast<C_PDF_Doc*>(&document);
        if (!pdf) return nullptr;
        auto* frame = new C_PDF_Frame(*pdf, this);
        frame->onClosing = [this](C_PDF_View* view) { rememberPosition(view); };
        // The caption follows the window's title (a mark while the form has unsaved values).
        connect(frame, &QWidget::windowTitleChanged, this,
                [this] { QTimer::singleShot(0, this, &C_Quillon_Frame::updateCaption); });
        connect(frame, &QObject::destroyed, this,
                [this] { QTimer::singleShot(0, this, &C_Quillon_Frame::subWindowChanged); });
        return frame;
      },
      &recentFiles_);

  createActions();
  createMenus();
  writerActions_ = new WriterActions(*this, fileMenu_, viewMenu_, editMenu_);
  connect(template_.get(), &DocumentTemplate::documentOpened, this,
          &C_Quillon_Frame::rebuildRecentFiles);
  createToolBar();
  createNoticeBar();
  createStatusBar();
  createOutlineDock();
  subWindowChanged();
}

C_Quillon_Frame::~C_Quillon_Frame() {
  PageFaultLog::setFallback(nullptr);
  // The panel hides while the window base is torn down, after this part of it is gone.
  if (outlineDock_) outlineDock_->disconnect(this);
  // Views go while this window is whole (they reset the toolbar boxes), then their documents.
  // Closed windows waiting for their deletion are no longer listed by the area but are children.
  const QList<QMdiSubWindow*> frames = findChildren<QMdiSubWindow*>();
  for (QMdiSubWindow* frame : frames) delete frame;
  template_.reset();
}

void C_Quillon_Frame::runSplash() {
  auto* splash = new SplashWindow([this] { update(); });
  splash->start();
  // The splash is on screen on its own for its whole time.
  QEventLoop wait;
  QTimer::singleShot(SplashWindow::kShowMs, &wait, &QEventLoop::quit);
  wait.exec(QEventLoop::ExcludeUserInputEvents);
}

// ---- Actions, menus, toolbar ----

QAction* C_Quillon_Frame::makeAction(int id, const QString& text, const QString& statusTip,
                                     const QKeySequence& shortcut, bool checkable) {
  auto* a = new QAction(text, this);
  a->setObjectName(QStringLiteral("cmd_%1").arg(id));
  a->setData(id);
  // The status text holds the fly-by help and, after a line break, the tooltip.
  const int split = statusTip.indexOf(QLatin1Char('\n'));
  a->setStatusTip(split < 0 ? statusTip : statusTip.left(split));
  a->setToolTip(split < 0 ? QString(text).remove(QLatin1Char('&')) : statusTip.mid(split + 1));
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  a->setCheckable(checkable);
  connect(a, &QAction::triggered, this, [this, id] { routeCommand(id); });
  addAction(a);
  actions_[id] = a;
  return a;
}

QAction* C_Quillon_Frame::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void C_Quillon_Frame::createActions() {
  makeAction(kCmdFileOpen, tr("打开(&O)..."), tr("打开现有文档\n打开"), keys(Qt::CTRL | Qt::Key_O))
      ->setIcon(viewerIcon(IconName::Open));
  makeAction(kCmdFileClose, tr("关闭(&C)"), tr("关闭活动文档\n关闭"), keys(Qt::CTRL | Qt::Key_W));
  // Ctrl+S stays Actual Size.
  makeAction(kCmdFileSave, tr("保存(&S)"), tr("保存活动文档中填写的表单\n保存"));
  makeAction(kCmdFileSaveAs, tr("另存为(&A)..."), tr("用新名称保存活动文档\n另存为"),
             keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  makeAction(kCmdFilePrint, tr("打印(&P)..."), tr("打印活动文档\n打印"), keys(Qt::CTRL | Qt::Key_P))
      ->setIcon(viewerIcon(IconName::Print));
  makeAction(kCmdFilePrintPreview, tr("打印预览(&V)"), tr("显示整页\n打印预览"));
  makeAction(kCmdFilePrintSetup, tr("打印设置(&R)..."), tr("更改打印机和打印选项\n打印设置"));
  makeAction(kCmdAppExit, tr("退出(&X)"), tr("退出应用程序\n退出"), keys(Qt::CTRL | Qt::Key_Q));
  makeAction(kCmdCopy, tr("复制(&C)"), tr("复制所选内容并将其放到剪贴板上\n复制"),
             keys(Qt::CTRL | Qt::Key_C));

  makeAction(kCmdFirstPage, tr("第一页(&F)"), tr("转到文档的第一页\n第一页"),
             keys(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp))
      ->setIcon(viewerIcon(IconName::FirstPage));
  makeAction(kCmdPreviousPage, tr("上一页(&P)"), tr("转到上一页\n上一页"),
             keys(Qt::CTRL | Qt::Key_Left))
      ->setIcon(viewerIcon(IconName::PreviousPage));
  makeAction(kCmdNextPage, tr("下一页(&N)"), tr("转到下一页\n下一页"),
             keys(Qt::CTRL | Qt::Key_Right))
      ->setIcon(viewerIcon(IconName::NextPage));
  makeAction(kCmdLastPage, tr("最后一页(&L)"), tr("转到文档的最后一页\n最后一页"),
             keys(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown))
      ->setIcon(viewerIcon(IconName::LastPage));
  makeAction(kCmdGoToPage, tr("转到页(&G)..."), tr("转到指定的页\n转到页"),
             keys(Qt::CTRL | Qt::Key_N));
  makeAction(kCmdTellAFriend, tr("推荐给朋友(&T)..."), tr("把本程序推荐给朋友\n推荐给朋友"))
      ->setIcon(viewerIcon(IconName::TellAFriend));
  makeAction(kCmdFind, tr("查找(&F)..."), tr("在查找框中输入要查找的文本\n查找"),
             keys(Qt::CTRL | Qt::Key_F));
  // F3 and Ctrl+G, as in the readers people come from; the first is what the menu shows.
  QAction* findPrevious =
      makeAction(kCmdFindPrevious, tr("查找上一个(&V)"), tr("查找上一个匹配的文本\n查找上一个"));
  findPrevious->setShortcuts(
      {keys(Qt::SHIFT | Qt::Key_F3), keys(Qt::CTRL | Qt::SHIFT | Qt::Key_G)});
  findPrevious->setIcon(viewerIcon(IconName::FindPrevious));
  QAction* findNext =
      makeAction(kCmdFindNext, tr("查找下一个(&X)"), tr("查找下一个匹配的文本\n查找下一个"));
  findNext->setShortcuts({keys(QKeyCombination(Qt::Key_F3)), keys(Qt::CTRL | Qt::Key_G)});
  findNext->setIcon(viewerIcon(IconName::FindNext));
  makeAction(kCmdFindOptions, tr("查找选项"), tr("设置查找选项\n查找选项"))
      ->setIcon(viewerIcon(IconName::FindOptions));

  // The numeric keypad's keys first (the menu shows the first), then the main keyboard's,
  // which people reach for: Ctrl++ is Ctrl+Shift+= on many layouts, so Ctrl+= too.
  QAction* zoomOut = makeAction(kCmdZoomOut, tr("缩小(&O)"), tr("缩小页面\n缩小"));
  zoomOut->setShortcuts(
      {keys(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus)),
       keys(Qt::CTRL | Qt::Key_Minus)});
  zoomOut->setIcon(viewerIcon(IconName::ZoomOut));
  QAction* zoomIn = makeAction(kCmdZoomIn, tr("放大(&I)"), tr("放大页面\n放大"));
  zoomIn->setShortcuts(
      {keys(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)),
       keys(Qt::CTRL | Qt::Key_Plus), keys(Qt::CTRL | Qt::Key_Equal)});
  zoomIn->setIcon(viewerIcon(IconName::ZoomIn));
  makeAction(kCmdActualSize, tr("实际大小(&A)"), tr("按实际大小显示页面\n实际大小"),
             keys(Qt::CTRL | Qt::Key_S), true)
      ->setIcon(viewerIcon(IconName::ActualSize));
  makeAction(kCmdFitPage, tr("适合页面(&P)"), tr("缩放页面以适合窗口\n适合页面"), {}, true)
      ->setIcon(viewerIcon(IconName::FitPage));
  makeAction(kCmdFitWidth, tr("适合宽度(&W)"), tr("缩放页面以适合窗口宽度\n适合宽度"), {}, true)
      ->setIcon(viewerIcon(IconName::FitWidth));
  makeAction(kCmdRotateClockwise, tr("顺时针(&C)"), tr("将视图顺时针旋转 90 度\n顺时针旋转"))
      ->setIcon(viewerIcon(IconName::RotateClockwise));
  makeAction(kCmdRotateCounterClockwise, tr("逆时针(&O)"), tr("将视图逆时针旋转 90 度\n逆时针旋转"))
      ->setIcon(viewerIcon(IconName::RotateCounterClockwise));
  makeAction(kCmdViewOutline, tr("书签(&B)"), tr("显示或隐藏文档的书签\n显隐书签"),
             keys(QKeyCombination(Qt::Key_F4)), true);
  makeAction(kCmdViewContinuous, tr("连续滚动(&C)"), tr("把页面排成一列连续滚动\n连续滚动"), {},
             true)
      ->setIcon(stripIcon(false));
  makeAction(kCmdViewTwoPages, tr("双页(&D)"), tr("并排显示两页\n双页"), {}, true)
      ->setIcon(stripIcon(true));
  makeAction(kCmdViewFirstAlone, tr("首页单独显示(&F)"),
             tr("双页时第一页单独显示，如同书本\n首页单独"), {}, true);
  makeAction(kCmdViewThumbnails, tr("缩略图(&H)"), tr("在侧栏中显示页面缩略图\n缩略图"));
  makeAction(kCmdGoBack, tr("返回(&B)"), tr("回到点击链接之前的位置\n返回"),
             keys(Qt::ALT | Qt::Key_Left));
  makeAction(kCmdViewToolbar, tr("工具栏(&T)"), tr("显示或隐藏工具栏\n显隐工具栏"),
             keys(QKeyCombination(Qt::Key_F8)), true);
  makeAction(kCmdViewStatusBar, tr("状态栏(&S)"), tr("显示或隐藏状态栏\n显隐状态栏"),
             keys(QKeyCombination(Qt::Key_F9)), true);

  makeAction(kCmdWindowNew, tr("新建窗口(&N)"), tr("为活动文档打开另一个窗口\n新建窗口"));
  makeAction(kCmdWindowCascade, tr("层叠(&C)"), tr("以重叠方式排列窗口\n层叠窗口"),
             keys(Qt::CTRL | Qt::SHIFT | Qt::Key_J));
  makeAction(kCmdWindowTile, tr("平铺(&T)"), tr("以不重叠的平铺方式排列窗口\n平铺窗口"),
             keys(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
  makeAction(kCmdWindowArrange, tr("排列图标(&A)"), tr("在窗口的底部排列图标\n排列图标"),
             keys(Qt::CTRL | Qt::SHIFT | Qt::Key_I));

  makeAction(kCmdHelpTopics, tr("帮助主题(&H)"), tr("列出帮助主题\n帮助主题"),
             keys(QKeyCombination(Qt::Key_F1)));
  makeAction(kCmdAppAbout, tr("关于 Brevia Reader(&A)..."), tr("显示程序信息、版本号和版权\n关于"))
      ->setIcon(viewerIcon(IconName::About));
  makeAction(kCmdTwitter, tr("Twitter"), tr("访问我们的 Twitter 页面\nTwitter"))
      ->setIcon(viewerIcon(IconName::Twitter));
  makeAction(kCmdFacebook, tr("Facebook"), tr("访问我们的 Facebook 页面\nFacebook"))
      ->setIcon(viewerIcon(IconName::Facebook));

  // Accelerators of framework commands that nothing here handles: present and disabled.
  const std::pair<int, QList<QKeySequence>> framework[] = {
      {kCmdEditCopy, {keys(Qt::CTRL | Qt::Key_Insert)}},
      {kCmdEditCut, {keys(Qt::SHIFT | Qt::Key_Delete), keys(Qt::CTRL | Qt::Key_X)}},
      {kCmdEditPaste, {keys(Qt::CTRL | Qt::Key_V), keys(Qt::SHIFT | Qt::Key_Insert)}},
      {kCmdEditUndo, {keys(Qt::ALT | Qt::Key_Backspace), keys(Qt::CTRL | Qt::Key_Z)}},
      {kCmdNextPane, {keys(QKeyCombination(Qt::Key_F6))}},
      {kCmdPrevPane, {keys(Qt::SHIFT | Qt::Key_F6)}},
  };
  for (const auto& [id, shortcuts] : framework)
    makeAction(id, QString(), QString())->setShortcuts(shortcuts);

  for (int i = 0; i < kRecentFileCount; ++i) {
    auto* a = new QAction(this);
    a->setObjectName(QStringLiteral("cmd_%1").arg(kCmdRecentFile1 + i));
    connect(a, &QAction::triggered, this, [this, i] { openRecentFile(i); });
    recentActions_.push_back(a);
  }
}

void C_Quillon_Frame::createMenus() {
  auto addRecentFiles = [this](QMenu* menu) {
    menu->addSeparator();
    for (QAction* a : recentActions_) menu->addAction(a);
    menu->addSeparator();
    connect(menu, &QMenu::aboutToShow, this, &C_Quillon_Frame::rebuildRecentFiles);
  };
  // The menus while a document window is open.
  fileMenu_ = new QMenu(tr("文件(&F)"), this);
  fileMenu_->addAction(action(kCmdFileOpen));
  fileMenu_->addAction(action(kCmdFileClose));
  fileMenu_->addAction(action(kCmdFileSave));
  fileMenu_->addAction(action(kCmdFileSaveAs));
  fileMenu_->addSeparator();
  fileMenu_->addAction(action(kCmdFilePrint));
  fileMenu_->addAction(action(kCmdFilePrintPreview));
  fileMenu_->addAction(action(kCmdFilePrintSetup));
  addRecentFiles(fileMenu_);
  fileMenu_->addAction(action(kCmdAppExit));

  editMenu_ = new QMenu(tr("编辑(&E)"), this);
  editMenu_->addAction(action(kCmdCopy));
  editMenu_->addSeparator();
  editMenu_->addAction(action(kCmdFind));

  documentMenu_ = new QMenu(tr("文档(&D)"), this);
  for (int id : {kCmdFirstPage, kCmdPreviousPage, kCmdNextPage, kCmdLastPage})
    documentMenu_->addAction(action(id));
  documentMenu_->addSeparator();
  documentMenu_->addAction(action(kCmdGoToPage));
  documentMenu_->addAction(action(kCmdGoBack));
  documentMenu_->addSeparator();
  documentMenu_->addAction(action(kCmdTellAFriend));
  documentMenu_->addSeparator();
  documentMenu_->addAction(action(kCmdFindPrevious));
  documentMenu_->addAction(action(kCmdFindNext));

  viewMenu_ = new QMenu(tr("视图(&V)"), this);
  for (int id : {kCmdZoomOut, kCmdZoomIn, kCmdActualSize, kCmdFitPage, kCmdFitWidth})
    viewMenu_->addAction(action(id));
  QMenu* rotate = viewMenu_->addMenu(tr("旋转视图(&R)"));
  rotate->addAction(action(kCmdRotateClockwise));
  rotate->addAction(action(kCmdRotateCounterClockwise));
  viewMenu_->addSeparator();
  for (int id : {kCmdViewContinuous, kCmdViewTwoPages, kCmdViewFirstAlone})
    viewMenu_->addAction(action(id));
  viewMenu_->addSeparator();
  viewMenu_->addAction(action(kCmdViewOutline));
  viewMenu_->addAction(action(kCmdViewThumbnails));
  viewMenu_->addAction(action(kCmdViewToolbar));
  viewMenu_->addAction(action(kCmdViewStatusBar));

  windowMenu_ = new QMenu(tr("窗口(&W)"), this);
  for (int id : {kCmdWindowNew, kCmdWindowCascade, kCmdWindowTile, kCmdWindowArrange})
    windowMenu_->addAction(action(id));
  connect(windowMenu_, &QMenu::aboutToShow, this, &C_Quillon_Frame::rebuildWindowList);

  helpMenu_ = new QMenu(tr("帮助(&H)"), this);
  helpMenu_->addAction(action(kCmdHelpTopics));
  helpMenu_->addSeparator();
  helpMenu_->addAction(action(kCmdAppAbout));

  // The menus while none is: File, View and Help only.
  emptyFileMenu_ = new QMenu(tr("文件(&F)"), this);
  emptyFileMenu_->addAction(action(kCmdFileOpen));
  emptyFileMenu_->addAction(action(kCmdFilePrintSetup));
  addRecentFiles(emptyFileMenu_);
  emptyFileMenu_->addAction(action(kCmdAppExit));
  emptyViewMenu_ = new QMenu(tr("视图(&V)"), this);
  emptyViewMenu_->addAction(action(kCmdViewOutline));
  emptyViewMenu_->addAction(action(kCmdViewToolbar));
  emptyViewMenu_->addAction(action(kCmdViewStatusBar));

  new DisplayModes(this, {viewMenu_, emptyViewMenu_}, {fileMenu_, emptyFileMenu_},
                   action(kCmdAppExit));
  for (QMenu* menu : {fileMenu_, editMenu_, documentMenu_, viewMenu_, windowMenu_, helpMenu_,
                      emptyFileMenu_, emptyViewMenu_})
    connect(menu, &QMenu::aboutToShow, this, &C_Quillon_Frame::updateCommandUi);
  rebuildRecentFiles();
  showMenus(false);
}

void C_Quillon_Frame::showMenus(bool documentShown) {
  if (menusForDocument_ == documentShown && !menuBar()->actions().isEmpty()) return;
  menusForDocument_ = documentShown;
  menuBar()->clear();
  const std::initializer_list<QMenu*> withDocument = {fileMenu_, editMenu_,   documentMenu_,
                                                      viewMenu_, windowMenu_, helpMenu_};
  const std::initializer_list<QMenu*> without = {emptyFileMenu_, emptyViewMenu_, helpMenu_};
  for (QMenu* menu : documentShown ? withDocument : without) menuBar()->addMenu(menu);
}

void C_Quillon_Frame::createToolBar() {
  toolBar_ = new QToolBar(tr("工具栏"), this);
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  toolBar_->setIconSize(QSize(kToolbarIconSize, kToolbarIconSize));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setAllowedAreas(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, toolBar_);

  zoomBox_ = new C_ZoomComboBox(toolBar_);
  zoomBox_->setToolTip(tr("缩放"));
  connect(zoomBox_, &C_ZoomComboBox::textEntered, this, [this](const QString& text) {
    sendToViews(kMsgZoomText, text);
    // The keys go back to the page: Page Down turns the page, not the zoom.
    if (C_PDF_View* view = activeView()) view->setFocus(Qt::OtherFocusReason);
  });

  goToLabel_ = new QLabel(QString::fromLatin1(kTextGoToPage), toolBar_);
  goToLabel_->setObjectName(QStringLiteral("goToLabel"));
  goToLabel_->setFixedWidth(kGoToLabelWidth);
  goToLabel_->setAlignment(Qt::AlignCenter);

  pageBox_ = new PageBox(toolBar_);
  pageBox_->setToolTip(tr("当前页"));
  connect(pageBox_, &PageBox::entered, this,
          [this](const QString& text) { sendToActiveView(kMsgPageText, text); });

  findBox_ = new FindBox(toolBar_);
  findBox_->setToolTip(tr("查找文本"));
  connect(findBox_, &FindBox::entered, this,
          [this](const QString& text) { sendToActiveView(kMsgFindNext, text); });
  connect(findBox_, &FindBox::enteredBackward, this,
          [this](const QString& text) { sendToActiveView(kMsgFindPrevious, text); });
  connect(findBox_, &FindBox::escaped, this, [this] {
    if (C_PDF_View* view = activeView()) view->setFocus(Qt::OtherFocusReason);
  });

  findOptionsButton_ = new QToolButton(toolBar_);
  findOptionsButton_->setObjectName(QStringLiteral("findOptionsButton"));
  findOptionsButton_->setDefaultAction(action(kCmdFindOptions));
  findOptionsButton_->setAutoRaise(true);
  findOptionsButton_->setFixedWidth(kFindOptionsWidth);
  findOptionsButton_->setIconSize(QSize(kFindOptionsWidth - 2, kToolbarIconSize));

  toolBar_->addAction(action(kCmdFileOpen));
  toolBar_->addAction(action(kCmdFilePrint));
  toolBar_->addSeparator();
  toolBar_->addAction(action(kCmdZoomOut));
  toolBar_->addWidget(zoomBox_);
  toolBar_->addAction(action(kCmdZoomIn));
  toolBar_->addSeparator();
  toolBar_->addAction(action(kCmdFitPage));
  toolBar_->addAction(action(kCmdFitWidth));
  toolBar_->addAction(action(kCmdActualSize));
  toolBar_->addSeparator();
  toolBar_->addAction(action(kCmdRotateClockwise));
  toolBar_->addAction(action(kCmdRotateCounterClockwise));
  toolBar_->addSeparator();
  for (int id : {kCmdFirstPage, kCmdPreviousPage, kCmdNextPage, kCmdLastPage})
    toolBar_->addAction(action(id));
  toolBar_->addSeparator();
  toolBar_->addWidget(goToLabel_);
  toolBar_->addWidget(pageBox_);
  toolBar_->addSeparator();
  toolBar_->addAction(action(kCmdTellAFriend));
  toolBar_->addSeparator();
  toolBar_->addWidget(findBox_);
  toolBar_->addWidget(findOptionsButton_);
  toolBar_->addAction(action(kCmdFindPrevious));
  toolBar_->addAction(action(kCmdFindNext));
  toolBar_->addSeparator();
  toolBar_->addAction(action(kCmdAppAbout));
  toolBar_->addAction(action(kCmdTwitter));
  toolBar_->addAction(action(kCmdFacebook));
  // The view mode toggles come after the buttons the toolbar always had.
  toolBar_->addSeparator();
  toolBar_->addAction(action(kCmdViewContinuous));
  toolBar_->addAction(action(kCmdViewTwoPages));
}

void C_Quillon_Frame::createNoticeBar() {
  // Below the toolbar, above the pages; shown only while the active document has something to
  // tell.
  addToolBarBreak(Qt::TopToolBarArea);
  noticeBar_ = new NoticeBar(this);
  addToolBar(Qt::TopToolBarArea, noticeBar_);
  noticeBar_->hide();
  // Faults met outside a view's own drawing (printing, say) belong to the active document.
  PageFaultLog::setFallback([this]() -> PageFaultLog* {
    C_PDF_Doc* document = activeDocument();
    return document ? PageFaultLog::of(document) : nullptr;
  });
  // Queued: a fault is met while a page is painted, and the bar changes the window's layout.
  connect(
      PageFaultLog::hub(), &PageFaultHub::faultAdded, this,
      [this](PageFaultLog* log) {
        C_PDF_Doc* document = activeDocument();
        if (document && PageFaultLog::of(document) == log) noticeBar_->showFor(log);
      },
      Qt::QueuedConnection);
}

void C_Quillon_Frame::createStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusBar"));
  const QString ready = tr("就绪");
  bar->showMessage(ready);
  // Fly-by help replaces the idle text while the pointer is over a command.
  connect(bar, &QStatusBar::messageChanged, this, [bar, ready](const QString& text) {
    if (text.isEmpty()) bar->showMessage(ready);
  });
  // Where the search says which hit is shown ("Hit 3 of 27").
  searchStatus_ = new QLabel(bar);
  searchStatus_->setObjectName(QStringLiteral("searchStatus"));
  bar->addPermanentWidget(searchStatus_);
  // Caps Lock, Num Lock and Scroll Lock, each in a pane as wide as its text.
  indicatorTexts_[0] = tr("大写");
  indicatorTexts_[1] = tr("数字");
  indicatorTexts_[2] = tr("滚动");
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(bar);
    label->setObjectName(QStringLiteral("indicator%1").arg(i));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(indicatorTexts_[i]) + 8);
    bar->addPermanentWidget(label);
    indicators_[i] = label;
  }
  auto* poll = new QTimer(this);
  poll->setInterval(kIndicatorIntervalMs);
  connect(poll, &QTimer::timeout, this, &C_Quillon_Frame::updateIndicators);
  poll->start();
  updateIndicators();
}

void C_Quillon_Frame::updateIndicators() {
  const std::optional<LockKeyState> state = lockKeyReader_ ? lockKeyReader_() : std::nullopt;
  const bool on[3] = {state && state->capsLock, state && state->numLock,
                      state && state->scrollLock};
  for (int i = 0; i < 3; ++i) {
    const QString text = on[i] ? indicatorTexts_[i] : QString();
    if (indicators_[i] && indicators_[i]->text() != text) indicators_[i]->setText(text);
  }
}

// ---- Command routing ----

void C_Quillon_Frame::routeCommand(int id) {
  CommandState state;
  C_PDF_View* view = activeView();
  const bool viewHandles = view && view->updateCommand(id, state);
  if (!viewHandles) frameUpdate(id, state);
  if (!state.enabled) {
    updateCommandUi();
    return;
  }
  if (!(viewHandles && view->onCommand(id))) frameCommand(id);
  updateCommandUi();
}

bool C_Quillon_Frame::frameUpdate(int id, CommandState& state) const {
  const bool hasWindows = !mdiArea_->subWindowList().isEmpty();
  state.checked = false;
  switch (id) {
    case kCmdFileOpen:
    case kCmdFilePrintSetup:
    case kCmdAppExit:
    case kCmdHelpTopics:
    case kCmdAppAbout:
    case kCmdTwitter:
    case kCmdFacebook:
      state.enabled = true;
      return true;
    case kCmdViewToolbar:
      state.enabled = true;
      state.checked = toolBar_ && toolBar_->isVisibleTo(this);
      return true;
    case kCmdViewStatusBar:
      state.enabled = true;
      state.checked = statusBar()->isVisibleTo(this);
      return true;
    case kCmdViewOutline:
      state.enabled = true;
      state.checked = outlineDock_ && outlineDock_->isVisibleTo(this);
      return true;
    case kCmdViewThumbnails:
      state.enabled = true;
      return true;
    case kCmdViewContinuous:
    case kCmdViewTwoPages:
    case kCmdViewFirstAlone: {
      // The active window's mode, or the one new documents get.
      const C_PDF_View* view = activeView();
      const auto mode = view ? view->viewMode() : ViewMode(ReadingPositions::defaultMode());
      const bool alone = view ? view->firstPageAlone() : ReadingPositions::defaultFirstAlone();
      state.enabled = id != kCmdViewFirstAlone || isTwoPageMode(mode);
      state.checked = id == kCmdViewContinuous ? isContinuousMode(mode)
                      : id == kCmdViewTwoPages ? isTwoPageMode(mode)
                                               : alone;
      return true;
    }
    case kCmdGoBack: {
      const LinkController* links = LinkController::of(activeView());
      state.enabled = links && links->canGoBack();
      return true;
    }
    case kCmdFileClose:
    case kCmdWindowNew:
    case kCmdFind:
    case kCmdFileSaveAs:
    // Save too: a value still being typed is not yet a change of the document.
    case kCmdFileSave:
      state.enabled = activeDocument() != nullptr;
      return true;
    case kCmdWindowCascade:
    case kCmdWindowTile:
    case kCmdWindowArrange:
      state.enabled = hasWindows;
      return true;
    default:
      state.enabled = false;
      return false;
  }
}

bool C_Quillon_Frame::frameCommand(int id) {
  switch (id) {
    case kCmdFileOpen:
      fileOpen();
      return true;
    case kCmdFileClose:
      closeActiveDocument();
      return true;
    case kCmdFileSave:
      if (C_PDF_Doc* document = activeDocument()) saveDocument(*document, QString());
      return true;
    case kCmdFileSaveAs: {
      C_PDF_Doc* document = activeDocument();
      if (!document) return true;
      QString path;
      if (saveNameChooser_) {
        path = saveNameChooser_(document->path());
      } else {
        path = QFileDialog::getSaveFileName(this, tr("另存为"), document->path(),
                                            QString::fromLatin1(kOpenFilter));
      }
      if (!path.isEmpty()) saveDocument(*document, path);
      return true;
    }
    case kCmdFilePrintSetup: {
      QPageSetupDialog dialog(&printer_, this);
      dialog.exec();
      return true;
    }
    case kCmdAppExit:
      close();
      return true;
    case kCmdViewToolbar:
      toolBar_->setVisible(!toolBar_->isVisibleTo(this));
      return true;
    case kCmdViewStatusBar:
      statusBar()->setVisible(!statusBar()->isVisibleTo(this));
      return true;
    case kCmdViewOutline:
      outlineDock_->setVisible(!outlineDock_->isVisibleTo(this));
      return true;
    case kCmdViewThumbnails:
      outlineDock_->showThumbnails();
      return true;
    case kCmdViewContinuous:
    case kCmdViewTwoPages:
    case kCmdViewFirstAlone: {
      C_PDF_View* view = activeView();
      ViewMode mode = view ? view->viewMode() : ViewMode(ReadingPositions::defaultMode());
      bool alone = view ? view->firstPageAlone() : ReadingPositions::defaultFirstAlone();
      bool continuous = isContinuousMode(mode), facing = isTwoPageMode(mode);
      if (id == kCmdViewContinuous) continuous = !continuous;
      if (id == kCmdViewTwoPages) facing = !facing;
      if (id == kCmdViewFirstAlone) alone = !alone;
      mode = facing ? (continuous ? ViewMode::TwoPagesContinuous : ViewMode::TwoPages)
                    : (continuous ? ViewMode::Continuous : ViewMode::SinglePage);
      if (view) {
        view->setFirstPageAlone(alone);
        view->setViewMode(mode);
        view->setFocus(Qt::OtherFocusReason);
      }
      // What the reader chose last is what the next document opens with.
      ReadingPositions::setDefaultMode(static_cast<int>(mode), alone);
      return true;
    }
    case kCmdGoBack:
      if (LinkController* links = LinkController::of(activeView())) links->back();
      return true;
    case kCmdWindowNew:
      if (C_PDF_Doc* document = activeDocument()) template_->createNewFrame(*document);
      return true;
    case kCmdFind:
      // The box is on the toolbar: a hidden toolbar comes back with it.
      if (!toolBar_->isVisibleTo(this)) toolBar_->show();
      findBox_->takeFocus();
      return true;
    case kCmdWindowCascade:
      cascadeWindows();
      return true;
    case kCmdWindowTile:
      mdiArea_->tileSubWindows();
      return true;
    case kCmdWindowArrange:
      arrangeIcons();
      return true;
    case kCmdHelpTopics:
      openWebPage(WebPage::Help);
      return true;
    case kCmdAppAbout:
      showAbout();
      return true;
    case kCmdTwitter:
      openWebPage(WebPage::Twitter);
      return true;
    case kCmdFacebook:
      openWebPage(WebPage::Facebook);
      return true;
    default:
      return false;
  }
}

void C_Quillon_Frame::updateCommandUi() {
  if (updatingCommands_) return;
  updatingCommands_ = true;
  C_PDF_View* view = activeView();
  for (const auto& [id, a] : actions_) {
    CommandState state;
    if (!(view && view->updateCommand(id, state))) frameUpdate(id, state);
    a->setEnabled(state.enabled);
    if (a->isCheckable()) a->setChecked(state.checked);
  }
  // The shared boxes work only while a view handles them.
  for (auto [id, widget] : {std::pair<int, QWidget*>{kCmdZoomBox, zoomBox_},
                            {kCmdPageBox, pageBox_},
                            {kCmdFindBox, findBox_}}) {
    CommandState state;
    if (view) view->updateCommand(id, state);
    if (widget) widget->setEnabled(state.enabled);
  }
  updatingCommands_ = false;
}

void C_Quillon_Frame::commandStateChanged() { updateCommandUi(); }

// ---- Documents and windows ----

C_PDF_View* C_Quillon_Frame::activeView() const {
  QMdiSubWindow* frame = mdiArea_->currentSubWindow();
  return frame ? qobject_cast<C_PDF_View*>(frame->widget()) : nullptr;
}

C_PDF_Doc* C_Quillon_Frame::activeDocument() const {
  C_PDF_View* view = activeView();
  return view ? view->pdfDocument() : nullptr;
}

void C_Quillon_Frame::documentReloaded() {
  if (outlineDock_) {
    outlineDock_->setDocument(nullptr);
    outlineDock_->setDocument(activeDocument());
  }
  updateCommandUi();
}

bool C_Quillon_Frame::openFile(const QString& path) {
  const qsizetype windowsBefore = mdiArea_->subWindowList().size();
  ViewerDocument* document = template_->openDocumentFile(path);
  if (!document) return false;
  C_PDF_View* view = activeView();
  // A file opened anew, not one whose window was only brought forward.
  if (view && mdiArea_->subWindowList().size() > windowsBefore && document->views().size() == 1)
    restorePosition(view);
  if (view) view->setFocus();
  subWindowChanged();
  return true;
}

void C_Quillon_Frame::fileOpen() {
  mdiArea_->update();
  QString path;
  if (fileChooser_) {
    path = fileChooser_();
  } else {
    QFileDialog dialog(this, tr("打开"), QString(), QString::fromLatin1(kOpenFilter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      path = dialog.selectedFiles().first();
  }
  mdiArea_->update();
  if (path.isEmpty()) return;
  {
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly) && QFileInfo(path).suffix().isEmpty())
      path += QStringLiteral(".pdf");
  }
  const QFileInfo info(path);
  if (info.exists() && !info.isReadable()) {
    showMessage(this, kCaptionReader, kTextNotAccessible, BoxIcon::Warning);
    return;
  }
  openFile(path);
  markDocumentOpened();
}

void C_Quillon_Frame::openRecentFile(int index) {
  if (index < 0 || index >= recentFiles_.files().size()) return;
  const QString path = recentFiles_.files()[index];
  if (!openFile(path)) {
    // A file that cannot be opened any more leaves the list.
    recentFiles_.remove(recentFiles_.files().indexOf(path));
    recentFiles_.save();
    rebuildRecentFiles();
  }
}

bool C_Quillon_Frame::saveDocument(C_PDF_Doc& document, const QString& path) {
  // A value still being typed is part of what is saved.
  for (QMdiSubWindow* frame : mdiArea_->subWindowList()) {
    auto* view = qobject_cast<C_PDF_View*>(frame->widget());
    if (view && view->pdfDocument() == &document) view->commitFormEdits();
  }
  // Saving an unchanged document in its own file would only write the same bytes again.
  if (path.isEmpty() && !document.isModified()) return true;
  const bool saved = FormSession::of(document).save(path, this);
  updateCommandUi();
  return saved;
}

void C_Quillon_Frame::closeActiveDocument() {
  C_PDF_Doc* document = activeDocument();
  if (!document) return;
  for (QMdiSubWindow* frame : mdiArea_->subWindowList()) {
    auto* view = qobject_cast<C_PDF_View*>(frame->widget());
    if (view && view->pdfDocument() == document) frame->close();
  }
}

void C_Quillon_Frame::cascadeWindows() {
  // Each window steps down and right by its title bar's height and keeps most of the area, so
  // every page stays readable; the active window ends on top.
  const QList<QMdiSubWindow*> frames = mdiArea_->subWindowList(QMdiArea::StackingOrder);
  QList<QMdiSubWindow*> shown;
  for (QMdiSubWindow* frame : frames)
    if (!frame->isMinimized() && !frame->isHidden()) shown << frame;
  if (shown.isEmpty()) return;
  const QRect area = mdiArea_->viewport()->rect();
  const int step = std::max(
      kCascadeMinStep, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, shown.first()));
  const int steps = static_cast<int>(shown.size()) - 1;
  const int width = std::max(area.width() * kCascadeMinShare / 100, area.width() - steps * step);
  const int height = std::max(area.height() * kCascadeMinShare / 100, area.height() - steps * step);
  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    QMdiSubWindow* frame = shown[i];
    frame->showNormal();
    // Past the area's far corner the steps start again at the top left.
    const int room = std::max(1, std::min(area.width() - width, area.height() - height) / step + 1);
    const int offset = (i % room) * step;
    frame->setGeometry(area.left() + offset, area.top() + offset, width, height);
    frame->raise();
  }
  if (QMdiSubWindow* active = mdiArea_->activeSubWindow()) active->raise();
}

void C_Quillon_Frame::createOutlineDock() {
  outlineDock_ = new OutlineDock(this);
  addDockWidget(Qt::LeftDockWidgetArea, outlineDock_);
  // Hidden until asked for: most documents are read without it.
  outlineDock_->hide();
  connect(outlineDock_, &QDockWidget::visibilityChanged, this, [this] { updateCommandUi(); });
  connect(outlineDock_, &OutlineDock::targetChosen, this, [this](const LinkTarget& target) {
    C_PDF_View* view = activeView();
    if (!view || view->pdfDocument() != outlineDock_->document()) return;
    if (LinkController* links = LinkController::of(view)) links->follow(target);
    // The keys turn the pages again.
    view->setFocus(Qt::OtherFocusReason);
    updateCommandUi();
  });
  connect(outlineDock_->thumbnails(), &ThumbnailStrip::pageChosen, this, [this](int page) {
    C_PDF_View* view = outlineDock_->thumbnails()->view();
    if (!view || view != activeView()) return;
    view->goToPage(page);
    view->setFocus(Qt::OtherFocusReason);
    updateCommandUi();
  });
}

void C_Quillon_Frame::rememberPosition(C_PDF_View* view) {
  C_PDF_Doc* document = view ? view->pdfDocument() : nullptr;
  if (!document || document->path().isEmpty() || view->currentPage() < 1) return;
  ReadingPosition position;
  const ViewPlace where = view->place();
  position.page = where.page;
  position.offset = where.offset;
  position.zoom = view->zoomLabelText();
  position.mode = static_cast<int>(view->viewMode());
  position.firstAlone = view->firstPageAlone();
  ReadingPositions::remember(document->path(), position, recentFiles_.files());
}

void C_Quillon_Frame::restorePosition(C_PDF_View* view) {
  C_PDF_Doc* document = view->pdfDocument();
  if (!document) return;
  const std::optional<ReadingPosition> position = ReadingPositions::recall(document->path());
  const int mode =
      position && position->mode >= 0 ? position->mode : ReadingPositions::defaultMode();
  view->setFirstPageAlone(position && position->mode >= 0 ? position->firstAlone
                                                          : ReadingPositions::defaultFirstAlone());
  view->setViewMode(ViewMode(mode));
  if (!position) return;
  // The same way the zoom box and the page box hand their text to the view.
  if (!position->zoom.isEmpty()) sendToActiveView(kMsgZoomText, position->zoom);
  if (position->page > 1 || position->offset > 0)
    view->showPlace({std::min(position->page, std::max(1, view->pageCount())), position->offset});
}

void C_Quillon_Frame::arrangeIcons() {
  // Minimised windows line up along the bottom edge.
  int x = 0;
  for (QMdiSubWindow* frame : mdiArea_->subWindowList()) {
    if (!frame->isMinimized()) continue;
    frame->move(x, mdiArea_->viewport()->height() - frame->height());
    x += frame->width();
  }
}

void C_Quillon_Frame::rebuildRecentFiles() {
  const QStringList& files = recentFiles_.files();
  for (int i = 0; i < static_cast<int>(recentActions_.size()); ++i) {
    QAction* a = recentActions_[i];
    if (i < files.size()) {
      a->setText(recentFiles_.menuText(i));
      a->setStatusTip(tr("打开此文档"));
      a->setEnabled(true);
      a->setVisible(true);
    } else if (i == 0) {
      a->setText(tr("最近的文件"));
      a->setEnabled(false);
      a->setVisible(true);
    } else {
      a->setVisible(false);
    }
  }
}

void C_Quillon_Frame::rebuildWindowList() {
  for (QAction* a : windowListActions_) {
    windowMenu_->removeAction(a);
    delete a;
  }
  windowListActions_.clear();
  const QList<QMdiSubWindow*> frames = mdiArea_->subWindowList();
  if (frames.isEmpty()) return;
  windowListActions_.push_back(windowMenu_->addSeparator());
  int n = 1;
  for (QMdiSubWindow* frame : frames) {
    QAction* a =
        windowMenu_->addAction(QStringLiteral("&%1 %2").arg(n++).arg(frame->windowTitle()));
    a->setCheckable(true);
    a->setChecked(frame == mdiArea_->currentSubWindow());
    connect(a, &QAction::triggered, this, [this, frame] { mdiArea_->setActiveSubWindow(frame); });
    windowListActions_.push_back(a);
  }
}

void C_Quillon_Frame::subWindowChanged() {
  showMenus(!mdiArea_->subWindowList().isEmpty());
  C_PDF_Doc* document = activeDocument();
  updateCaption();
  // The page box fits the longest page count of the open documents.
  int widest = 0;
  for (const C_PDF_View* view : findChildren<C_PDF_View*>())
    widest = std::max(widest, view->pageCount());
  pageBox_->fitPageCount(widest);
  if (!document) {
    resetToolbarBoxes();
  } else if (C_PDF_View* view = activeView()) {
    // Whichever way the window became active, the shared boxes show its values.
    setPageBoxText(view->pageBoxText());
    setZoomBoxText(view->zoomLabelText());
  }
  C_PDF_View* shown = activeView();
  setSearchStatus(shown ? shown->searchStatusText() : QString());
  if (outlineDock_) {
    outlineDock_->setDocument(document);
    outlineDock_->thumbnails()->setView(document ? activeView() : nullptr);
  }
  if (noticeBar_) noticeBar_->showFor(document ? PageFaultLog::of(document) : nullptr);
  updateCommandUi();
}

void C_Quillon_Frame::createStartPanel() {
  if (startPanel_) return;
  startPanel_ = new COpenPDFFileDialog2(mdiArea_);
  connect(startPanel_, &COpenPDFFileDialog2::openRequested, this, &C_Quillon_Frame::fileOpen);
  if (documentOpened()) {
    startPanel_->hide();
    unsetCursor();
  } else {
    startPanel_->show();
    startPanel_->raise();
  }
}

COpenPDFFileDialog2* C_Quillon_Frame::startPanel() const { return startPanel_.data(); }

void C_Quillon_Frame::markDocumentOpened() {
  documentOpened_ = 'y';
  if (startPanel_) startPanel_->hide();
}

void C_Quillon_Frame::showAbout() {
  if (startPanel_) startPanel_->hide();
  AboutDialog dialog(this);
  dialog.exec();
}

// ---- ViewHost ----

bool C_Quillon_Frame::isActiveView(const C_PDF_View* view) const {
  return view && view == activeView();
}

void C_Quillon_Frame::setZoomBoxText(const QString& text) { zoomBox_->setLabel(text); }

void C_Quillon_Frame::setPageBoxText(const QString& text) { pageBox_->setDisplayText(text); }

void C_Quillon_Frame::setSearchStatus(const QString& text) {
  if (searchStatus_ && searchStatus_->text() != text) searchStatus_->setText(text);
}

void C_Quillon_Frame::resetToolbarBoxes() {
  if (pageBox_) pageBox_->setDisplayText(QString::fromLatin1(kTextNoPages));
  if (goToLabel_) goToLabel_->setText(QString::fromLatin1(kTextGoToPage));
}

void C_Quillon_Frame::focusZoomBox() { zoomBox_->setFocus(Qt::OtherFocusReason); }

QString C_Quillon_Frame::findBoxText() const { return findBox_->phrase(); }

void C_Quillon_Frame::findBoxEnter() { findBox_->simulateEnter(); }

QWidget* C_Quillon_Frame::findOptionsButton() const { return findOptionsButton_; }

void C_Quillon_Frame::openWebPage(WebPage page) { WebPages::open(page); }

void C_Quillon_Frame::sendToViews(int message, const QString& text) {
  // Every view hears the message; only the active one acts on it.
  const QList<C_PDF_View*> views = findChildren<C_PDF_View*>();
  for (C_PDF_View* view : views) {
    PrivateMessageEvent event(message, text);
    QCoreApplication::sendEvent(view, &event);
  }
  updateCommandUi();
}

void C_Quillon_Frame::sendToActiveView(int message, const QString& text) {
  if (C_PDF_View* view = activeView()) {
    PrivateMessageEvent event(message, text);
    QCoreApplication::sendEvent(view, &event);
  }
  updateCommandUi();
}

// ---- Window events ----

void C_Quillon_Frame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void C_Quillon_Frame::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  event->acceptProposedAction();
  activateWindow();
  for (const QUrl& url : urls)
    if (url.isLocalFile()) openFile(url.toLocalFile());
}

void C_Quillon_Frame::updateCaption() {
  QMdiSubWindow* current = mdiArea_->currentSubWindow();
  caption_ =
      activeDocument() && current
          ? QStringLiteral("%1 - %2").arg(QLatin1String(kApplicationTitle), current->windowTitle())
          : QString::fromLatin1(kApplicationTitle);
  setWindowTitle(caption_);
}

void C_Quillon_Frame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowTitleChange && !caption_.isEmpty() &&
      windowTitle() != caption_)
    setWindowTitle(caption_);
}

void C_Quillon_Frame::closeEvent(QCloseEvent* event) {
  mdiArea_->closeAllSubWindows();
  // A window whose unsaved form values were kept (Cancel, or a failed save) keeps the program.
  if (!mdiArea_->subWindowList().isEmpty()) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace Corvalis::Viewer
