#include "engine/render/render_request.h"

#include "engine/render/page_pixels.h"

RenderRequest pageRenderRequest(const C_PDF_PageTreeNode_or_Page& page, int32_t pageNumber,
                                double resolution, RenderTarget target) {
  const PagePixels pixels = pagePixels(page, resolution);
  RenderRequest request;
  request.pageNumber = pageNumber;
  request.target = target;
  request.resolution = resolution;
  request.twipsPerPixel = pixels.twipsPerPixel;
  request.deviceWidth = pixels.width;
  request.deviceHeight = pixels.height;
  return request;
}
