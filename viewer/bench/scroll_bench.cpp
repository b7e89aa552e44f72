// Prints what scrolling the continuous view costs: in a 1920 x 1080 window at fit width, the view
// scrolls through PAGES pages at a steady 3 screens per second and then at 1 screen per second
// (60 frames a second, the pages drawn on the drawing thread meanwhile; the slower pass through
// SLOW pages, a third of them unless given, so that it takes as long), and reports the paint
// time per frame (median and 99th percentile) and the share of frames that showed a page not
// drawn yet. Then the time to the first page drawn after opening, in the one-page view (as the
// viewer opened documents before) and in the continuous view, in the same run; and, with -m, the
// process's peak memory after going through the whole document a screen at a time, beside what
// it may be: the budget of drawn pages plus what the one-page view of the document takes.
// (-M N: through the first N pages only).
//   QT_QPA_PLATFORM=offscreen scroll_bench [-p PAGES] [-s SLOW] [-m | -M N] FILE.pdf...

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

#include "viewer/app/allocator_tuning.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/bench/bench_figures.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reading_positions.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/pdf_view.h"

using namespace Corvalis::Viewer;
using namespace bench_figures;

namespace {

constexpr int kFramesPerSecond = 60;
// A page is waited for this long at most in the memory pass.
constexpr int kMaxPageWaitMs = 3000;
// The memory pass prints the resident memory every this many pages.
constexpr int kMemoryReportPages = 250;

// The calling thread's processor time in milliseconds: the paint's own cost, whatever else the
// shared machine runs meanwhile.
double threadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto i = static_cast<std::size_t>(p * double(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

// The process's peak and current resident memory in MiB (from /proc/self/status).
double statusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::strlen(field))) / 1024.0;
  return 0;
}

C_PDF_View* openCopy(C_Quillon_Frame& frame, const QString& path, QTemporaryDir& folder,
                     const QString& prefix, ViewMode mode) {
  const QString copy = folder.filePath(prefix + QFileInfo(path).fileName());
  QFile::remove(copy);
  if (!QFile::copy(path, copy)) return nullptr;
  ReadingPositions::setDefaultMode(static_cast<int>(mode), true);
  if (!frame.openFile(copy)) return nullptr;
  return frame.activeView();
}

void closeActive(C_Quillon_Frame& frame) {
  frame.routeCommand(kCmdFileClose);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
}

struct Run {
  std::vector<double> paintMs;
  std::vector<double> wallMs;
  int placeholderFrames = 0;
  double cpu = 0;
};

// Scrolls from the top through pages pages at screensPerSecond, one frame each 1/60 s.
Run scroll(C_PDF_View* view, int pages, double screensPerSecond) {
  Run run;
  const int height = view->viewport()->height();
  const PageLayout& layout = view->stripLayout();
  const int last = std::min(pages + 1, layout.pageCount());
  const int end = layout.pageRect(last).top();
  const double perFrame = screensPerSecond * height / kFramesPerSecond;
  view->scrollStripTo(0, 0);
  view->viewport()->repaint();
  // The first screen is drawn before the clock starts, as a reader starts from a shown page.
  QElapsedTimer wait;
  wait.start();
  while (!view->stripComplete() && wait.elapsed() < kMaxPageWaitMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    view->viewport()->repaint();
  }
  const double cpuBefore = cpuSeconds();
  QElapsedTimer clock;
  clock.start();
  for (int frame = 1;; ++frame) {
    const int y = static_cast<int>(frame * perFrame);
    if (y >= end) break;
    // The frame is due at frame / 60 s; until then the drawing thread's pieces come in.
    const qint64 due = static_cast<qint64>(frame * 1000.0 / kFramesPerSecond);
    // A frame late on a busy machine still comes after what is queued, as in an event loop.
    QApplication::processEvents();
    while (clock.elapsed() < due) QApplication::processEvents(QEventLoop::AllEvents, 2);
    view->scrollStripTo(0, y);
    QElapsedTimer paint;
    paint.start();
    const double before = threadMs();
    view->viewport()->repaint();
    run.paintMs.push_back(threadMs() - before);
    run.wallMs.push_back(double(paint.nsecsElapsed()) / 1e6);
    if (view->lastPaintShowedPlaceholder()) ++run.placeholderFrames;
  }
  run.cpu = cpuSeconds() - cpuBefore;
  return run;
}

