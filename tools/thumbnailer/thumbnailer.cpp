#include "tools/thumbnailer/thumbnailer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/render_request.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/png_writer.h"

namespace gfx = brevia::gfx;

namespace thumbnailer {

namespace {

// Rounding slack when the page's longer side is scaled to exactly the size asked for.
constexpr double kSideSlack = 1e-6;
constexpr double kPointsPerInch = 72;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseSize(const char* text, int& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || errno != 0 || v < 1 || v > kMaxSize) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

std::optional<Request> parseArguments(int argc, char** argv, std::string& error) {
  Request request;
  std::string positional[2];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-s" || a == "--size") {
      if (i + 1 >= argc || !parseSize(argv[i + 1], request.size)) {
        error = "-s needs a size from 1 to " + std::to_string(kMaxSize);
        return std::nullopt;
      }
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (count < 2) {
      positional[count++] = a;
    } else {
      error = "too many arguments";
      return std::nullopt;
    }
  }
  if (count != 2) {
    error = "an input and an output file are needed";
    return std::nullopt;
  }
  request.input = positional[0];
  request.output = positional[1];
  return request;
}

std::string localPath(const std::string& input) {
  static const char kScheme[] = "file://";
  if (input.find("://") == std::string::npos) return input;
  if (input.compare(0, sizeof kScheme - 1, kScheme) != 0) return {};
  std::string rest = input.substr(sizeof kScheme - 1);
  // file://localhost/path and file:///path name local files; other hosts do not.
  if (rest.compare(0, 9, "localhost") == 0) rest.erase(0, 9);
  if (rest.empty() || rest[0] != '/') return {};
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '?' || rest[i] == '#') break;
    if (rest[i] != '%') {
      path.push_back(rest[i]);
      continue;
    }
    const int hi = i + 2 < rest.size() ? hexValue(rest[i + 1]) : -1;
    const int lo = hi >= 0 ? hexValue(rest[i + 2]) : -1;
    if (lo < 0 || (hi == 0 && lo == 0)) return {};
    path.push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return path;
}

bool makeThumbnail(const Request& request, std::string& error) {
  const std::string path = localPath(request.input);
  if (path.empty()) {
    error = request.input + ": not a local file";
    return false;
  }
  C_PDF_Document document;
  try {
    // No password: a file that needs one gets no thumbnail, and nobody is asked.
    if (!document.open(path, "")) {
      error =
          path + ": " + (document.openError().empty() ? "cannot be opened" : document.openError());
      return false;
    }
    const C_PDF_PageTreeNode_or_Page* page = document.findPage(1, false);
    if (!page) {
      error = path + ": the document has no pages";
      return false;
    }
    // The longer side scaled to the size asked for.
    const PagePixels natural = pagePixels(*page, kPointsPerInch);
    const double longer = std::max(natural.width, natural.height);
    const double dpi = kPointsPerInch * request.size / std::max(longer, 1.0);
    const PagePixels px = pagePixels(*page, dpi);
    auto side = [&](double length) {
      return std::clamp(static_cast<int>(std::floor(length + kSideSlack)), 1, request.size);
    };
    gfx::Bitmap bitmap(side(px.width), side(px.height));
    if (!bitmap.isValid()) {
      error = path + ": out of memory";
      return false;
    }
    // Paper white under the page's fractional last column and row.
    bitmap.fill(0xFFFFFFFF);
    C_PDF_Creator creator(document);
    C_PDF_Draw draw(document, creator);
    RenderRequest drawing = pageRenderRequest(*page, 1, dpi, RenderTarget::Thumbnail);
    drawing.output = &bitmap;
    draw.render(drawing);

    const std::string temporary = request.output + ".tmp-XXXXXX";
    std::unique_ptr<char[]> name(new char[temporary.size() + 1]);
    std::memcpy(name.get(), temporary.c_str(), temporary.size() + 1);
    const int fd = ::mkstemp(name.get());
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
      if (fd >= 0) ::close(fd);
      error = request.output + ": " + std::strerror(errno);
      return false;
    }
    bool ok = gfx::writePng(bitmap, file, 6) == gfx::Status::Ok;
    ok = std::fflush(file) == 0 && ok;
    ok = ::fsync(::fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    // mkstemp makes the file its owner's only; the file is given the modes a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ok && ::chmod(name.get(), 0666 & ~mask) == 0;
    ok = ok && std::rename(name.get(), request.output.c_str()) == 0;
    if (!ok) {
      error = request.output + ": cannot be written";
      std::remove(name.get());
      return false;
    }
  } catch (const C_PDF_Exception& e) {
    error = path + ": " +
            (e.cause() == PdfError::PasswordCancelled
                 ? std::string("the document is protected by a password")
             : e.reason().empty() ? std::string(e.what())
                                  : e.reason());
    return false;
  }
  return true;
}

}  // namespace thumbnailer
