#include "viewer/view/pdf_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

#include "viewer/doc/form_session.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/message_box.h"
#include "viewer/ui/icons.h"
#include "viewer/view/change_tint.h"
#include "viewer/view/link_controller.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

C_PDF_Frame::C_PDF_Frame(C_PDF_Doc& document, ViewHost* host, QWidget* parent)
    : QMdiSubWindow(parent), view_(new C_PDF_View(&document, host)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(viewerIcon(IconName::App));
  setWidget(view_);
  setFocusProxy(view_);
  new LinkController(view_);
  ChangeTint::of(*view_);
  // The window menu's own accelerators (Close on Ctrl+W) would make the main window's
  // Close ambiguous; the main menu owns the keys.
  if (QMenu* menu = systemMenu())
    for (QAction* a : menu->actions()) a->setShortcuts({});
}

}  // namespace Corvalis::Viewer

namespace Corvalis::Viewer {

void C_PDF_Frame::closeEvent(QCloseEvent* event) {
  C_PDF_Doc* document = view_->pdfDocument();
  // The last window of a document with unsaved form values asks what becomes of them.
  if (document && document->views().size() <= 1) {
    view_->commitFormEdits();
    if (document->isModified()) {
      MessageBoxRequest ask;
      ask.owner = this;
      ask.caption = QString::fromLatin1(kCaptionReader);
      ask.text = QStringLiteral(
                     "The form in %1 has values that are not saved.\n\nSave them before "
                     "closing? Yes saves them, No discards them.")
                     .arg(document->title());
      ask.icon = BoxIcon::Question;
      ask.buttons = BoxButtons::YesNoCancel;
      const BoxAnswer answer = showMessageBox(ask);
      if (answer == BoxAnswer::Cancel ||
          (answer == BoxAnswer::Yes && !FormSession::of(*document).save(QString(), this))) {
        event->ignore();
        return;
      }
    }
  }
  if (onClosing) onClosing(view_);
  QMdiSubWindow::closeEvent(event);
}

}  // namespace Corvalis::Viewer
