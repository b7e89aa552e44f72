#include "viewer/view/pdf_frame.h"

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
}

}  // namespace Corvalis::Viewer
