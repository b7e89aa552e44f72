#include "viewer/view/zoom_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace Corvalis::Viewer {
namespace {

TEST(ZoomLadder, StepsInAndOutAlongTheLadder) {
  EXPECT_DOUBLE_EQ(zoomInStep(0.05), 0.125);
  EXPECT_DOUBLE_EQ(zoomInStep(0.01), 0.05);
  EXPECT_DOUBLE_EQ(zoomInStep(1.0), 1.25);
  EXPECT_DOUBLE_EQ(zoomInStep(3.5), 4.0);
  EXPECT_DOUBLE_EQ(zoomInStep(4.0), 4.0);
  EXPECT_DOUBLE_EQ(zoomInStep(50.0), 50.0);
  EXPECT_DOUBLE_EQ(zoomOutStep(0.06), 0.05);
  EXPECT_DOUBLE_EQ(zoomOutStep(0.05), 0.05);
  EXPECT_DOUBLE_EQ(zoomOutStep(50.0), 3.0);
  EXPECT_DOUBLE_EQ(zoomOutStep(1.0), 0.75);
  EXPECT_DOUBLE_EQ(zoomOutStep(0.7), 0.6667);
}

TEST(ZoomLabel, ModesAndPercentFormats) {
  EXPECT_EQ(zoomLabel(ZoomMode::ActualSize, 1), "Actual Size");
  EXPECT_EQ(zoomLabel(ZoomMode::FitPage, 0.3), "Fit Page");
  EXPECT_EQ(zoomLabel(ZoomMode::FitWidth, 0.3), "Fit Width");
  EXPECT_EQ(zoomLabel(ZoomMode::Custom, 0.6667), "66.67%");
  EXPECT_EQ(zoomLabel(ZoomMode::Custom, 1.5), "150%");
  EXPECT_EQ(zoomLabel(ZoomMode::Custom, 0.125), "12.5%");
  EXPECT_EQ(zoomLabel(ZoomMode::Custom, 0.05), "5%");
  EXPECT_EQ(zoomLabel(ZoomMode::Custom, 0.3333), "33.33%");
  EXPECT_EQ(zoomLabel(ZoomMode::Custom, 50), "5000%");
}

TEST(TypedZoom, NamesAndPercentages) {
  ZoomMode mode = ZoomMode::FitPage;
  double zoom = 0.4;
  applyTypedZoom("5000", mode, zoom);
  EXPECT_EQ(mode, ZoomMode::Custom);
  EXPECT_DOUBLE_EQ(zoom, 50.0);
  applyTypedZoom("150%", mode, zoom);
  EXPECT_DOUBLE_EQ(zoom, 1.5);
  applyTypedZoom("  66.675%", mode, zoom);
  EXPECT_DOUBLE_EQ(zoom, 0.6667);
  applyTypedZoom("fit width", mode, zoom);
  EXPECT_EQ(mode, ZoomMode::FitWidth);
  EXPECT_DOUBLE_EQ(zoom, 0.6667);
  applyTypedZoom("PAGE", mode, zoom);
  EXPECT_EQ(mode, ZoomMode::FitPage);
  applyTypedZoom("Actual", mode, zoom);
  EXPECT_EQ(mode, ZoomMode::ActualSize);
  EXPECT_DOUBLE_EQ(zoom, 1.0);
  // Already actual size: the zoom is left alone.
  zoom = 2;
  applyTypedZoom("ActualSize", mode, zoom);
  EXPECT_DOUBLE_EQ(zoom, 2.0);
  applyTypedZoom("big", mode, zoom);
  EXPECT_EQ(mode, ZoomMode::Custom);
  EXPECT_DOUBLE_EQ(zoom, 0.0);
  // No infinities or overflow from absurd input.
  applyTypedZoom("1e999", mode, zoom);
  EXPECT_TRUE(std::isfinite(zoom));
  applyTypedZoom("inf", mode, zoom);
  EXPECT_DOUBLE_EQ(zoom, 0.0);
}

}  // namespace
}  // namespace Corvalis::Viewer
