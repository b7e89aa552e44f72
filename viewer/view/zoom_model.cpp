#include "viewer/view/zoom_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

namespace Corvalis::Viewer {

namespace {

constexpr std::array<double, 13> kZoomSteps = {0.05, 0.125, 0.25, 0.3333, 0.5, 0.6667, 0.75,
                                               1.0,  1.25,  1.5,  2.0,    3.0, 4.0};

}  // namespace

double zoomInStep(double zoom) {
  if (zoom >= kMaxZoom) return zoom;
  for (double step : kZoomSteps)
    if (step > zoom) return step;
  return zoom;
}

double zoomOutStep(double zoom) {
  if (zoom <= kMinZoom) return zoom;
  // A zoom typed beyond the ladder comes back onto it at its second-largest step.
  if (zoom > kZoomSteps[kZoomSteps.size() - 2]) return kZoomSteps[kZoomSteps.size() - 2];
  for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
    if (*it < zoom) return *it;
  return zoom;
}

QString zoomLabel(ZoomMode mode, double zoom) {
  switch (mode) {
    case ZoomMode::ActualSize:
      return QStringLiteral("Actual Size");
    case ZoomMode::FitPage:
      return QStringLiteral("Fit Page");
    case ZoomMode::FitWidth:
      return QStringLiteral("Fit Width");
    case ZoomMode::Custom:
      break;
  }
  const double n = std::trunc(zoom * 100 * 1000);
  const char* format = std::fmod(n, 1000) == 0  ? "%.0f%%"
                       : std::fmod(n, 100) == 0 ? "%.1f%%"
                                                : "%.2f%%";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, zoom * 100);
  return QString::fromLatin1(buffer);
}

void applyTypedZoom(const QString& text, ZoomMode& mode, double& zoom) {
  auto is = [&](const char* name) {
    return text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
  };
  if (is("Actual Size") || is("ActualSize") || is("Actual")) {
    if (mode != ZoomMode::ActualSize) zoom = 1.0;
    mode = ZoomMode::ActualSize;
  } else if (is("Fit Page") || is("FitPage") || is("Page")) {
    mode = ZoomMode::FitPage;
  } else if (is("Fit Width") || is("FitWidth") || is("Width")) {
    mode = ZoomMode::FitWidth;
  } else {
    mode = ZoomMode::Custom;
    zoom = std::trunc(leadingNumber(text) * 100) / 10000;
  }
}

}  // namespace Corvalis::Viewer
