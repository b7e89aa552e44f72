// Prints the viewer's memory under load: twenty documents open at once, each paged through, then
// all closed. Figures are the process's resident memory after each step, and the heap's bytes
// in use against those the allocator holds: after closing, memory the allocator keeps for later
// is not memory still in use (a leak would be).
//   QT_QPA_PLATFORM=offscreen load_bench FILE.pdf... [--pages N]
// With fewer than twenty files the list is used again until twenty documents are open.

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "viewer/messages/command_ids.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/pdf_view.h"

using namespace Corvalis::Viewer;

namespace {

constexpr int kDocuments = 20;
constexpr int kRounds = 2;
// Events are handled this long after the documents closed before memory is measured.
constexpr int kSettleMs = 500;

double residentMiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

constexpr double kMiB = 1024.0 * 1024.0;

// The heap: bytes handed out and not freed, and bytes the allocator holds (in use or free).
void printHeap(const char* when) {
  const struct mallinfo2 m = mallinfo2();
  std::printf("  heap %-27s %8.1f MiB in use, %8.1f MiB held (%8.1f MiB mapped apart)\n", when,
              double(m.uordblks + m.hblkhd) / kMiB, double(m.arena + m.hblkhd) / kMiB,
              double(m.hblkhd) / kMiB);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::vector<QString> files;
  int pagesEach = 10;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pages") == 0 && i + 1 < argc)
      pagesEach = std::max(1, std::atoi(argv[++i]));
    else
      files.push_back(QString::fromLocal8Bit(argv[i]));
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: load_bench FILE.pdf... [--pages N]\n");
    return 2;
  }
  setMessageBoxHook([](const MessageBoxRequest&) { return BoxAnswer::No; });
  RecentFileList recent(kRecentFileCount);
  QPrinter printer;
  C_Quillon_Frame frame(recent, printer, {false});
  frame.resize(1280, 1024);
  frame.show();
  app.processEvents();
  const double before = residentMiB();
  std::printf("resident before:                 %8.1f MiB\n", before);
  printHeap("before:");
  // The second round shows whether closing gives back what opening took: a leak would grow each
  // round by what the documents left behind.
  for (int round = 1; round <= kRounds; ++round) {
    std::printf("round %d\n", round);
    int pagesShown = 0;
    for (int d = 0; d < kDocuments; ++d) {
      if (!frame.openFile(files[d % files.size()])) return 1;
      C_PDF_View* view = frame.activeView();
      view->pdfDocument()->completePageTree();
      view->viewport()->repaint();
      for (int p = 1; p < pagesEach && p < view->pageCount(); ++p) {
        frame.routeCommand(kCmdNextPage);
        view->viewport()->repaint();
        app.processEvents();
        ++pagesShown;
      }
    }
    const double open = residentMiB();
    std::printf("resident with %d documents open: %8.1f MiB (%d pages shown)\n", kDocuments, open,
                pagesShown);
    printHeap("with them open:");
    for (int d = 0; d < kDocuments; ++d) {
      frame.routeCommand(kCmdFileClose);
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      app.processEvents();
    }
    // Whatever the viewer does once the documents are gone (it hands free memory back).
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < kSettleMs) {
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      app.processEvents(QEventLoop::AllEvents, 10);
    }
    const double closed = residentMiB();
    std::printf("resident after closing them:     %8.1f MiB (%.1f MiB above the start)\n", closed,
                closed - before);
    printHeap("after closing:");
    malloc_trim(0);
    const double trimmed = residentMiB();
    std::printf("resident after malloc_trim(0):   %8.1f MiB (%.1f MiB above the start)\n", trimmed,
                trimmed - before);
    printHeap("after malloc_trim(0):");
  }
  return 0;
}
