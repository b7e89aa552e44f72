#include "viewer/app/writer_actions.h"

#include <QAction>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QStatusBar>

#include "viewer/app/quillon_frame.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reload_controller.h"
#include "viewer/sync/editor_command.h"
#include "viewer/sync/source_link.h"
#include "viewer/view/change_tint.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

namespace {

constexpr char kWatchKey[] = "View/ReloadWhenFileChanges";

}  // namespace

bool WriterActions::watchingEnabled() { return QSettings().value(kWatchKey, true).toBool(); }

WriterActions::WriterActions(C_Quillon_Frame& frame, QMenu* fileMenu, QMenu* viewMenu,
                             QMenu* contextMenu)
    : QObject(&frame), frame_(frame) {
  reload_ = new QAction(tr("重新载入(&R)"), this);
  reload_->setShortcut(QKeySequence(Qt::Key_F5));
  reload_->setStatusTip(tr("从磁盘重新读取活动文档\n重新载入"));
  connect(reload_, &QAction::triggered, this, [this] {
    if (C_PDF_Doc* doc = frame_.activeDocument()) ReloadController::of(*doc).reloadNow();
  });
  watch_ = new QAction(tr("文件更改时重新载入(&W)"), this);
  watch_->setCheckable(true);
  watch_->setChecked(watchingEnabled());
  connect(watch_, &QAction::toggled, this, [this](bool on) {
    QSettings().setValue(kWatchKey, on);
    for (QMdiSubWindow* w : frame_.mdiArea()->subWindowList())
      if (auto* view = qobject_cast<C_PDF_View*>(w->widget()); view && view->pdfDocument())
        ReloadController::of(*view->pdfDocument()).setWatching(on);
  });
  tint_ = new QAction(tr("重新载入后显示更改(&H)"), this);
  tint_->setCheckable(true);
  tint_->setChecked(ChangeTint::enabled());
  connect(tint_, &QAction::toggled, this, [](bool on) { ChangeTint::setEnabled(on); });
  editor_ = new QAction(tr("SyncTeX 编辑器命令(&E)..."), this);
  connect(editor_, &QAction::triggered, this, &WriterActions::askEditorCommand);
  source_ = new QAction(tr("转到源代码(&S)"), this);
  connect(source_, &QAction::triggered, this, [this] {
    if (contextView_) SourceLink::of(*contextView_).inverseAt(contextPoint_);
  });

  if (fileMenu) {
    QAction* before = fileMenu->actions().size() > 2 ? fileMenu->actions().at(2) : nullptr;
    fileMenu->insertAction(before, reload_);
  }
  if (viewMenu) {
    viewMenu->addSeparator();
    viewMenu->addAction(watch_);
    viewMenu->addAction(tint_);
    viewMenu->addAction(editor_);
  }
  if (contextMenu) {
    contextMenu->addSeparator();
    contextMenu->addAction(source_);
    connect(contextMenu, &QMenu::aboutToShow, this, &WriterActions::updateSourceAction);
  }
  frame_.addAction(reload_);
  connect(frame_.mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
    if (w) adopt(qobject_cast<C_PDF_View*>(w->widget()));
  });
}

void WriterActions::adopt(C_PDF_View* view) {
  if (!view || !view->pdfDocument()) return;
  C_PDF_Doc* doc = view->pdfDocument();
  SourceLink::of(*view);
  if (!view->viewport()->property("breviaWriterWatched").toBool()) {
    view->viewport()->setProperty("breviaWriterWatched", true);
    view->viewport()->installEventFilter(this);
  }
  const bool fresh = !doc->findChild<ReloadController*>(QString(), Qt::FindDirectChildrenOnly);
  ReloadController& reload = ReloadController::of(*doc);
  if (fresh) {
    reload.setWatching(watch_->isChecked());
    connect(&reload, &ReloadController::status, this, [this](const QString& text) {
      if (text.isEmpty())
        frame_.statusBar()->clearMessage();
      else
        frame_.statusBar()->showMessage(text);
    });
    connect(&reload, &ReloadController::reloaded, &frame_, &C_Quillon_Frame::documentReloaded);
  }
}

bool WriterActions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    // Where the context menu was asked for: Go to source looks there.
    if (auto* widget = qobject_cast<QWidget*>(watched))
      contextView_ = qobject_cast<C_PDF_View*>(widget->parentWidget());
    contextPoint_ = static_cast<QMouseEvent*>(event)->position().toPoint();
  }
  return false;
}

void WriterActions::updateSourceAction() {
  QString reason = tr("没有打开的文档");
  if (contextView_ && contextView_ == frame_.activeView())
    reason = SourceLink::of(*contextView_).unavailableReason();
  else
    contextView_ = nullptr;
  source_->setEnabled(reason.isEmpty());
  source_->setText(reason.isEmpty() ? tr("转到源代码(&S)") : tr("转到源代码(&S) — %1").arg(reason));
}

void WriterActions::askEditorCommand() {
  bool ok = false;
  const QString text = QInputDialog::getText(
      &frame_, tr("SyncTeX 编辑器命令"),
      tr("Ctrl+单击页面时运行的命令（%f 为源文件，%l 为行号），例如 emacsclient +%l %f"),
      QLineEdit::Normal, EditorCommand::stored(), &ok);
  if (ok) EditorCommand::store(text.trimmed());
}

}  // namespace Corvalis::Viewer
