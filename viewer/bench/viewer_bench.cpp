// Prints the viewer's figures: time to the first paint of a large document (first-page-only
// open, then the rest of the page tree), milliseconds per page turn at fit page in a
// 1920 × 1080 window, and the cost of a scroll within a page (a blit, no render).
//   QT_QPA_PLATFORM=offscreen viewer_bench LARGE.pdf VECTOR.pdf [TURNS]
// (bench/make_pages.py and bench/make_vector_pages.py make the two documents.)

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPrinter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "viewer/app/quillon_frame.h"
#include "viewer/bench/bench_figures.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/pdf_view.h"

using namespace Corvalis::Viewer;
using namespace bench_figures;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: viewer_bench LARGE.pdf VECTOR.pdf [TURNS]\n");
    return 2;
  }
  const int turns = argc > 3 ? std::max(1, atoi(argv[3])) : 20;
  setMessageBoxHook([](const MessageBoxRequest& r) {
    std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
    return BoxAnswer::Ok;
  });
  RecentFileList recent(kRecentFileCount);
  QPrinter printer;
  C_Quillon_Frame frame(recent, printer, {false});
  frame.resize(1920, 1080);
  frame.show();
  app.processEvents();

  {
    QElapsedTimer clock;
    clock.start();
    if (!frame.openFile(QString::fromLocal8Bit(argv[1]))) return 1;
    C_PDF_View* view = frame.activeView();
    view->viewport()->repaint();
    const double firstPaint = clock.nsecsElapsed() / 1e6;
    while (!view->pdfDocument()->pageTreeComplete()) app.processEvents();
    const double complete = clock.nsecsElapsed() / 1e6;
    std::printf("large document: %d pages\n", view->pageCount());
    std::printf("  open to first paint of page 1: %.1f ms\n", firstPaint);
    std::printf("  page tree complete after:      %.1f ms\n", complete);
    frame.routeCommand(kCmdFileClose);
    app.processEvents();
  }

  if (!frame.openFile(QString::fromLocal8Bit(argv[2]))) return 1;
  C_PDF_View* view = frame.activeView();
  view->viewport()->repaint();
  while (!view->pdfDocument()->pageTreeComplete()) app.processEvents();
  const int pages = view->pageCount();
  std::printf("vector document: %d pages, window 1920 x 1080, view %d x %d, zoom %.3f (fit page)\n",
              pages, view->viewport()->width(), view->viewport()->height(), view->zoom());
  std::vector<double> firstVisit, revisit;
  for (int i = 0; i < turns; ++i) {
    const bool forward = (i / std::max(1, pages - 1)) % 2 == 0;
    const int before = view->renderCount();
    QElapsedTimer clock;
    clock.start();
    frame.routeCommand(forward ? kCmdNextPage : kCmdPreviousPage);
    view->viewport()->repaint();
    const double ms = clock.nsecsElapsed() / 1e6;
    if (view->renderCount() != before + 1)
      std::printf("  turn %d rendered %d times\n", i, view->renderCount() - before);
    (i < pages - 1 ? firstVisit : revisit).push_back(ms);
  }
  std::printf(
      "  page turn, first visit (parse + render): mean %.1f ms, median %.1f ms (%zu turns)\n",
      mean(firstVisit), median(firstVisit), firstVisit.size());
  std::printf(
      "  page turn, page parsed before (render):  mean %.1f ms, median %.1f ms (%zu turns)\n",
      mean(revisit), median(revisit), revisit.size());

  frame.routeCommand(kCmdFitWidth);
  view->viewport()->repaint();
  std::vector<double> scrolls;
  const int rendersBefore = view->renderCount();
  for (int i = 0; i < 10; ++i) {
    QElapsedTimer clock;
    clock.start();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(view, &down);
    view->viewport()->repaint();
    scrolls.push_back(clock.nsecsElapsed() / 1e6);
  }
  std::printf("  scroll within the page (fit width, Down): mean %.2f ms, renders %d\n",
              mean(scrolls), view->renderCount() - rendersBefore);
  return 0;
}
