#pragma once
// Turning a bitmap by quarter turns (the view's rotation of a rendered page).

#include "platform/graphics/bitmap.h"

namespace brevia::gfx {

// The bitmap turned clockwise by degrees (a multiple of 90, negative allowed). An invalid source
// or an angle that is not a multiple of 90 gives an invalid bitmap.
Bitmap rotatedBitmap(const Bitmap& source, int degrees);

}  // namespace brevia::gfx
