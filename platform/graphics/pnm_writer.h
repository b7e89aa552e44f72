#pragma once
// Writing bitmaps as uncompressed netpbm images: the cheapest output there is, so that timing a
// render measures the rendering.

#include <cstdio>

#include "platform/graphics/bitmap.h"

namespace brevia::gfx {

enum class PnmKind {
  Pam,  // P7: RGB_ALPHA with straight alpha when any pixel is not opaque, RGB otherwise
  Ppm,  // P6: RGB; pixels that are not opaque are laid over white
};

// Writes the bitmap onto an open stream; the stream is flushed, not closed.
Status writePnm(const Bitmap& bitmap, std::FILE* file, PnmKind kind);

}  // namespace brevia::gfx
