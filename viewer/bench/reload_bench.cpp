// Prints the figures of the writer's loop, in one run on a copy of FILE.pdf (a long TeX document):
// - reload: time from the last write of the file (in place, and by rename) to the new drawing of
//   a page in the middle on the screen, beyond the 150 ms the file must stay still; the frames
//   sampled every 50 ms meanwhile all show a page;
// - ten rewrites 100 ms apart, every other one truncated: message boxes seen (none expected),
//   the page count shown at the end, and the memory after ten reloads against after one;
// - forward search: from a request handed over the single-instance channel to the marks on the
//   page (on tests/data/synctex/tiny.pdf).
//   QT_QPA_PLATFORM=offscreen reload_bench [-n RUNS] FILE.pdf [SYNCTEX.pdf]

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <future>
#include <vector>

#include "viewer/app/command_line.h"
#include "viewer/app/quillon_frame.h"
#include "viewer/app/request_runner.h"
#include "viewer/app/single_instance.h"
#include "viewer/bench/bench_figures.h"
#include "viewer/doc/file_watcher.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/page_marks.h"
#include "viewer/view/pdf_view.h"

using namespace Corvalis::Viewer;
using namespace bench_figures;

namespace {

constexpr int kSampleMs = 50;
constexpr int kWaitMs = 10000;

double residentMiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void write(const QString& path, const QByteArray& bytes, bool byRename) {
  const QString target = byRename ? path + ".part" : path;
  QFile f(target);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  f.write(bytes);
  f.close();
  if (byRename)
    ::rename(QFile::encodeName(target).constData(), QFile::encodeName(path).constData());
}

// Waits for the reload count to reach count and the page to be drawn after it; ms or -1.
double awaitReload(C_PDF_View* view, int count, const QElapsedTimer& since, int* blankFrames) {
  bool drawn = false;
  QMetaObject::Connection c = QObject::connect(view, &C_PDF_View::rendered, [&] {
    if (view->pdfDocument()->reloadCount() >= count) drawn = true;
  });
  QElapsedTimer sample;
  sample.start();
  while (!drawn && since.elapsed() < kWaitMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (sample.elapsed() >= kSampleMs) {
      sample.restart();
      // A frame as the screen would show it now.
      const QImage frame = view->viewport()->grab().toImage();
      const QPoint o = view->pageOrigin();
      const QImage& page = view->pageImage();
      const bool pageShown = !page.isNull() &&
                             frame.rect().contains(o + QPoint(page.width() / 2, 4)) &&
                             frame.pixelColor(o + QPoint(page.width() / 2, 4)) !=
                                 QColor::fromRgb(C_PDF_View::kBackgroundRgb);
      if (!pageShown && blankFrames) ++*blankFrames;
    }
  }
  QObject::disconnect(c);
  return drawn ? double(since.nsecsElapsed()) / 1e6 : -1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setOrganizationName("BreviaBench");
  int runs = 5;
  QStringList files;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-n") && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else
      files << QString::fromLocal8Bit(argv[i]);
  }
  if (files.isEmpty()) {
    std::fprintf(stderr, "usage: reload_bench [-n RUNS] FILE.pdf [SYNCTEX.pdf]\n");
    return 2;
  }
  int boxes = 0;
  setMessageBoxHook([&boxes](const MessageBoxRequest&) {
    ++boxes;
    return BoxAnswer::Ok;
  });
  QTemporaryDir dir;
  const QString path = dir.filePath("doc.pdf");
  QFile source(files[0]);
  if (!source.open(QIODevice::ReadOnly)) return 1;
  const QByteArray bytes = source.readAll();
  write(path, bytes, false);

