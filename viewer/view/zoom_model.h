#pragma once
// The page view's zoom: modes, the ladder of steps, the label shown in the zoom box and the
// reading of a typed zoom.

#include <QString>

#include "viewer/ui/leading_number.h"

namespace Corvalis::Viewer {

enum class ZoomMode : int { Custom = 0, ActualSize = 1, FitPage = 2, FitWidth = 3 };

// Zoom is clamped to this range at every render, whatever set it.
inline constexpr double kMinZoom = 0.05;
inline constexpr double kMaxZoom = 4.0;
// Fit page and fit width leave this many pixels of the window free.
inline constexpr double kFitMargin = 15.0;

// The next larger step of the ladder (unchanged at kMaxZoom or above).
double zoomInStep(double zoom);
// The next smaller step of the ladder (unchanged at kMinZoom or below).
double zoomOutStep(double zoom);

// The zoom box's text for a mode and zoom ("Fit Page", "150%", "66.67%", "12.5%").
QString zoomLabel(ZoomMode mode, double zoom);

// Applies text typed into the zoom box: a mode name, or a percentage read like atof.
void applyTypedZoom(const QString& text, ZoomMode& mode, double& zoom);

}  // namespace Corvalis::Viewer
