// Prints the viewer's memory under load: twenty documents open at once, each paged through, then
// all closed. Figures are the process's resident memory after each step.
//   QT_QPA_PLATFORM=offscreen load_bench FILE.pdf... [--pages N]
// With fewer than twenty files the list is used again until twenty documents are open.

#include <QApplication>
#include <QPrinter>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "viewer/messages/command_ids.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/pdf_view.h"

using namespace Corvalis::Viewer;

namespace {

constexpr int kDocuments = 20;

double residentMiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
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
  int pagesShown = 0;
  for (int d = 0; d < kDocuments; ++d) {
    if (!frame.openFile(files[d % files.size()])) return 1;
    C_PDF_View* view = frame.activeView();
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
  for (int d = 0; d < kDocuments; ++d) {
    frame.routeCommand(kCmdFileClose);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app.processEvents();
  }
  const double closed = residentMiB();
  std::printf("resident after closing them:     %8.1f MiB (%.1f MiB above the start)\n", closed,
              closed - before);
  return 0;
}
