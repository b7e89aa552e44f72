// Opens arbitrary bytes as a reader does and walks the document: repaired when damaged, opened
// without a password and with one, then for the first pages drawn small, its text collected and
// searched, its links, outline and form widgets read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "engine/document/destination.h"
#include "engine/document/form_field_values.h"
#include "engine/document/link_annotation.h"
#include "engine/document/outline.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_search.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "platform/graphics/bitmap.h"

namespace {

// Pages walked per document, at most.
constexpr int32_t kMaxPages = 4;
// Pages are drawn at this resolution, their bitmap at most kMaxSide pixels a side.
constexpr double kDpi = 9;
constexpr int kMaxSide = 256;
// Hits of a search followed per page, at most.
constexpr int kMaxHits = 64;

void searchPage(const PageTextLayout& layout, const TextSearch& search) {
  int hits = 0;
  for (auto hit = search.findForward(layout.firstRun(), 0); hit && hits < kMaxHits;
       hit = search.findForward(hit->run, hit->start + 1), ++hits)
    (void)TextSearch::hitText(*hit);
  if (TextRun* last = layout.lastRun()) {
    hits = 0;
    for (auto hit = search.findBackward(last, last->length() - 1); hit && hits < kMaxHits;
         hit = search.findBackward(hit->endRun, hit->end - 1), ++hits) {
    }
  }
}

void walkPages(C_PDF_Document& document) {
  C_PDF_Creator creator(document);
  C_PDF_Draw draw(document, creator);
  const TextSearch search(u"the", false);
  for (int32_t n = 1; n <= document.pageCount && n <= kMaxPages; ++n) {
    try {
      const C_PDF_PageTreeNode_or_Page* page = document.findPage(n, false);
      if (!page) break;
      const PagePixels size = pagePixels(*page, kDpi);
      const int w = pixelSide(size.width, 1, PixelRounding::Cover);
      const int h = pixelSide(size.height, 1, PixelRounding::Cover);
      if (w <= kMaxSide && h <= kMaxSide) {
        brevia::gfx::Bitmap bitmap(w, h);
        if (bitmap.isValid())
          draw.drawPage(n, 1, bitmap, 0, size.twipsPerPixel, size.height, size.width, 1.0, 0, 0, 0,
                        0, 0, 0);
      }
      if (const PageTextLayout* layout = draw.collectPageText(n)) searchPage(*layout, search);
      forEachFormWidget(document, *page, [](const FormWidgetValues&) { return true; });
    } catch (const C_PDF_Exception&) {
    }
    creator.evict(n);
  }
}

void readNavigation(C_PDF_Document& document) {
  if (!document.resolver()) return;
  DestinationReader destinations(*document.resolver(), document.catalog(), document.pageTree());
  (void)readOutline(document.catalog() ? document.catalog()->Outlines : nullptr,
                    *document.resolver(), destinations);
  for (int32_t n = 1; n <= document.pageCount && n <= kMaxPages; ++n) {
    C_PDF_PageTreeNode_or_Page* page = nullptr;
    try {
      page = document.findPage(n, false);
    } catch (const C_PDF_Exception&) {
    }
    if (!page) break;
    for (const LinkAnnotation& link :
         readPageLinks(page->Annots, *document.resolver(), destinations))
      if (!link.target.name.empty()) destinations.named(link.target.name);
  }
}

// False when the document asked for a password it was not given.
bool walk(const std::string& path, const std::string& password) {
  C_PDF_Document document;
  try {
    if (!document.open(path, password)) return true;
    document.completePageTree();
  } catch (const C_PDF_Exception& e) {
    return e.cause() != PdfError::PasswordCancelled;
  }
  try {
    walkPages(document);
    readNavigation(document);
  } catch (const C_PDF_Exception&) {
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int fd = memfd_create("document_render_fuzz", 0);
  if (fd < 0) return 0;
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  // Inputs that want a password are walked again with the one the seeds use.
  if (!walk(path, "")) walk(path, "user");
  return 0;
}
