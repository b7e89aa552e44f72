// brevia-cli render: pages to PNG files through the page renderer.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "engine/document/pdf_exception.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/render_request.h"
#include "platform/graphics/bitmap_rotate.h"
#include "platform/graphics/png_writer.h"
#include "platform/graphics/pnm_writer.h"
#include "tools/cli/cli_support.h"

namespace gfx = brevia::gfx;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace cli {

namespace {

// Reductions of the zoom tried before a huge page is given up.
constexpr int kMaxZoomReductions = 2000;
// Worker processes of one render.
constexpr int kMaxJobs = 64;
// The largest resolution and zoom the command accepts.
constexpr double kMaxDpi = 9600;
constexpr double kMaxZoom = 64;

void fillLastColumnAndRow(gfx::Bitmap& bitmap) {
  const int w = bitmap.width(), h = bitmap.height();
  const std::size_t stride = static_cast<std::size_t>(bitmap.stride()) / 4;
  uint32_t* pixels = reinterpret_cast<uint32_t*>(bitmap.data());
  for (int y = 0; y < h; ++y) pixels[y * stride + (w - 1)] = 0xFFFFFFFF;
  std::fill(pixels + (h - 1) * stride, pixels + (h - 1) * stride + w, 0xFFFFFFFFu);
  bitmap.markDirty();
}

bool parseNumber(const std::string& text, double& out) {
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace

bool renderPageToFile(C_PDF_Document& document, C_PDF_Draw& draw, int32_t pageNumber,
                      const RenderOptions& options, const std::string& outPath,
                      std::vector<uint32_t>* pixels) {
  const C_PDF_PageTreeNode_or_Page* page = document.findPage(pageNumber, false);
  if (!page) {
    std::fprintf(stderr, "brevia-cli: page %d does not exist\n", pageNumber);
    return false;
  }
  RenderRequest request = pageRenderRequest(*page, pageNumber, options.dpi, RenderTarget::Export);
  request.rotation = options.rotation;
  const double width = request.deviceWidth;
  const double height = request.deviceHeight;
  double zoom = options.zoom;
  // A huge page at a huge zoom is drawn smaller rather than not at all.
  auto side = [](double size, double z) { return pixelSide(size, z, PixelRounding::Cover); };
  for (int i = 0; i < kMaxZoomReductions; ++i) {
    const int64_t w = side(width, zoom), h = side(height, zoom);
    if (w * h <= gfx::Bitmap::kMaxPixels && w <= gfx::Bitmap::kMaxSide &&
        h <= gfx::Bitmap::kMaxSide)
      break;
    zoom *= std::min(0.99, std::sqrt(double(gfx::Bitmap::kMaxPixels) / double(w * h)));
  }
  const int w = side(width, zoom);
  const int h = side(height, zoom);
  // Pages of one render share their pixel memory: a fresh zeroed buffer per page costs more than
  // drawing a page of text. Every pixel is filled below, so old contents never show.
  if (pixels) pixels->resize(std::size_t(w) * std::size_t(h));
  gfx::Bitmap bitmap =
      pixels ? gfx::Bitmap::wrap(reinterpret_cast<uint8_t*>(pixels->data()), w, h, w * 4)
             : gfx::Bitmap(w, h);
  if (!bitmap.isValid()) {
    std::fprintf(stderr, "brevia-cli: page %d is too large to render\n", pageNumber);
    return false;
  }
  // The page's last pixel column and row may be partly outside its area: paper white. A drawing
  // paints the page's own area white first, so only those two need painting here (a whole-page
  // fill costs as much as drawing a page of text).
  fillLastColumnAndRow(bitmap);
  request.zoom = zoom;
  request.output = &bitmap;
  draw.render(request);
  gfx::Bitmap rotated = request.rotation % 360 != 0 ? gfx::rotatedBitmap(bitmap, request.rotation)
                                                    : std::move(bitmap);
  const bool toStdout = outPath == "-";
  std::FILE* file = toStdout ? stdout : std::fopen(outPath.c_str(), "wb");
  gfx::Status status = gfx::Status::GenericError;
  if (file) {
    switch (options.format) {
      case ImageFormat::Png:
        status = gfx::writePng(rotated, file, options.pngLevel);
        break;
      case ImageFormat::Pam:
        status = gfx::writePnm(rotated, file, gfx::PnmKind::Pam);
        break;
      case ImageFormat::Ppm:
        status = gfx::writePnm(rotated, file, gfx::PnmKind::Ppm);
        break;
    }
    // A full disk may only show when the file is closed.
    if (!toStdout && std::fclose(file) != 0) status = gfx::Status::GenericError;
  }
  if (status != gfx::Status::Ok) {
    std::fprintf(stderr, "brevia-cli: cannot write %s\n",
                 toStdout ? "to standard output" : outPath.c_str());
    return false;
  }
  return true;
}

namespace {

const char* extension(ImageFormat format) {
  switch (format) {
    case ImageFormat::Pam:
      return ".pam";
    case ImageFormat::Ppm:
      return ".ppm";
    case ImageFormat::Png:
      break;
  }
  return ".png";
}

std::string pageOutput(const std::string& out, int32_t n, ImageFormat format) {
  return out == "-" ? out : out + "/page-" + std::to_string(n) + extension(format);
}

// Renders pages first ... last one after another with one set of engine objects.
bool renderSequentially(C_PDF_Document& document, int32_t first, int32_t last,
                        const RenderOptions& options, const std::string& out,
                        std::atomic<int32_t>* sharedNext) {
  C_PDF_Creator creator(document);
  C_PDF_Draw draw(document, creator);
  bool ok = true;
  std::vector<uint32_t> pixels;
  for (int32_t n = first;; ++n) {
    if (sharedNext) n = sharedNext->fetch_add(1);
    if (n > last) break;
    ok =
        renderPageToFile(document, draw, n, options, pageOutput(out, n, options.format), &pixels) &&
        ok;
    creator.evict(n);
  }
  return ok;
}

// Renders pages 1 ... last with several worker processes, each with engine objects of its own
// (the engine is single-threaded by design). Workers take the next page from a shared counter,
// so one slow page does not hold back the rest. Every page is written to its own file, so the
// output is the same as one worker's.
bool renderInWorkers(C_PDF_Document& document, int32_t last, const RenderOptions& options,
                     const std::string& out, int jobs) {
  void* shared = ::mmap(nullptr, sizeof(std::atomic<int32_t>), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return renderSequentially(document, 1, last, options, out, nullptr);
  auto* next = new (shared) std::atomic<int32_t>(1);
  std::fflush(nullptr);
  std::vector<pid_t> workers;
  for (int k = 0; k < jobs; ++k) {
    pid_t pid = ::fork();
    if (pid == 0) {
      bool ok = false;
      try {
        ok = renderSequentially(document, 1, last, options, out, next);
      } catch (const C_PDF_Exception& e) {
        std::string text = Messages::ExceptionText(e.code());
        std::fprintf(stderr, "brevia-cli: %s\n", text.empty() ? e.what() : text.c_str());
      }
      std::fflush(nullptr);
      ::_exit(ok ? 0 : 1);
    }
    if (pid < 0) break;
    workers.push_back(pid);
  }
  // Should no worker start, this process does the work itself.
  bool ok = workers.empty() ? renderSequentially(document, 1, last, options, out, next) : true;
  for (pid_t pid : workers) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  next->~atomic();
  ::munmap(shared, sizeof(std::atomic<int32_t>));
  return ok;
}

}  // namespace

int runRender(const Arguments& args) {
  auto usage = [] { printCommandUsage("render", stderr); };
  if (args.positional.size() != 1 || !args.has("-o")) {
    usage();
    return kExitBadArguments;
  }
  RenderOptions options;
  double rotation = 0, jobsValue = 0, pngLevel = options.pngLevel;
  const std::string format = args.option("--format", "png");
  if ((args.has("--dpi") && !parseNumber(args.option("--dpi"), options.dpi)) ||
      (args.has("--zoom") && !parseNumber(args.option("--zoom"), options.zoom)) ||
      (args.has("--rotate") && !parseNumber(args.option("--rotate"), rotation)) ||
      (args.has("--jobs") && (!parseNumber(args.option("--jobs"), jobsValue) || jobsValue < 1 ||
                              jobsValue > kMaxJobs || jobsValue != std::floor(jobsValue))) ||
      (args.has("--png-level") &&
       (!parseNumber(args.option("--png-level"), pngLevel) || pngLevel < 0 || pngLevel > 9 ||
        pngLevel != std::floor(pngLevel))) ||
      options.dpi <= 0 || options.dpi > kMaxDpi || options.zoom <= 0 || options.zoom > kMaxZoom ||
      std::fmod(rotation, 90) != 0) {
    usage();
    return kExitBadArguments;
  }
  if (format == "png")
    options.format = ImageFormat::Png;
  else if (format == "pam")
    options.format = ImageFormat::Pam;
  else if (format == "ppm")
    options.format = ImageFormat::Ppm;
  else {
    usage();
    return kExitBadArguments;
  }
  options.pngLevel = static_cast<int>(pngLevel);
  options.rotation = static_cast<int>(rotation);
  const std::string pageText = args.option("--page", "1");
  double pageNumber = 0;
  const bool all = pageText == "all";
  if (!all && (!parseNumber(pageText, pageNumber) || pageNumber < 1 ||
               pageNumber != std::floor(pageNumber))) {
    usage();
    return kExitBadArguments;
  }

  // Page 1 needs no more of the tree than the first-page open reads.
  auto document =
      openDocument(args.positional[0], args.option("--password"), all || pageNumber != 1);
  if (!document) return kExitCannotOpen;
  try {
    const std::string out = args.option("-o");
    if (!all) {
      C_PDF_Creator creator(*document);
      C_PDF_Draw draw(*document, creator);
      return renderPageToFile(*document, draw, static_cast<int32_t>(pageNumber), options, out)
                 ? kExitOk
                 : kExitCannotOpen;
    }
    if (out != "-") {
      std::error_code ec;
      std::filesystem::create_directories(out, ec);
    }
    // Pages up to the first one that cannot be found.
    int32_t last = 0;
    while (last < document->pageCount && document->findPage(last + 1, false)) ++last;
    int jobs =
        args.has("--jobs")
            ? static_cast<int>(jobsValue)
            : static_cast<int>(std::clamp<long>(::sysconf(_SC_NPROCESSORS_ONLN), 1, kMaxJobs));
    // Pages written one after another onto standard output must come in order.
    if (out == "-") jobs = 1;
    jobs = std::min(jobs, last);
    const bool ok = jobs > 1 ? renderInWorkers(*document, last, options, out, jobs)
                             : renderSequentially(*document, 1, last, options, out, nullptr);
    return ok ? kExitOk : kExitCannotOpen;
  } catch (const C_PDF_Exception& e) {
    std::fprintf(stderr, "brevia-cli: %s: %s\n", args.positional[0].c_str(),
                 exceptionText(e).c_str());
    return kExitCannotOpen;
  }
}

}  // namespace cli
