#include "viewer/view/pdf_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

#include "viewer/doc/pdf_doc.h"
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
  if (onClosing) onClosing(view_);
  QMdiSubWindow::closeEvent(event);
}

}  // namespace Corvalis::Viewer
