#include "viewer/view/pdf_frame.h"

#include <QAction>
#include <QMenu>

#include "viewer/doc/pdf_doc.h"
#include "viewer/ui/icons.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

C_PDF_Frame::C_PDF_Frame(C_PDF_Doc& document, ViewHost* host, QWidget* parent)
    : QMdiSubWindow(parent), view_(new C_PDF_View(&document, host)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(viewerIcon(IconName::App));
  setWidget(view_);
  setFocusProxy(view_);
  // The window menu's own accelerators (Close on Ctrl+W) would make the main window's
  // Close ambiguous; the main menu owns the keys.
  if (QMenu* menu = systemMenu())
    for (QAction* a : menu->actions()) a->setShortcuts({});
}

}  // namespace Corvalis::Viewer
