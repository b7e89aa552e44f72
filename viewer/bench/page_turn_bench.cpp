// Prints the time of a page turn at fit page in a 1920 x 1080 window, with the view drawing each
// page when it is turned to and with the next page drawn ahead in the background, in one run.
// Each side opens the document afresh and turns the same pages forwards; between two turns the
// reader looks at the page for a moment (until the pages ahead are ready, at most a few seconds;
// the side without drawing ahead waits until the event loop is idle).
//   QT_QPA_PLATFORM=offscreen page_turn_bench [-t TURNS] FILE.pdf...

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "viewer/app/quillon_frame.h"
#include "viewer/bench/bench_figures.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/page_prefetcher.h"
#include "viewer/view/pdf_view.h"

using namespace Corvalis::Viewer;
using namespace bench_figures;

namespace {

// The longest look at a page before the next turn.
constexpr int kMaxLookMs = 5000;

struct Side {
  std::vector<double> ms;
  int fromAhead = 0;
  int pages = 0;
  double zoom = 0;
  QSize viewSize;
};

double worst(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// Opens path (a fresh copy, so that no reading position is restored), turns forwards.
bool turnPages(C_Quillon_Frame& frame, const QString& path, bool ahead, int turns, Side& side) {
  if (!frame.openFile(path)) return false;
  C_PDF_View* view = frame.activeView();
  view->setPrefetchEnabled(ahead);
  view->viewport()->repaint();
  while (!view->pdfDocument()->pageTreeComplete()) QApplication::processEvents();
  side.pages = view->pageCount();
  side.viewSize = view->viewport()->size();
  const int count = std::min(turns, side.pages - 1);
  for (int i = 0; i < count; ++i) {
    const int next = view->currentPage() + 1;
    QElapsedTimer look;
    look.start();
    if (ahead) {
      // Both neighbours: a reader looks at a page longer than the two take to draw.
      auto ready = [&](int page) {
        return page < 1 || (view->prefetcher() && view->prefetcher()->isReady(page));
      };
      while (look.elapsed() < kMaxLookMs && !(ready(next) && ready(next - 2)))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QApplication::processEvents();
    const int shownBefore = view->preparedShown();
    QElapsedTimer clock;
    clock.start();
    frame.routeCommand(kCmdNextPage);
    view->viewport()->repaint();
    side.ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    if (view->preparedShown() > shownBefore) ++side.fromAhead;
  }
  side.zoom = view->zoom();
  frame.routeCommand(kCmdFileClose);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  return true;
}

void print(const char* label, const Side& side) {
  std::printf(
      "  %-28s mean %7.2f ms, median %7.2f ms, slowest %7.2f ms (%zu turns, %d from ahead)\n",
      label, mean(side.ms), median(side.ms), worst(side.ms), side.ms.size(), side.fromAhead);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int turns = 20;
  std::vector<QString> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-t") == 0 && i + 1 < argc) {
      turns = std::max(1, atoi(argv[++i]));
    } else {
      files.push_back(QString::fromLocal8Bit(argv[i]));
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: page_turn_bench [-t TURNS] FILE.pdf...\n");
    return 2;
  }
  setMessageBoxHook([](const MessageBoxRequest&) { return BoxAnswer::No; });
  RecentFileList recent(kRecentFileCount);
  QPrinter printer;
  C_Quillon_Frame frame(recent, printer, {false});
  frame.resize(1920, 1080);
  frame.show();
  app.processEvents();
  QTemporaryDir folder;
  int failures = 0;
  for (const QString& file : files) {
    Side drawn, ahead;
    // Each side reads its own copy: a document opened again would come back at its last page.
    const QString first = folder.filePath(QStringLiteral("drawn-") + QFileInfo(file).fileName());
    const QString second = folder.filePath(QStringLiteral("ahead-") + QFileInfo(file).fileName());
    if (!QFile::copy(file, first) || !QFile::copy(file, second) ||
        !turnPages(frame, first, false, turns, drawn) ||
        !turnPages(frame, second, true, turns, ahead)) {
      std::fprintf(stderr, "%s: cannot be read\n", qPrintable(file));
      ++failures;
      continue;
    }
    std::printf("%s: %d pages, window 1920 x 1080, view %d x %d, zoom %.3f (fit page)\n",
                qPrintable(QFileInfo(file).fileName()), drawn.pages, drawn.viewSize.width(),
                drawn.viewSize.height(), drawn.zoom);
    print("drawn when turned to:", drawn);
    print("next page drawn ahead:", ahead);
    const double ratio = median(ahead.ms) > 0 ? median(drawn.ms) / median(ahead.ms) : 0;
    std::printf("  median ratio %.1fx\n", ratio);
  }
  return failures == 0 ? 0 : 1;
}