  QPrinter printer;
  RecentFileList recent(kRecentFileCount);
  C_Quillon_Frame frame(recent, printer, C_Quillon_Frame::Options{false});
  frame.resize(1280, 1000);
  frame.show();
  if (!frame.openFile(path)) return 1;
  C_PDF_View* view = frame.activeView();
  // The drawing thread reads the old file through a mapping, which a rewrite in place cuts
  // under it (SIGBUS); the figures are taken without it.
  view->setPrefetchEnabled(false);
  // The figures are of the one-page view, whose drawing of the shown page they wait for (the
  // strip, the default, draws pieces instead).
  view->setViewMode(ViewMode::SinglePage);
  view->pdfDocument()->completePageTree();
  const int middle = std::max(1, view->pageCount() / 2);
  view->goToPage(middle);
  view->viewport()->repaint();
  std::printf("%s: %d pages, page %d shown\n", qPrintable(QFileInfo(files[0]).fileName()),
              view->pageCount(), middle);

  int count = 0;
  for (const bool byRename : {false, true}) {
    std::vector<double> ms;
    int blank = 0;
    const double cpu0 = cpuSeconds();
    for (int r = 0; r < runs; ++r) {
      QElapsedTimer since;
      write(path, bytes, byRename);
      since.start();
      const double t = awaitReload(view, ++count, since, &blank);
      if (t < 0) {
        std::printf("  reload %s: timed out\n", byRename ? "by rename" : "in place");
        break;
      }
      ms.push_back(t - FileWatcher::kSettleMs);
      QApplication::processEvents();
    }
    std::printf(
        "  reload %s: median %.1f ms, worst %.1f ms beyond the %d ms settle (%zu runs), "
        "%.1f ms processor per reload, frames without a page: %d, page %d\n",
        byRename ? "by rename" : "in place", median(ms),
        ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()), FileWatcher::kSettleMs, ms.size(),
        (cpuSeconds() - cpu0) * 1000 / std::max<std::size_t>(1, ms.size()), blank,
        view->currentPage());
  }

  // Ten rewrites 100 ms apart, every other one cut short.
  boxes = 0;
  write(path, bytes, false);
  awaitReload(view, ++count, QElapsedTimer(), nullptr);
  const double afterOne = residentMiB();
  const int before = view->pdfDocument()->reloadCount();
  for (int i = 0; i < 10; ++i) {
    write(path, i % 2 ? bytes.left(bytes.size() * (3 + i) / 16) : bytes, false);
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < 100) QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  write(path, bytes, false);
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 10);
  for (int i = 0; i < 8; ++i) {
    write(path, bytes, false);
    awaitReload(view, view->pdfDocument()->reloadCount() + 1, QElapsedTimer(), nullptr);
  }
  std::printf(
      "  ten rewrites 100 ms apart (five truncated): %d boxes, %d reloads, %d pages shown; "
      "memory %.1f MiB after one reload, %.1f MiB after %d more\n",
      boxes, view->pdfDocument()->reloadCount() - before, view->pageCount(), afterOne,
      residentMiB(), view->pdfDocument()->reloadCount() - before);

  // Forward search through the channel of a running viewer.
  if (files.size() > 1) {
    const QString name = QStringLiteral("brevia-bench-%1").arg(QCoreApplication::applicationPid());
    SingleInstance running(name);
    if (!running.listen()) return 1;
    QObject::connect(&running, &SingleInstance::requested, &frame,
                     [&frame](const ViewerRequest& r) { RequestRunner::run(frame, r); });
    ViewerRequest request;
    request.files = {QFileInfo(files[1]).absoluteFilePath()};
    request.forward = SourcePlace{6, 0, QStringLiteral("tiny.tex")};
    frame.openFile(request.files[0]);
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
      if (C_PDF_View* v = frame.activeView()) {
        PageMarks::of(*v).clear();
        v->goToPage(2);
        v->viewport()->repaint();
      }
      QElapsedTimer since;
      since.start();
      auto hand = std::async(std::launch::async,
                             [name, request] { return SingleInstance(name).handOver(request); });
      while (since.elapsed() < kWaitMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 2);
        C_PDF_View* v = frame.activeView();
        if (v && PageMarks::of(*v).active()) break;
      }
      ms.push_back(double(since.nsecsElapsed()) / 1e6);
      hand.get();
    }
    std::printf("  forward search, command to marks: median %.1f ms, worst %.1f ms (%zu runs)\n",
                median(ms), *std::max_element(ms.begin(), ms.end()), ms.size());
  }
  return 0;
}
