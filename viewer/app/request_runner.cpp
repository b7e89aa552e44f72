#include "viewer/app/request_runner.h"

#include <algorithm>

#include "viewer/app/command_line.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/doc/document_navigation.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/sync/editor_command.h"
#include "viewer/sync/source_link.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

bool RequestRunner::run(C_Quillon_Frame& frame, const ViewerRequest& request) {
  if (!request.editorCommand.isEmpty()) EditorCommand::store(request.editorCommand);
  bool firstOpened = false;
  for (qsizetype i = 0; i < request.files.size(); ++i) {
    const bool opened = frame.openFile(request.files[i]);
    if (i == 0) firstOpened = opened;
  }
  if (!firstOpened || !request.hasActions()) return firstOpened;
  // The first file's window comes forward again when several were opened.
  if (request.files.size() > 1 && !frame.openFile(request.files.first())) return false;
  C_PDF_View* view = frame.activeView();
  C_PDF_Doc* document = view ? view->pdfDocument() : nullptr;
  if (!document) return true;
  if (request.page > 0) {
    document->completePageTree();
    view->goToPage(std::clamp(request.page, 1, std::max(1, view->pageCount())));
  } else if (!request.namedDestination.isEmpty()) {
    const int page =
        DocumentNavigation::of(*document).namedPage(request.namedDestination.toStdString());
    if (page >= 1) view->goToPage(page);
  }
  if (request.forward) SourceLink::forward(*view, *request.forward);
  if (!request.find.isEmpty()) view->findNext(request.find);
  return true;
}

}  // namespace Corvalis::Viewer
