#pragma once
// Turning an image's decoded samples into a bitmap for drawing.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/graphics/bitmap.h"

struct XObjectDescriptor;
struct ImageAlpha;

// Images are not built wider or taller than this without reduction.
inline constexpr int kImageReductionThreshold = 6600;
// An image or mask decoded smaller than its own size keeps at least this many samples per device
// pixel it is drawn on, in each direction.
inline constexpr double kMinSamplesPerDevicePixel = 1.5;
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

// Fills the next row of a mask's packed samples; false when the data has ended.
using MaskRowSource = std::function<bool(std::span<uint8_t> row)>;

// Like buildAlpha for a mask far larger than where it is drawn: every factorX × factorY block of
// samples becomes one opacity value, their mean. The rows come in order from nextRow, so the
// whole mask is never held; rows after the data ends read as 0 (the row that ends it too). Null
// when the size or depth is unusable.
std::shared_ptr<ImageAlpha> buildReducedAlpha(const MaskRowSource& nextRow, int width, int height,
                                              int bitsPerComponent, double decodeLo,
                                              double decodeHi, bool stencil, int factorX,
                                              int factorY);

// The output size of one dimension under the reduction rule.
int reducedDimension(int size, bool reduce);
