#pragma once
// Turning an image's decoded samples into a bitmap for drawing.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap.h"

struct XObjectDescriptor;
struct ImageAlpha;

// Images are not built wider or taller than this without reduction.
inline constexpr int kImageReductionThreshold = 6600;
// Bitmaps of images hold at most this many pixels; larger results are reduced further.
inline constexpr int64_t kMaxImageBitmapPixels = int64_t{48} << 20;

// Builds the bitmap of an image (rows top to bottom in image order). downsample reduces large
// images for the screen; fillArgb paints image masks. The image's opacity (alpha, or else the
// given maskAlpha from its SMask or Mask stream, and its colour key) is applied. Null when the
// image cannot be drawn.
std::unique_ptr<brevia::gfx::Bitmap> buildBitmap(XObjectDescriptor& image, bool downsample,
                                                 uint32_t fillArgb,
                                                 const ImageAlpha* maskAlpha = nullptr);

// The opacity plane of a one-component mask image's decoded samples. A soft mask's samples are
// the opacity itself (after Decode, given as lo and hi); a stencil's samples that are 0 after
// Decode are opaque, 1 transparent. Null when the size or depth is unusable.
std::shared_ptr<ImageAlpha> buildAlpha(const std::vector<uint8_t>& data, int width, int height,
                                       int bitsPerComponent, double decodeLo, double decodeHi,
                                       bool stencil);

// The output size of one dimension under the reduction rule.
int reducedDimension(int size, bool reduce);
