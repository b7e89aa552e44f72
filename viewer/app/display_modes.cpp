#include "viewer/app/display_modes.h"

#include <QAction>
#include <QMenu>

#include "viewer/messages/app_identity.h"
#include "viewer/app/file_association.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/night_filter.h"
#include "viewer/view/pdf_view.h"
#include "viewer/view/presentation_window.h"

namespace Corvalis::Viewer {

DisplayModes::DisplayModes(C_Quillon_Frame* frame, const QList<QMenu*>& viewMenus,
                           const QList<QMenu*>& fileMenus, QAction* beforeInFile)
    : QObject(frame), frame_(frame) {
  setObjectName(QStringLiteral("displayModes"));
  auto make = [frame](const QString& text, const QString& tip, const QKeySequence& keys,
                      bool checkable) {
    auto* a = new QAction(text, frame);
    a->setStatusTip(tip);
    a->setShortcut(keys);
    a->setCheckable(checkable);
    // The frame's actions work whichever menus are shown.
    frame->addAction(a);
    return a;
  };
  const NightSettings& settings = NightFilter::instance().settings();
  night_ = make(tr("夜间模式(&N)"), tr("以反转的明暗显示页面，色调不变"),
                QKeySequence(Qt::CTRL | Qt::Key_I), true);
  night_->setObjectName(QStringLiteral("nightMode"));
  night_->setChecked(settings.night);
  keepPictures_ = make(tr("夜间模式下保留图片原样"), tr("夜间模式不改变页面上的图片"), {}, true);
  keepPictures_->setObjectName(QStringLiteral("nightModeKeepsPictures"));
  keepPictures_->setChecked(settings.keepPictures);
  sepia_ = make(tr("棕褐色纸张(&E)"), tr("以暖色调的纸张显示页面"), {}, true);
  sepia_->setObjectName(QStringLiteral("sepiaPaper"));
  sepia_->setChecked(settings.sepia);
  for (QAction* a : {night_, keepPictures_, sepia_})
    connect(a, &QAction::toggled, this, &DisplayModes::applyNightSettings);

  presentation_ = make(tr("演示(&P)"), tr("在黑色全屏上逐页演示文档"),
                       QKeySequence(Qt::CTRL | Qt::Key_L), false);
  presentation_->setObjectName(QStringLiteral("presentation"));
  connect(presentation_, &QAction::triggered, this, [this] { startPresentation(true); });
  fullScreen_ = make(tr("全屏(&U)"), tr("以全屏显示主窗口"), QKeySequence(Qt::Key_F11), true);
  fullScreen_->setObjectName(QStringLiteral("fullScreen"));
  connect(fullScreen_, &QAction::toggled, frame, [frame](bool on) {
    frame->setWindowState(on ? frame->windowState() | Qt::WindowFullScreen
                             : frame->windowState() & ~Qt::WindowFullScreen);
  });

  makeDefault_ = make(tr("将 Brevia Reader 设为默认 PDF 阅读器(&D)"),
                      tr("以 Brevia Reader 打开桌面上的 PDF 文件"), {}, false);
  makeDefault_->setObjectName(QStringLiteral("makeDefaultReader"));
  connect(makeDefault_, &QAction::triggered, this, &DisplayModes::chooseAsDefault);

  for (QMenu* menu : viewMenus) {
    menu->addSeparator();
    menu->addAction(night_);
    menu->addAction(keepPictures_);
    menu->addAction(sepia_);
    menu->addSeparator();
    menu->addAction(fullScreen_);
    connect(menu, &QMenu::aboutToShow, this, [this] {
      presentation_->setEnabled(frame_->activeView() != nullptr);
      keepPictures_->setEnabled(night_->isChecked());
      fullScreen_->setChecked(frame_->windowState() & Qt::WindowFullScreen);
    });
  }
  if (!viewMenus.isEmpty()) viewMenus.front()->addAction(presentation_);
  for (QMenu* menu : fileMenus) {
    auto* preferences = new QMenu(tr("首选项(&E)"), menu);
    preferences->addAction(makeDefault_);
    if (beforeInFile && menu->actions().contains(beforeInFile)) {
      menu->insertMenu(beforeInFile, preferences);
      menu->insertSeparator(beforeInFile);
    } else {
      menu->addMenu(preferences);
    }
  }
  connect(&NightFilter::instance(), &NightFilter::changed, this, &DisplayModes::repaintViews);
}

DisplayModes* DisplayModes::of(const C_Quillon_Frame* frame) {
  return frame ? frame->findChild<DisplayModes*>(QStringLiteral("displayModes"),
                                                 Qt::FindDirectChildrenOnly)
               : nullptr;
}

PresentationWindow* DisplayModes::presentation() const { return presentationWindow_.data(); }

void DisplayModes::applyNightSettings() {
  NightSettings s;
  s.night = night_->isChecked();
  s.keepPictures = keepPictures_->isChecked();
  s.sepia = sepia_->isChecked();
  NightFilter::instance().setSettings(s);
}

void DisplayModes::repaintViews() {
  for (C_PDF_View* view : frame_->findChildren<C_PDF_View*>()) view->viewport()->update();
}

void DisplayModes::startPresentation(bool fullScreen) {
  C_PDF_View* view = frame_->activeView();
  if (!view || view->pageCount() < 1) return;
  if (presentationWindow_) {
    presentationWindow_->close();
    return;
  }
  presentationWindow_ = new PresentationWindow(view);
  presentationWindow_->start(fullScreen);
}

void DisplayModes::chooseAsDefault() {
  QString error;
  if (FileAssociation::makeDefault(QString::fromLatin1(kDesktopEntryName), &error)) {
    showMessage(frame_, QString::fromLatin1(kCaptionReader),
                tr("Brevia Reader 现在是默认的 PDF 阅读器。"), BoxIcon::Information);
  } else {
    showMessage(frame_, QString::fromLatin1(kCaptionReader),
                tr("无法设置默认 PDF 阅读器：\n%1").arg(error), BoxIcon::Warning);
  }
}

}  // namespace Corvalis::Viewer
