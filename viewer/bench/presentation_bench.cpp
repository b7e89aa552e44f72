// Prints the slide change time of a presentation at 1920 x 1080: each slide drawn when it is
// turned to, and the next slide drawn ahead in the background, in one run. Between two changes
// the presenter talks for a moment (until the slide ahead is ready, at most a few seconds). The
// interface thread's processor time per change is printed beside the wall time.
//   QT_QPA_PLATFORM=offscreen presentation_bench [-t CHANGES] SLIDES.pdf...

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "viewer/app/display_modes.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/bench/bench_figures.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/pdf_view.h"
#include "viewer/view/presentation_window.h"

using namespace Corvalis::Viewer;
using namespace bench_figures;

namespace {

constexpr int kMaxTalkMs = 5000;
constexpr QSize kScreen(1920, 1080);

double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Side {
  std::vector<double> wallMs, cpuMs;
  int fromAhead = 0;
  int pages = 0;
  QSize slide;
};

bool present(C_Quillon_Frame& frame, const QString& path, bool ahead, int changes, Side& side) {
  if (!frame.openFile(path)) return false;
  C_PDF_View* view = frame.activeView();
  view->viewport()->repaint();
  DisplayModes* modes = DisplayModes::of(&frame);
  modes->startPresentation(false);
  PresentationWindow* w = modes->presentation();
  if (!w) return false;
  w->setPrefetchEnabled(ahead);
  w->resize(kScreen);
  QApplication::processEvents();
  w->repaint();
  side.pages = w->pageCount();
  const int count = std::min(changes, side.pages - 1);
  for (int i = 0; i < count; ++i) {
    QElapsedTimer talk;
    talk.start();
    while (ahead && talk.elapsed() < kMaxTalkMs && !w->preparedAhead(w->currentPage() + 1))
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    const int before = w->preparedShown();
    const double cpu = threadCpuMs();
    QElapsedTimer clock;
    clock.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    w->repaint();
    side.wallMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    side.cpuMs.push_back(threadCpuMs() - cpu);
    if (w->preparedShown() > before) ++side.fromAhead;
  }
  side.slide = w->pageRect().size();
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  frame.routeCommand(kCmdFileClose);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  return true;
}

void print(const char* label, const Side& side) {
  std::printf(
      "  %-26s median %7.2f ms wall, %7.2f ms interface-thread cpu, mean %7.2f ms wall"
      " (%zu changes, %d from ahead)\n",
      label, median(side.wallMs), median(side.cpuMs), mean(side.wallMs), side.wallMs.size(),
      side.fromAhead);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int changes = 20;
  std::vector<QString> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-t") == 0 && i + 1 < argc)
      changes = std::max(1, atoi(argv[++i]));
    else
      files.push_back(QString::fromLocal8Bit(argv[i]));
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: presentation_bench [-t CHANGES] SLIDES.pdf...\n");
    return 2;
  }
  setMessageBoxHook([](const MessageBoxRequest&) { return BoxAnswer::No; });
  RecentFileList recent(kRecentFileCount);
  QPrinter printer;
  C_Quillon_Frame frame(recent, printer, {false});
  frame.resize(1280, 800);
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
        !present(frame, first, false, changes, drawn) ||
        !present(frame, second, true, changes, ahead)) {
      std::fprintf(stderr, "%s: cannot be read\n", qPrintable(file));
      ++failures;
      continue;
    }
    std::printf("%s: %d slides, screen %d x %d, slide %d x %d\n",
                qPrintable(QFileInfo(file).fileName()), drawn.pages, kScreen.width(),
                kScreen.height(), drawn.slide.width(), drawn.slide.height());
    print("drawn when turned to:", drawn);
    print("next slide drawn ahead:", ahead);
    const double ratio = median(ahead.wallMs) > 0 ? median(drawn.wallMs) / median(ahead.wallMs) : 0;
    std::printf("  median ratio %.1fx\n", ratio);
  }
  return failures == 0 ? 0 : 1;
}
