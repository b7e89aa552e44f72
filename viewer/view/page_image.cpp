#include "viewer/view/page_image.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

#include "engine/document/pdf_document.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_draw.h"
#include "platform/graphics/bitmap.h"
#include "viewer/view/night_filter.h"

namespace Corvalis::Viewer {

namespace gfx = brevia::gfx;

namespace {

// Allocation failures are retried this many times, each at a lower zoom.
constexpr int kMaxAllocationAttempts = 100;

bool fits(double deviceWidth, double deviceHeight, double zoom, std::int64_t maxPixels) {
  const QSize size = pageBitmapSize(deviceWidth, deviceHeight, zoom);
  return size.width() <= gfx::Bitmap::kMaxSide && size.height() <= gfx::Bitmap::kMaxSide &&
         std::int64_t(size.width()) * size.height() <= std::min(maxPixels, gfx::Bitmap::kMaxPixels);
}

}  // namespace

double drawingZoom(ZoomMode mode, double zoom, QSize client, double shownWidth,
                   double shownHeight) {
  if (mode == ZoomMode::FitPage) {
    zoom = std::min((client.width() - kFitMargin) / shownWidth,
                    (client.height() - kFitMargin) / shownHeight);
  } else if (mode == ZoomMode::FitWidth) {
    zoom = (client.width() - kFitMargin) / shownWidth;
  }
  if (!(zoom >= kMinZoom)) zoom = kMinZoom;
  if (zoom > kMaxZoom) zoom = kMaxZoom;
  return zoom;
}

QSize pageBitmapSize(double deviceWidth, double deviceHeight, double zoom) {
  return {pixelSide(deviceWidth, zoom, PixelRounding::Truncate),
          pixelSide(deviceHeight, zoom, PixelRounding::Truncate)};
}

double degradedZoom(double deviceWidth, double deviceHeight, double zoom, std::int64_t maxPixels) {
  if (fits(deviceWidth, deviceHeight, zoom, maxPixels)) return zoom;
  // The largest zoom that fits, then the step of the 0.01 ladder below the current zoom at or
  // under it.
  const double w = std::max(deviceWidth, 1.0), h = std::max(deviceHeight, 1.0);
  const double pixels = double(std::min(maxPixels, gfx::Bitmap::kMaxPixels));
  const double limit =
      std::min({std::sqrt(pixels / (w * h)), gfx::Bitmap::kMaxSide / w, gfx::Bitmap::kMaxSide / h});
  double lowered = zoom - std::ceil((zoom - limit) / kZoomDegradeStep) * kZoomDegradeStep;
  // Rounding may leave the step a hair too large.
  if (!fits(deviceWidth, deviceHeight, lowered, maxPixels)) lowered -= kZoomDegradeStep;
  // Pages so large that even the first step of the ladder does not fit take the limit itself.
  if (lowered <= 0 || !fits(deviceWidth, deviceHeight, lowered, maxPixels)) lowered = limit * 0.999;
  return lowered;
}

RenderRequest viewRenderRequest(const C_PDF_PageTreeNode_or_Page& page, int32_t pageNumber,
                                const PageViewState& state) {
  RenderRequest request = pageRenderRequest(page, pageNumber, state.resolution);
  const bool turned = state.rotation % 180 != 0;
  const double shownWidth = turned ? request.deviceHeight : request.deviceWidth;
  const double shownHeight = turned ? request.deviceWidth : request.deviceHeight;
  request.zoom = drawingZoom(state.mode, state.zoom, state.client, shownWidth, shownHeight);
  request.rotation = state.rotation;
  return request;
}

ViewPageDrawing drawViewPage(C_PDF_Document& document, int32_t pageNumber, PageViewState state,
                             const ViewPageDraw& draw) {
  ViewPageDrawing drawing;
  for (int attempt = 0; attempt < kMaxRenderAttempts; ++attempt) {
    const C_PDF_PageTreeNode_or_Page* page = document.findPage(pageNumber, false);
    if (!page) return drawing;
    drawing.pageFound = true;
    const int ownRotation = page->rotation;
    drawing.request = viewRenderRequest(*page, pageNumber, state);
    drawing.image = draw(*page, drawing.request, attempt);
    // The next attempt starts from the zoom drawn at, as a fixed zoom that had to be lowered.
    state.zoom = drawing.request.zoom;
    if (drawing.request.stop && drawing.request.stop->load(std::memory_order_relaxed)) break;
    const C_PDF_PageTreeNode_or_Page* after = document.findPage(pageNumber, false);
    if (!after || after->rotation == ownRotation) break;
  }
  return drawing;
}

QImage renderPageImage(C_PDF_Draw& renderer, RenderRequest& request, std::int64_t maxPixels) {
  double& zoom = request.zoom;
  zoom = degradedZoom(request.deviceWidth, request.deviceHeight, zoom, maxPixels);
  QImage image;
  for (int attempt = 0; attempt < kMaxAllocationAttempts; ++attempt) {
    const QSize size = pageBitmapSize(request.deviceWidth, request.deviceHeight, zoom);
    image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull()) break;
    if (zoom <= kZoomDegradeStep) return {};
    zoom -= kZoomDegradeStep;
  }
  if (image.isNull()) return {};
  gfx::Bitmap target = gfx::Bitmap::wrap(image.bits(), image.width(), image.height(),
                                         static_cast<int>(image.bytesPerLine()));
  if (!target.isValid()) return {};
  RenderRequest drawn = request;
  drawn.output = &target;
  renderer.render(drawn);
  if (request.cacheFlag() == 1) NightFilter::attachPictureAreas(image, renderer.imageAreas());
  if (request.rotation % 360 == 0) return image;
  return image.transformed(QTransform().rotate(request.rotation));
}

QImage renderPageTile(C_PDF_Draw& renderer, const RenderRequest& request, const QRect& shownRect) {
  const double zoom = request.zoom;
  const QSize whole = pageBitmapSize(request.deviceWidth, request.deviceHeight, zoom);
  if (whole.isEmpty()) return {};
  // The part of the unturned page that turns into shownRect.
  const QTransform turn =
      QImage::trueMatrix(QTransform().rotate(request.rotation), whole.width(), whole.height());
  const QRect part =
      turn.inverted().mapRect(QRectF(shownRect)).toAlignedRect() & QRect(QPoint(0, 0), whole);
  if (part.isEmpty() || std::int64_t(part.width()) * part.height() > gfx::Bitmap::kMaxPixels)
    return {};
  QImage image(part.size(), QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return {};
  gfx::Bitmap target = gfx::Bitmap::wrap(image.bits(), image.width(), image.height(),
                                         static_cast<int>(image.bytesPerLine()));
  if (!target.isValid()) return {};
  // The bitmap stands for this part of the page's device space.
  target.setOrigin(part.x(), part.y());
  RenderRequest drawn = request;
  drawn.output = &target;
  renderer.render(drawn);
  if (request.rotation % 360 == 0) return image;
  return image.transformed(QTransform().rotate(request.rotation));
}

}  // namespace Corvalis::Viewer
