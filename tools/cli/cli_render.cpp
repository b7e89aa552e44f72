// brevia-cli render: pages to PNG files through the page renderer.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/document/pdf_exception.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "platform/graphics/bitmap_rotate.h"
#include "platform/graphics/png_writer.h"
#include "tools/cli/cli_support.h"

namespace gfx = brevia::gfx;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace cli {

namespace {

bool parseNumber(const std::string& text, double& out) {
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace

bool renderPageToPng(C_PDF_Document& document, C_PDF_Draw& draw, int32_t pageNumber,
                     const RenderOptions& options, const std::string& outPath) {
  const C_PDF_PageTreeNode_or_Page* page = document.findPage(pageNumber, false);
  if (!page) {
    std::fprintf(stderr, "brevia-cli: page %d does not exist\n", pageNumber);
    return false;
  }
  const double twips = 1440.0 / options.dpi;
  const bool sideways = page->rotation == 90 || page->rotation == 270;
  const double width = (sideways ? page->height : page->width) * 20.0 / twips;
  const double height = (sideways ? page->width : page->height) * 20.0 / twips;
  double zoom = options.zoom;
  // A huge page at a huge zoom is drawn smaller rather than not at all.
  auto side = [](double size, double z) { return std::max(1, static_cast<int>(std::ceil(size * z - 1e-6))); };
  for (int i = 0; i < 2000; ++i) {
    const int64_t w = side(width, zoom), h = side(height, zoom);
    if (w * h <= gfx::Bitmap::kMaxPixels && w <= gfx::Bitmap::kMaxSide && h <= gfx::Bitmap::kMaxSide) break;
    zoom *= std::min(0.99, std::sqrt(double(gfx::Bitmap::kMaxPixels) / double(w * h)));
  }
  const int w = side(width, zoom);
  const int h = side(height, zoom);
  gfx::Bitmap bitmap(w, h);
  if (!bitmap.isValid()) {
    std::fprintf(stderr, "brevia-cli: page %d is too large to render\n", pageNumber);
    return false;
  }
  // The page's last pixel column and row may be partly outside its area: paper white.
  bitmap.fill(gfx::Argb{0xFFFFFFFF});
  draw.drawPage(pageNumber, 1, bitmap, 0, twips, height, width, zoom, 0, 0, 0, 0, 0, 0);
  gfx::Bitmap rotated = options.rotation % 360 != 0 ? gfx::rotatedBitmap(bitmap, options.rotation)
                                                    : std::move(bitmap);
  if (gfx::writePngFile(rotated, outPath) != gfx::Status::Ok) {
    std::fprintf(stderr, "brevia-cli: cannot write %s\n", outPath.c_str());
    return false;
  }
  return true;
}

int runRender(const Arguments& args) {
  const char* usage =
      "usage: brevia-cli render FILE --page N|all [--dpi D] [--zoom Z] [--rotate R] -o OUT.png|DIR "
      "[--password PW]\n";
  if (args.positional.size() != 1 || !args.has("-o")) {
    std::fputs(usage, stderr);
    return kExitBadArguments;
  }
  RenderOptions options;
  double rotation = 0;
  if ((args.has("--dpi") && !parseNumber(args.option("--dpi"), options.dpi)) ||
      (args.has("--zoom") && !parseNumber(args.option("--zoom"), options.zoom)) ||
      (args.has("--rotate") && !parseNumber(args.option("--rotate"), rotation)) ||
      options.dpi <= 0 || options.dpi > 9600 || options.zoom <= 0 || options.zoom > 64 ||
      std::fmod(rotation, 90) != 0) {
    std::fputs(usage, stderr);
    return kExitBadArguments;
  }
  options.rotation = static_cast<int>(rotation);
  const std::string pageText = args.option("--page", "1");
  double pageNumber = 0;
  const bool all = pageText == "all";
  if (!all && (!parseNumber(pageText, pageNumber) || pageNumber < 1 || pageNumber != std::floor(pageNumber))) {
    std::fputs(usage, stderr);
    return kExitBadArguments;
  }

  auto document = openDocument(args.positional[0], args.option("--password"));
  if (!document) return kExitCannotOpen;
  try {
    C_PDF_Creator creator(*document);
    C_PDF_Draw draw(*document, creator);
    const std::string out = args.option("-o");
    if (!all) return renderPageToPng(*document, draw, static_cast<int32_t>(pageNumber), options, out)
                         ? kExitOk
                         : kExitCannotOpen;
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    bool ok = true;
    for (int32_t n = 1; n <= document->pageCount; ++n) {
      if (!document->findPage(n, false)) break;
      ok = renderPageToPng(*document, draw, n, options, out + "/page-" + std::to_string(n) + ".png") && ok;
      creator.evict(n);
    }
    return ok ? kExitOk : kExitCannotOpen;
  } catch (const C_PDF_Exception& e) {
    std::string text = Messages::ExceptionText(e.code());
    std::fprintf(stderr, "brevia-cli: %s\n", text.empty() ? e.what() : text.c_str());
    return kExitCannotOpen;
  }
}

}  // namespace cli
