#pragma once
// Renders one page into an image whose memory the renderer draws into directly.

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>

#include "viewer/view/zoom_model.h"

class C_PDF_Draw;

namespace Corvalis::Viewer {

// The view keeps at most this many pixels per page bitmap: a huge page at a huge zoom is shown
// at a lower zoom rather than exhausting memory.
inline constexpr std::int64_t kMaxViewBitmapPixels = 32LL * 1024 * 1024;
// Printing renders at the printer's resolution within this many pixels, then scales.
inline constexpr std::int64_t kMaxPrintBitmapPixels = 48LL * 1024 * 1024;
// A failed bitmap lowers the zoom by this much and tries again.
inline constexpr double kZoomDegradeStep = 0.01;

struct PageRenderRequest {
  int32_t pageNumber = 1;
  uint8_t cacheFlag = 1;
  double resolution = 96;
  double twipsPerPixel = 15;
  // The page's size in pixels at zoom 1 after its own rotation (before the view's).
  double deviceWidth = 0;
  double deviceHeight = 0;
  int32_t renderFlagA = 0;
  int32_t renderFlagB = 0;
  bool operator==(const PageRenderRequest&) const = default;
};

// The zoom a page is drawn at in a window of the given size: fitted in the fit modes, else the
// chosen zoom, within kMinZoom and kMaxZoom. shownWidth and shownHeight: the page in pixels at
// zoom 1 as shown (after the view's rotation).
double drawingZoom(ZoomMode mode, double zoom, QSize client, double shownWidth, double shownHeight);

// The bitmap size for a zoom: the sizes times zoom, truncated, at least one pixel.
QSize pageBitmapSize(double deviceWidth, double deviceHeight, double zoom);

// The zoom, lowered in steps of kZoomDegradeStep, at which the page's bitmap fits maxPixels and
// the platform's largest side.
double degradedZoom(double deviceWidth, double deviceHeight, double zoom, std::int64_t maxPixels);

// Renders the page at zoom (lowered when the bitmap is too large or cannot be had). A null
// image when no bitmap could be made. Throws what drawPage throws.
QImage renderPageImage(C_PDF_Draw& renderer, const PageRenderRequest& request, double& zoom,
                       std::int64_t maxPixels);

// Renders the part shownRect (pixels of the page as shown, after the view's rotation) of the page
// drawn at zoom: the same pixels as that part of the whole page's bitmap, without drawing the
// rest. A null image when the part is empty or no bitmap could be made. Throws what drawPage
// throws.
QImage renderPageTile(C_PDF_Draw& renderer, const PageRenderRequest& request, double zoom,
                      int viewRotation, const QRect& shownRect);

}  // namespace Corvalis::Viewer
