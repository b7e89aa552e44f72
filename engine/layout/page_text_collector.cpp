#include "engine/layout/page_text_collector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/layout/page_text_layout.h"

namespace {

bool inOrientationRange(int32_t degrees, int32_t from, int32_t to) {
  return degrees >= from && degrees <= to;
}

}  // namespace

PageTextCollector::PageTextCollector(double pixelsPerUnit)
    : pixelsPerUnit_(pixelsPerUnit > 0 ? pixelsPerUnit : 1) {}

void PageTextCollector::begin(double pixelsPerUnit) {
  pixelsPerUnit_ = pixelsPerUnit > 0 ? pixelsPerUnit : 1;
  glyphs_.clear();
}

void PageTextCollector::add(const ShownGlyph& shown) {
  if (shown.text.empty() || glyphs_.size() >= kMaxCollectedGlyphs) return;
  const double d = pixelsPerUnit_;
  // Scanning for text draws at one pixel per unit: the divisions then change nothing and are
  // the dearest part of a record.
  const bool unitScale = d == 1;
  auto units = [&](double v) { return unitScale ? v : v / d; };
  const double ox = units(shown.originX), oy = units(shown.originY);
  const double height = std::fabs(units(shown.height));
  const std::size_t k = shown.text.size();
  const double unitWidth = k == 1 ? units(shown.advance) : units(shown.advance) / double(k);
  const int32_t degrees = shown.orientation;
  const double angle = degrees * std::numbers::pi / 180;
  const double cosA = degrees > 0 ? std::cos(angle) : 1, sinA = degrees > 0 ? std::sin(angle) : 0;
  // A vector along the baseline and one upwards, turned by the orientation (y downwards).
  auto turned = [&](double dx, double dy, double& x, double& y) {
    x = dx * cosA + dy * sinA;
    y = -dx * sinA + dy * cosA;
  };

  const double clipLeft = units(shown.clipLeft), clipRight = units(shown.clipRight);
  const double clipTop = units(shown.clipTop), clipBottom = units(shown.clipBottom);
  const bool sideways =
      inOrientationRange(degrees, 46, 134) || inOrientationRange(degrees, 226, 314);
  const double boxWidth = std::fabs(sideways ? height : unitWidth);
  const double boxHeight = std::fabs(sideways ? unitWidth : height);

  for (std::size_t i = 0; i < k && glyphs_.size() < kMaxCollectedGlyphs; ++i) {
    double offsetX, offsetY;
    turned(double(i) * unitWidth, 0, offsetX, offsetY);
    const double x = ox + offsetX, y = oy + offsetY;
    if (!(std::fabs(x) < kMaxExtent && std::fabs(y) < kMaxExtent &&
          std::fabs(unitWidth) < kMaxExtent && std::fabs(height) < kMaxExtent)) {
      return;
    }
    double centreX, centreY;
    turned(unitWidth / 2, -height / 2, centreX, centreY);
    centreX += x;
    centreY += y;
    // A unit counts when its middle half lies inside the clip, and the clip is not much narrower
    // than the unit.
    const bool inside = std::min(clipLeft, clipRight) < centreX + boxWidth / 4 &&
                        std::max(clipLeft, clipRight) > centreX - boxWidth / 4 &&
                        std::max(clipTop, clipBottom) > centreY - boxHeight / 4 &&
                        std::min(clipTop, clipBottom) < centreY + boxHeight / 4 &&
                        (clipRight - clipLeft) > boxWidth / 2 &&
                        (clipBottom - clipTop) > boxHeight / 2;
    if (!inside) continue;
    // Filled in place: a record built aside and copied in stalls on the copy.
    CollectedGlyph& g = glyphs_.emplace_back();
    g.unit = shown.text[i];
    g.x = static_cast<float>(x);
    g.y = static_cast<float>(y);
    g.width = static_cast<float>(unitWidth);
    g.height = static_cast<float>(height);
    g.sequence = shown.sequence;
    g.orientation = degrees;
    g.colour = shown.colour;
    g.font = shown.font;
  }
}

void PageTextCollector::finish(PageTextLayout& layout) {
  orderAlongBaselines(glyphs_);
  if (const PageTextObserver& observer = pageTextObserver()) observer(glyphs_);
  layout.build(glyphs_);
  glyphs_.clear();
  if (glyphs_.capacity() > kKeptCapacity) glyphs_.shrink_to_fit();
}

void orderAlongBaselines(std::vector<CollectedGlyph>& glyphs) {
  auto centre = [](const CollectedGlyph& g) { return double(g.x) + double(g.width) / 2; };
  for (std::size_t i = 1; i < glyphs.size(); ++i) {
    const CollectedGlyph moving = glyphs[i];
    const double at = centre(moving);
    const std::size_t stop = i > kMaxReorderDistance ? i - kMaxReorderDistance : 0;
    std::size_t j = i;
    while (j > stop && std::fabs(double(glyphs[j - 1].y) - double(moving.y)) < 1 &&
           centre(glyphs[j - 1]) > at) {
      glyphs[j] = glyphs[j - 1];
      --j;
    }
    glyphs[j] = moving;
  }
}

namespace {
PageTextObserver& observerSlot() {
  // Per thread, so that a page collected on another thread never calls it.
  thread_local PageTextObserver observer;
  return observer;
}
}  // namespace

void setPageTextObserver(PageTextObserver observer) { observerSlot() = std::move(observer); }
const PageTextObserver& pageTextObserver() { return observerSlot(); }
