#pragma once
// Draws hand-written page content into a bitmap at one pixel per point.

#include <memory>
#include <string>

#include "engine/document/pdf_document.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/render_request.h"
#include "platform/graphics/bitmap.h"
#include "tests/support/pdf_builder.h"

namespace testing_render {

// A drawing of the page at 72 dpi (20 twips per pixel), the page width × height pixels at zoom 1,
// into output.
inline RenderRequest requestAt72(int32_t pageNumber, brevia::gfx::Bitmap& output, double width,
                                 double height, double zoom = 1,
                                 RenderTarget target = RenderTarget::Screen) {
  RenderRequest request;
  request.pageNumber = pageNumber;
  request.target = target;
  request.resolution = 72;
  request.twipsPerPixel = 20;
  request.deviceWidth = width;
  request.deviceHeight = height;
  request.zoom = zoom;
  request.output = &output;
  return request;
}

struct DrawnPage {
  std::unique_ptr<C_PDF_Document> document;
  std::unique_ptr<C_PDF_Creator> creator;
  std::unique_ptr<C_PDF_Draw> draw;
  brevia::gfx::Bitmap bitmap{1, 1};

  // Straight ARGB of a pixel (y downwards from the top of the page).
  uint32_t at(int x, int y) const { return bitmap.colourAt(x, y); }
};

// A one-page document of the given size with extra objects from builder (objects 1 to 3 and
// 4 for the content are taken), drawn at 72 dpi.
inline DrawnPage drawContent(const std::string& content, int width = 200, int height = 100,
                             const std::string& pageExtra = "",
                             testing_pdf::PdfBuilder builder = {},
                             const std::string& catalogExtra = "") {
  builder.set(1, "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>");
  builder.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  builder.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " " +
                     std::to_string(height) + "] /Contents 4 0 R " + pageExtra + " >>");
  builder.setStream(4, "", content);
  DrawnPage page;
  page.document = std::make_unique<C_PDF_Document>();
  page.document->open(testing_pdf::writeTempFile(builder.build("/Root 1 0 R")), "");
  page.creator = std::make_unique<C_PDF_Creator>(*page.document);
  page.draw = std::make_unique<C_PDF_Draw>(*page.document, *page.creator);
  const C_PDF_PageTreeNode_or_Page* node = page.document->findPage(1, false);
  const bool sideways = node->rotation == 90 || node->rotation == 270;
  const int w = sideways ? node->height : node->width;
  const int h = sideways ? node->width : node->height;
  page.bitmap = brevia::gfx::Bitmap(w, h);
  page.draw->render(requestAt72(1, page.bitmap, w, h));
  return page;
}

}  // namespace testing_render
