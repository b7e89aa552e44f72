#pragma once
// Renders one page into an image whose memory the renderer draws into directly.

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>

#include <functional>

#include "engine/render/render_request.h"
#include "viewer/view/zoom_model.h"

class C_PDF_Document;
class C_PDF_Draw;
class C_PDF_PageTreeNode_or_Page;

namespace Corvalis::Viewer {

// The view keeps at most this many pixels per page bitmap: a huge page at a huge zoom is shown
// at a lower zoom rather than exhausting memory.
inline constexpr std::int64_t kMaxViewBitmapPixels = 32LL * 1024 * 1024;
// Printing renders at the printer's resolution within this many pixels, then scales.
inline constexpr std::int64_t kMaxPrintBitmapPixels = 48LL * 1024 * 1024;
// A failed bitmap lowers the zoom by this much and tries again.
inline constexpr double kZoomDegradeStep = 0.01;

// What the view draws its pages with, besides the page itself.
struct PageViewState {
  ZoomMode mode = ZoomMode::FitPage;
  // The chosen zoom (outside the fit modes; they work theirs out for each page).
  double zoom = 1;
  QSize client;
  double resolution = 96;
  // The view's turn in degrees clockwise.
  int rotation = 0;
};

// A page whose own rotation changed while it was drawn (its page tree was being completed) is
// drawn again, at most this many times in all.
inline constexpr int kMaxRenderAttempts = 3;

// The zoom a page is drawn at in a window of the given size: fitted in the fit modes, else the
// chosen zoom, within kMinZoom and kMaxZoom. shownWidth and shownHeight: the page in pixels at
// zoom 1 as shown (after the view's rotation).
double drawingZoom(ZoomMode mode, double zoom, QSize client, double shownWidth, double shownHeight);

// The bitmap size for a zoom: the sizes times zoom, truncated, at least one pixel.
QSize pageBitmapSize(double deviceWidth, double deviceHeight, double zoom);

// The zoom, lowered in steps of kZoomDegradeStep, at which the page's bitmap fits maxPixels and
// the platform's largest side.
double degradedZoom(double deviceWidth, double deviceHeight, double zoom, std::int64_t maxPixels);

// The request for the page record's page as the view shows it: its size at the state's
// resolution, the zoom fitted to the client with the sides turned by the view's rotation, and
// that turn.
RenderRequest viewRenderRequest(const C_PDF_PageTreeNode_or_Page& page, int32_t pageNumber,
                                const PageViewState& state);

// A page drawn as the view shows it.
struct ViewPageDrawing {
  // False when the document has no such page.
  bool pageFound = false;
  // The last request drawn, its zoom as drawn (lowered when the bitmap had to be smaller).
  RenderRequest request;
  QImage image;
};

// Builds the page's request from the view state and has draw draw it (attempt 0 first), again
// from the page's new record while the drawing changed the page's own rotation, at most
// kMaxRenderAttempts times; a stopped drawing is not drawn again. draw returns the image as
// shown and lowers the request's zoom to the one drawn at. Throws what draw throws.
using ViewPageDraw = std::function<QImage(const C_PDF_PageTreeNode_or_Page& page,
                                          RenderRequest& request, int attempt)>;
ViewPageDrawing drawViewPage(C_PDF_Document& document, int32_t pageNumber, PageViewState state,
                             const ViewPageDraw& draw);

// Renders the request's page at its zoom (lowered in the request when the bitmap is too large or
// cannot be had), turned by its rotation. A null image when no bitmap could be made. Throws what
// C_PDF_Draw::render throws.
QImage renderPageImage(C_PDF_Draw& renderer, RenderRequest& request, std::int64_t maxPixels);

// Renders the part shownRect (pixels of the page as shown, after the request's rotation) of the
// page drawn at the request's zoom: the same pixels as that part of the whole page's bitmap,
// without drawing the rest. A null image when the part is empty or no bitmap could be made.
// Throws what C_PDF_Draw::render throws.
QImage renderPageTile(C_PDF_Draw& renderer, const RenderRequest& request, const QRect& shownRect);

}  // namespace Corvalis::Viewer
