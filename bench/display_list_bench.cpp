// Zooming a drawn page: the page's content interpreted again at every zoom, against a display
// list recorded once and replayed at every zoom. Processor time per zoom step; the pixels that
// differ from direct drawing are counted as well.
//
//   display_list_bench FILE PAGE [DPI] [RUNS]

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/devices/cairo_device.h"
#include "engine/render/devices/display_list.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "platform/graphics/bitmap.h"

namespace gfx = brevia::gfx;

namespace {

// The zoom steps of the view's zoom in and out.
const double kZooms[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0};

double cpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int side(double length, double zoom) { return pixelSide(length, zoom, PixelRounding::Truncate); }

int differences(const gfx::Bitmap& a, const gfx::Bitmap& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.colourAt(x, y) != b.colourAt(x, y);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FILE PAGE [DPI] [RUNS]\n", argv[0]);
    return 2;
  }
  const int pageNumber = std::atoi(argv[2]);
  const double dpi = argc > 3 ? std::atof(argv[3]) : 96;
  const int runs = argc > 4 ? std::atoi(argv[4]) : 3;
  C_PDF_Document document;
  try {
    if (!document.open(argv[1], "")) {
      std::fprintf(stderr, "cannot open %s\n", argv[1]);
      return 1;
    }
    document.completePageTree();
  } catch (const C_PDF_Exception&) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  C_PDF_Creator creator(document);
  C_PDF_Draw draw(document, creator);
  const C_PDF_PageTreeNode_or_Page* page = document.findPage(pageNumber, false);
  if (!page) {
    std::fprintf(stderr, "no page %d\n", pageNumber);
    return 1;
  }
  const PagePixels size = pagePixels(*page, dpi);
  auto direct = [&](double zoom) {
    gfx::Bitmap b(side(size.width, zoom), side(size.height, zoom));
    draw.drawPage(pageNumber, 1, b, 0, size.twipsPerPixel, size.height, size.width, zoom, 0, 0, 0,
                  0, 0, 0);
    return b;
  };
  // Fonts loaded, images decoded and the page parsed, as for a page already on screen.
  direct(1);

  double recordMs = 1e300;
  std::unique_ptr<DisplayList> list;
  for (int r = 0; r < runs; ++r) {
    auto fresh = std::make_unique<DisplayList>(side(size.width, 1), side(size.height, 1));
    const double t0 = cpuMs();
    draw.drawPageTo(pageNumber, 1, *fresh, size.twipsPerPixel, size.height, size.width, 1);
    recordMs = std::min(recordMs, cpuMs() - t0);
    list = std::move(fresh);
  }
  std::printf("page %d at %.0f dpi: %zu commands, recorded in %.1f ms, scalable %s\n", pageNumber,
              dpi, list->commandCount(), recordMs, list->scalable() ? "yes" : "no");
  std::printf("%6s %12s %12s %8s %10s\n", "zoom", "interpret", "replay", "ratio", "differ");
  double totalDirect = 0, totalReplay = 0;
  for (double zoom : kZooms) {
    double directMs = 1e300, replayMs = 1e300;
    int differ = 0;
    for (int r = 0; r < runs; ++r) {
      double t0 = cpuMs();
      gfx::Bitmap a = direct(zoom);
      directMs = std::min(directMs, cpuMs() - t0);
      t0 = cpuMs();
      gfx::Bitmap b(side(size.width, zoom), side(size.height, zoom));
      {
        CairoDevice device(b);
        device.setSmoothingMode(gfx::SmoothingMode::HighQuality);
        device.setInterpolationMode(gfx::InterpolationMode::HighQuality);
        list->replay(device, zoom);
        device.flush();
      }
      replayMs = std::min(replayMs, cpuMs() - t0);
      if (r == 0) differ = differences(a, b);
    }
    totalDirect += directMs;
    totalReplay += replayMs;
    std::printf("%6.2f %9.1f ms %9.1f ms %7.2fx %10d\n", zoom, directMs, replayMs,
                directMs / replayMs, differ);
  }
  const double steps = double(sizeof kZooms / sizeof kZooms[0]);
  std::printf("mean per zoom step: interpret %.1f ms, replay %.1f ms\n", totalDirect / steps,
              totalReplay / steps);
  return 0;
}
