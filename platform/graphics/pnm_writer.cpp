#include "platform/graphics/pnm_writer.h"

#include <vector>

namespace brevia::gfx {

Status writePnm(const Bitmap& bitmap, std::FILE* f, PnmKind kind) {
  if (!bitmap.isValid() || !f) return Status::InvalidParameter;
  const int w = bitmap.width(), h = bitmap.height();
  const int stride = bitmap.stride() / 4;
  const uint32_t* pixels = reinterpret_cast<const uint32_t*>(bitmap.data());
  const bool opaque = bitmap.isOpaque();
  const bool alpha = kind == PnmKind::Pam && !opaque;
  const int channels = alpha ? 4 : 3;
  int written =
      kind == PnmKind::Pam
          ? std::fprintf(f, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n",
                         w, h, channels, alpha ? "RGB_ALPHA" : "RGB")
          : std::fprintf(f, "P6\n%d %d\n255\n", w, h);
  if (written < 0) return Status::GenericError;

  std::vector<uint8_t> row(std::size_t(w) * channels);
  for (int y = 0; y < h; ++y) {
    const uint32_t* line = pixels + int64_t{y} * stride;
    uint8_t* p = row.data();
    if (opaque) {
      // Every pixel is opaque: its colour bytes as they stand.
      for (int x = 0; x < w; ++x) {
        const uint32_t v = line[x];
        p[0] = uint8_t(v >> 16);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v);
        p += 3;
      }
      if (std::fwrite(row.data(), 1, row.size(), f) != row.size()) return Status::GenericError;
      continue;
    }
    for (int x = 0; x < w; ++x) {
      const uint32_t v = line[x];
      const uint32_t a = v >> 24;
      uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
      if (alpha) {
        if (a != 0 && a != 0xFF) {
          r = (r * 255 + a / 2) / a;
          g = (g * 255 + a / 2) / a;
          b = (b * 255 + a / 2) / a;
        }
      } else if (a != 0xFF) {
        // Premultiplied colour over white: c + (255 - a).
        r += 255 - a;
        g += 255 - a;
        b += 255 - a;
      }
      *p++ = uint8_t(r);
      *p++ = uint8_t(g);
      *p++ = uint8_t(b);
      if (alpha) *p++ = uint8_t(a);
    }
    if (std::fwrite(row.data(), 1, row.size(), f) != row.size()) return Status::GenericError;
  }
  return std::fflush(f) == 0 ? Status::Ok : Status::GenericError;
}

}  // namespace brevia::gfx