void print(const char* label, const Run& run) {
  const double share =
      run.paintMs.empty() ? 0 : 100.0 * run.placeholderFrames / double(run.paintMs.size());
  std::printf(
      "  %-22s %5zu frames, paint (processor) median %6.2f ms, p99 %6.2f ms, slowest %6.2f ms "
      "(wall p99 %6.2f ms); placeholder in %5.2f %% of frames; process processor %.1f s\n",
      label, run.paintMs.size(), median(run.paintMs), percentile(run.paintMs, 0.99),
      percentile(run.paintMs, 1.0), percentile(run.wallMs, 0.99), share, run.cpu);
}

// Milliseconds from asking to open to the first page on screen, drawn.
double firstPage(C_Quillon_Frame& frame, const QString& path, QTemporaryDir& folder, ViewMode mode,
                 const QString& prefix) {
  const QString copy = folder.filePath(prefix + QFileInfo(path).fileName());
  QFile::remove(copy);
  if (!QFile::copy(path, copy)) return -1;
  ReadingPositions::setDefaultMode(static_cast<int>(mode), true);
  QElapsedTimer clock;
  clock.start();
  if (!frame.openFile(copy)) return -1;
  C_PDF_View* view = frame.activeView();
  view->viewport()->repaint();
  while (mode != ViewMode::SinglePage && !view->stripComplete() && clock.elapsed() < 30000) {
    QApplication::processEvents(QEventLoop::AllEvents, 1);
    view->viewport()->repaint();
  }
  const double ms = double(clock.nsecsElapsed()) / 1e6;
  closeActive(frame);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  // As the viewer does.
  tuneAllocator();
  QApplication app(argc, argv);
  int pages = 200;
  int slowPages = 0;
  bool memory = false;
  int memoryPages = 0;
  // Each line as it is printed: a long run shows its figures as they come.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::vector<QString> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-p") == 0 && i + 1 < argc) {
      pages = std::max(1, atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "-s") == 0 && i + 1 < argc) {
      slowPages = std::max(1, atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "-m") == 0) {
      memory = true;
    } else if (std::strcmp(argv[i], "-M") == 0 && i + 1 < argc) {
      memory = true;
      memoryPages = std::max(1, atoi(argv[++i]));
    } else {
      files.push_back(QString::fromLocal8Bit(argv[i]));
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: scroll_bench [-p PAGES] [-s SLOW] [-m | -M N] FILE.pdf...\n");
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
    if (!QFileInfo::exists(file)) {
      std::printf("%s: not installed, left out\n", qPrintable(file));
      continue;
    }
    const double single1 = firstPage(frame, file, folder, ViewMode::SinglePage, "s1-");
    const double strip1 = firstPage(frame, file, folder, ViewMode::Continuous, "c1-");
    const double single2 = firstPage(frame, file, folder, ViewMode::SinglePage, "s2-");
    const double strip2 = firstPage(frame, file, folder, ViewMode::Continuous, "c2-");
    // What the document itself costs: the one-page view with its neighbours drawn ahead.
    double onePageMiB = 0;
    if (C_PDF_View* single = openCopy(frame, file, folder, "single-", ViewMode::SinglePage)) {
      single->viewport()->repaint();
      while (!single->pdfDocument()->pageTreeComplete()) QApplication::processEvents();
      QElapsedTimer settle;
      settle.start();
      while (settle.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 20);
      onePageMiB = statusMiB("VmRSS:");
      closeActive(frame);
    }
    C_PDF_View* view = openCopy(frame, file, folder, "scroll-", ViewMode::Continuous);
    if (!view) {
      std::fprintf(stderr, "%s: cannot be read\n", qPrintable(file));
      ++failures;
      continue;
    }
    frame.routeCommand(kCmdFitWidth);
    view->viewport()->repaint();
    while (!view->pdfDocument()->pageTreeComplete()) QApplication::processEvents();
    view->viewport()->repaint();
    std::printf("%s: %d pages, window 1920 x 1080, view %d x %d, zoom %.3f (fit width)\n",
                qPrintable(QFileInfo(file).fileName()), view->pageCount(),
                view->viewport()->width(), view->viewport()->height(), view->zoom());
    std::printf("  first page shown: one-page view %.0f / %.0f ms, continuous %.0f / %.0f ms\n",
                single1, single2, strip1, strip2);
    std::printf("  one-page view of the document: %.0f MiB resident\n", onePageMiB);
    const int slow = slowPages > 0 ? slowPages : std::max(1, pages / 3);
    std::printf("  3 screens per second through %d pages, 1 screen per second through %d:\n", pages,
                slow);
    print("3 screens per second:", scroll(view, pages, 3));
    print("1 screen per second:", scroll(view, slow, 1));
    std::printf(
        "  memory after scrolling %d pages: peak %.0f MiB, now %.0f MiB, drawn pages %.0f MiB\n",
        pages, statusMiB("VmHWM:"), statusMiB("VmRSS:"),
        double(view->tileCache().bytes()) / (1024.0 * 1024.0));
    if (memory) {
      // The whole document a screen at a time, each screen drawn before the next.
      const PageLayout& layout = view->stripLayout();
      const int end = memoryPages > 0 && memoryPages < layout.pageCount()
                          ? layout.pageRect(memoryPages + 1).top()
                          : layout.stripSize().height();
      const int height = view->viewport()->height();
      const double cpuBefore = cpuSeconds();
      int reported = 0;
      for (int y = 0; y < end; y += height) {
        if (const int page = layout.pageAt(QPoint(layout.stripSize().width() / 2, y));
            page >= reported + kMemoryReportPages) {
          reported = page;
          std::printf("    at page %d: resident %.0f MiB, drawn pages %.0f MiB\n", page,
                      statusMiB("VmRSS:"), double(view->tileCache().bytes()) / (1024.0 * 1024.0));
        }
        view->scrollStripTo(0, y);
        view->viewport()->repaint();
        QElapsedTimer wait;
        wait.start();
        while (!view->stripComplete() && wait.elapsed() < kMaxPageWaitMs) {
          QApplication::processEvents(QEventLoop::AllEvents, 5);
          view->viewport()->repaint();
        }
      }
      const double budget = double(view->tileCache().budget()) / (1024.0 * 1024.0);
      std::printf(
          "  memory after the whole document: peak %.0f MiB, now %.0f MiB, drawn pages "
          "%.0f MiB; at most budget %.0f + one-page view %.0f = %.0f MiB; processor %.0f s\n",
          statusMiB("VmHWM:"), statusMiB("VmRSS:"),
          double(view->tileCache().bytes()) / (1024.0 * 1024.0), budget, onePageMiB,
          budget + onePageMiB, cpuSeconds() - cpuBefore);
      // Live allocations against what the allocator holds: the difference is free space it
      // has not given back.
      const struct mallinfo2 heap = mallinfo2();
      std::printf("  allocator: %.0f MiB in use, %.0f MiB held (%.0f MiB of it mapped)\n",
                  double(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0),
                  double(heap.arena + heap.hblkhd) / (1024.0 * 1024.0),
                  double(heap.hblkhd) / (1024.0 * 1024.0));
    }
    closeActive(frame);
  }
  return failures == 0 ? 0 : 1;
}
