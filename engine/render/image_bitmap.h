#pragma once
// Turning an image's decoded samples into a bitmap for drawing.

#include <cstdint>
#include <memory>

#include "platform/graphics/bitmap.h"

struct XObjectDescriptor;

// Images are not built wider or taller than this without reduction.
inline constexpr int kImageReductionThreshold = 6600;
// Bitmaps of images hold at most this many pixels; larger results are reduced further.
inline constexpr int64_t kMaxImageBitmapPixels = int64_t{48} << 20;

// Builds the bitmap of an image (rows top to bottom in image order). downsample reduces large
// images for the screen; fillArgb paints image masks. Null when the image cannot be drawn.
std::unique_ptr<brevia::gfx::Bitmap> buildBitmap(XObjectDescriptor& image, bool downsample,
                                                 uint32_t fillArgb);

// The output size of one dimension under the reduction rule.
int reducedDimension(int size, bool reduce);
