#include "engine/render/page_pixels.h"

#include <algorithm>
#include <cmath>

#include "engine/document/page_tree.h"

namespace {

constexpr double kTwipsPerInch = 1440;
constexpr double kTwipsPerPoint = 20;
// A side this close under a whole pixel still covers that pixel (rounding of the scale).
constexpr double kCoverSlack = 1e-6;

}  // namespace

PagePixels pagePixels(const C_PDF_PageTreeNode_or_Page& page, double dpi) {
  PagePixels p;
  p.twipsPerPixel = dpi > 0 ? kTwipsPerInch / dpi : kTwipsPerPoint;
  const bool sideways = page.rotation == 90 || page.rotation == 270;
  const int32_t width = std::max(1, sideways ? page.height : page.width);
  const int32_t height = std::max(1, sideways ? page.width : page.height);
  p.width = width * kTwipsPerPoint / p.twipsPerPixel;
  p.height = height * kTwipsPerPoint / p.twipsPerPixel;
  return p;
}

int32_t pixelSide(double length, double zoom, PixelRounding rounding) {
  const double scaled = length * zoom;
  const double pixels =
      rounding == PixelRounding::Cover ? std::ceil(scaled - kCoverSlack) : std::trunc(scaled);
  if (!(pixels >= 1)) return 1;
  return pixels > kMaxPixelSide ? kMaxPixelSide : static_cast<int32_t>(pixels);
}
