#pragma once
// The commands for writing with TeX beside the reader: File ▸ Reload, View ▸ "Reload when the
// file changes" and "Show changes after reload", the editor command of inverse search, and the
// context menu's "Go to source". Every document window gets its reload controller and source
// link when it comes up.

#include <QObject>
#include <QPoint>
#include <QPointer>

class QAction;
class QMdiSubWindow;
class QMenu;

namespace Corvalis::Viewer {

class C_Quillon_Frame;
class C_PDF_View;

class WriterActions : public QObject {
  Q_OBJECT
 public:
  static constexpr int kStatusMs = 0;

  WriterActions(C_Quillon_Frame& frame, QMenu* fileMenu, QMenu* viewMenu, QMenu* contextMenu);

  QAction* reloadAction() const { return reload_; }
  QAction* watchAction() const { return watch_; }
  QAction* tintAction() const { return tint_; }
  QAction* editorAction() const { return editor_; }
  QAction* sourceAction() const { return source_; }

  static bool watchingEnabled();

  // The window became active (or was made): its document watches its file.
  void adopt(C_PDF_View* view);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void updateSourceAction();
  void askEditorCommand();

  C_Quillon_Frame& frame_;
  QAction* reload_;
  QAction* watch_;
  QAction* tint_;
  QAction* editor_;
  QAction* source_;
  QPoint contextPoint_;
  QPointer<C_PDF_View> contextView_;
};

}  // namespace Corvalis::Viewer
