#include "platform/graphics/bitmap_rotate.h"

#include <cstring>

namespace brevia::gfx {

Bitmap rotatedBitmap(const Bitmap& source, int degrees) {
  if (!source.isValid() || degrees % 90 != 0) return Bitmap(0, 0);
  const int turns = ((degrees / 90) % 4 + 4) % 4;
  const int w = source.width(), h = source.height();
  const bool swap = turns % 2 == 1;
  Bitmap out(swap ? h : w, swap ? w : h);
  if (!out.isValid()) return out;
  const int srcStride = source.stride() / 4, dstStride = out.stride() / 4;
  const uint32_t* src = reinterpret_cast<const uint32_t*>(source.data());
  uint32_t* dst = reinterpret_cast<uint32_t*>(out.data());
  if (turns == 0) {
    for (int y = 0; y < h; ++y) std::memcpy(dst + y * dstStride, src + y * srcStride, w * 4u);
  } else {
    for (int y = 0; y < h; ++y) {
      const uint32_t* row = src + y * srcStride;
      for (int x = 0; x < w; ++x) {
        int tx, ty;
        switch (turns) {
          case 1:
            tx = h - 1 - y;
            ty = x;
            break;  // clockwise
          case 2:
            tx = w - 1 - x;
            ty = h - 1 - y;
            break;
          default:
            tx = y;
            ty = w - 1 - x;
            break;  // counter-clockwise
        }
        dst[ty * dstStride + tx] = row[x];
      }
    }
  }
  out.markDirty();
  return out;
}

}  // namespace brevia::gfx
