#pragma once
// Documents made around fuzz input and drawn small, shared by the page fuzz targets and the tests
// that replay their findings.

#include <cstdint>
#include <map>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "platform/graphics/bitmap.h"
#include "tests/support/pdf_builder.h"

namespace page_fuzz {

// A file from numbered object bodies, with a classic table. Object 1 must be the catalog.
inline std::string assemble(const std::map<int, std::string>& objects) {
  testing_pdf::PdfBuilder builder;
  for (const auto& [n, body] : objects) builder.set(n, body);
  return builder.build("/Root 1 0 R");
}

inline std::string streamObject(const std::string& entries, const std::string& data) {
  return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
         "\nendstream";
}

// Opens the bytes as a document and draws every page (at most a few) at a small resolution;
// with scanText, each page's text is collected without a painter first.
inline void drawDocumentBytes(const std::string& bytes, bool scanText = false) {
  static int fd = memfd_create("page_fuzz", 0);
  if (fd < 0) return;
  if (ftruncate(fd, 0) != 0 ||
      pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    return;
  C_PDF_Document document;
  try {
    if (!document.open("/proc/self/fd/" + std::to_string(fd), "")) return;
    document.completePageTree();
    C_PDF_Creator creator(document);
    C_PDF_Draw draw(document, creator);
    brevia::gfx::Bitmap bitmap(100, 100);
    for (int32_t n = 1; n <= document.pageCount && n <= 3; ++n) {
      if (scanText) (void)draw.collectPageText(n);
      // Twice: the second drawing takes the cached images.
      draw.drawPage(n, 1, bitmap, 0, 144, 100, 100, 1.0, 0, 0, 0, 0, 0, 0);
      draw.drawPage(n, 1, bitmap, 0, 72, 100, 100, 0.5, 0, 0, 0, 0, 0, 0);
    }
  } catch (const C_PDF_Exception&) {
  }
}

// A one-page document whose content is the input, drawn (with scanText: scanned for its text,
// then drawn).
inline void runContent(const std::string& content, bool scanText) {
  drawDocumentBytes(
      assemble({
          {1, "<< /Type /Catalog /Pages 2 0 R >>"},
          {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
          {3,
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources 5 0 R "
           ">>"},
          {4, streamObject("", content)},
          {5,
           "<< /ExtGState << /G << /ca 0.5 /CA 0.5 >> >> /ColorSpace << /CS [/Indexed /DeviceRGB 1 "
           "<FF000000FF00>] "
           "/P [/Pattern /DeviceRGB] >> /XObject << /X 6 0 R >> /Font << /F 7 0 R /T 8 0 R >> "
           "/Shading << /S 10 0 R >> /Pattern << /Tile 11 0 R /Sh 12 0 R >> >>"},
          {6, streamObject("/Subtype /Form /BBox [0 0 10 10]", "0 0 5 5 re f /X Do")},
          {7, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
          {8,
           "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << /a 9 0 "
           "R >> "
           "/Encoding << /Differences [97 /a] >> /FirstChar 97 /LastChar 97 /Widths [500] >>"},
          {9, streamObject("", "500 0 0 0 500 500 d1 0 0 500 500 re f BT /T 1 Tf (a) Tj ET")},
          {10,
           "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Extend [true false] "
           "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >>"},
          {11,
           streamObject(
               "/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10",
               "0 0 5 5 re f /Tile scn 0 0 3 3 re f")},
          {12, "<< /PatternType 2 /Shading 10 0 R >>"},
      }),
      scanText);
}
inline void drawContent(const std::string& content) { runContent(content, false); }
inline void scanContent(const std::string& content) { runContent(content, true); }

// An image XObject drawn over the page: the first line of the input gives the dictionary
// entries, the rest the stream data.
inline void drawImage(const std::string& input) {
  const std::size_t eol = input.find('\n');
  const std::string entries = eol == std::string::npos ? input : input.substr(0, eol);
  const std::string data = eol == std::string::npos ? std::string() : input.substr(eol + 1);
  drawDocumentBytes(assemble({
      {1, "<< /Type /Catalog /Pages 2 0 R >>"},
      {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
      {3,
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources 5 0 R >>"},
      {4,
       streamObject("", "0 0 1 rg q 150 0 0 150 20 20 cm /Im Do Q q 10 0 0 300 0 0 cm /Im Do Q")},
      {5, "<< /XObject << /Im 6 0 R >> >>"},
      {6, streamObject("/Type /XObject /Subtype /Image " + entries, data)},
  }));
}

}  // namespace page_fuzz
