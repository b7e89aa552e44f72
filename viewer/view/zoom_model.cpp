#include "viewer/view/zoom_model.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

namespace Corvalis::Viewer {

namespace {

constexpr std::array<double, 13> kZoomSteps = {0.05, 0.125, 0.25, 0.3333, 0.5, 0.6667, 0.75,
                                               1.0,  1.25,  1.5,  2.0,    3.0, 4.0};
// Typed percentages beyond this are taken as this, so the arithmetic stays finite.
constexpr double kMaxTypedPercent = 1e9;
// Digits of a typed integer beyond this cannot change the saturated result.
constexpr int kMaxIntegerDigits = 12;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

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

double leadingNumber(const QString& text) {
  const std::string s = text.toLocal8Bit().toStdString();
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  // Only decimal digits or a point may start the number (no "inf", "nan" or hexadecimal).
  if (i >= s.size() || !((s[i] >= '0' && s[i] <= '9') || s[i] == '.')) return 0;
  double value = 0;
  const auto [end, error] =
      std::from_chars(s.data() + i, s.data() + s.size(), value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value = kMaxTypedPercent;
  } else if (error != std::errc() || end == s.data() + i) {
    return 0;
  }
  value = std::min(value, kMaxTypedPercent);
  return negative ? -value : value;
}

int leadingInteger(const QString& text) {
  const std::string s = text.toLocal8Bit().toStdString();
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  while (i < s.size() && s[i] == '0') ++i;
  long long value = 0;
  for (int digits = 0; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (++digits > kMaxIntegerDigits) break;
    value = value * 10 + (s[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace Corvalis::Viewer
