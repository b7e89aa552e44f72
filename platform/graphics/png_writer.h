#pragma once
// Writing bitmaps as PNG files, quickly: rendered pages are large and written often.

#include <cstdio>
#include <string>

#include "platform/graphics/bitmap.h"

namespace brevia::gfx {

// Writes the bitmap as an 8-bit PNG: RGB when every pixel is opaque, RGBA (straight alpha)
// otherwise. compression is zlib's level (1 fast ... 9 small).
Status writePngFile(const Bitmap& bitmap, const std::string& path, int compression = 2);
// The same onto an open stream (standard output, say); the stream is flushed, not closed.
Status writePng(const Bitmap& bitmap, std::FILE* file, int compression = 2);

}  // namespace brevia::gfx
