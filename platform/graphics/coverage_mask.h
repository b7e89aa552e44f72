#pragma once
// CoverageMask: a view of 8-bit coverage values (0 = none, 255 = full), such as a glyph bitmap
// rendered by FreeType. Row r starts at data + r × pitch; pitch may be negative.

#include <cstdint>

namespace brevia::gfx {

struct CoverageMask {
  const uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
};

}  // namespace brevia::gfx
