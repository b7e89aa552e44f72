// Prints how long the viewer takes to search a whole document for a phrase that is not in it:
// the phrase is typed into the find box of the real main window on page 1 and Enter released,
// and the clock stops when "No matches found." is shown.
//   QT_QPA_PLATFORM=offscreen find_bench DOCUMENT.pdf [PHRASE] [RUNS]
// (Debian's r-doc-pdf installs a 2,415-page reference manual: dpkg -L r-doc-pdf.)

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "viewer/app/quillon_frame.h"
#include "viewer/bench/bench_figures.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/view/page_text_source.h"
#include "viewer/view/pdf_view.h"

using namespace Corvalis::Viewer;
using namespace bench_figures;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: find_bench DOCUMENT.pdf [PHRASE] [RUNS]\n");
    return 2;
  }
  const QString phrase =
      argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("quixotic zeppelin");
  const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 3;
  QElapsedTimer clock;
  double stoppedAt = -1;
  QString shownText;
  setMessageBoxHook([&](const MessageBoxRequest& r) {
    stoppedAt = clock.nsecsElapsed() / 1e6;
    shownText = r.text;
    return BoxAnswer::Ok;
  });
  RecentFileList recent(kRecentFileCount);
  QPrinter printer;
  C_Quillon_Frame frame(recent, printer, {false});
  frame.resize(1280, 1024);
  frame.show();
  app.processEvents();

  std::vector<double> wall, cpu, warm;
  int pages = 0;
  int64_t scanned = 0;
  for (int run = 0; run < runs; ++run) {
    if (!frame.openFile(QString::fromLocal8Bit(argv[1]))) return 1;
    C_PDF_View* view = frame.activeView();
    if (!view) return 1;
    view->viewport()->repaint();
    while (!view->pdfDocument()->pageTreeComplete()) app.processEvents();
    view->viewport()->repaint();
    pages = view->pageCount();
    FindBox* box = frame.findBox();
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, phrase);
    stoppedAt = -1;
    const double cpuBefore = cpuSeconds();
    clock.start();
    QTest::keyClick(box, Qt::Key_Return);
    const double cpuAfter = cpuSeconds();
    if (stoppedAt < 0 || view->currentPage() != 1) {
      std::printf("run %d: the search did not end with a message on page 1 (page %d)\n", run + 1,
                  view->currentPage());
      return 1;
    }
    scanned = view->textSource()->pagesScanned();
    std::printf("run %d: \"%s\" after %.1f ms (%.1f ms CPU), %lld pages scanned, view on page %d\n",
                run + 1, qPrintable(shownText), stoppedAt, (cpuAfter - cpuBefore) * 1000,
                static_cast<long long>(scanned), view->currentPage());
    wall.push_back(stoppedAt);
    cpu.push_back((cpuAfter - cpuBefore) * 1000);
    // The same document again with another phrase: every page's text is known by now.
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, phrase + QStringLiteral(" again"));
    stoppedAt = -1;
    const double cpuAgain = cpuSeconds();
    clock.start();
    QTest::keyClick(box, Qt::Key_Return);
    const double again = (cpuSeconds() - cpuAgain) * 1000;
    std::printf("run %d: a second phrase after %.1f ms (%.1f ms CPU), %lld more pages scanned\n",
                run + 1, stoppedAt, again,
                static_cast<long long>(view->textSource()->pagesScanned() - scanned));
    warm.push_back(again);
    frame.routeCommand(kCmdFileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app.processEvents();
    std::fflush(stdout);
  }
  std::printf(
      "search of %d pages for \"%s\" to \"No matches found.\": median %.1f ms wall, %.1f ms CPU, "
      "%.3f ms per page (%d runs)\n",
      pages, qPrintable(phrase), median(wall), median(cpu),
      median(wall) / std::max<int64_t>(1, scanned), runs);
  std::printf("a second search of the open document: median %.1f ms CPU\n", median(warm));
  return 0;
}
