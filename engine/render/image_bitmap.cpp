#include "engine/render/image_bitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "engine/decode/decode_limits.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/xobject_descriptor.h"

namespace gfx = brevia::gfx;

namespace {

// Source samples averaged per output pixel at most, in each direction.
constexpr int kMaxBoxSamples = 4;

struct Geometry {
  int width, height, components, bits;
  int64_t rowBytes;
};

// Reads row y of the image into out (width × components samples); missing data reads as 0.
void unpackRow(const std::vector<uint8_t>& data, const Geometry& g, int y,
               std::vector<uint16_t>& out) {
  const int64_t count = int64_t{g.width} * g.components;
  out.assign(count, 0);
  const int64_t start = int64_t{y} * g.rowBytes;
  if (start >= static_cast<int64_t>(data.size())) return;
  const uint8_t* row = data.data() + start;
  const int64_t available = std::min<int64_t>(g.rowBytes, int64_t(data.size()) - start);
  switch (g.bits) {
    case 8:
      for (int64_t i = 0; i < count && i < available; ++i) out[i] = row[i];
      break;
    case 16:
      for (int64_t i = 0; i < count && 2 * i + 1 < available; ++i)
        out[i] = uint16_t(row[2 * i] << 8 | row[2 * i + 1]);
      break;
    default: {
      const int perByte = 8 / g.bits;
      const int mask = (1 << g.bits) - 1;
      for (int64_t i = 0; i < count; ++i) {
        const int64_t byte = i / perByte;
        if (byte >= available) break;
        const int shift = 8 - g.bits * (1 + int(i % perByte));
        out[i] = uint16_t((row[byte] >> shift) & mask);
      }
    }
  }
}

// Maps a sample through the Decode range of its component to an 8-bit value (or, for Indexed
// spaces, to an index), by table.
struct DecodeMap {
  bool identity = true;
  std::vector<double> ranges;
  double maxValue = 255;
  int hival = 255;
  bool indexed = false;
  std::vector<std::array<uint16_t, 256>> tables;

  int compute(int component, int value) const {
    if (indexed) {
      if (identity) return value;
      double lo = ranges[2 * component], hi = ranges[2 * component + 1];
      double v = lo + value * (hi - lo) / maxValue;
      return std::clamp(int(std::lround(v)), 0, std::max(hival, 0));
    }
    double unit = value / maxValue;
    if (!identity) {
      double lo = ranges[2 * component], hi = ranges[2 * component + 1];
      unit = lo + unit * (hi - lo);
    }
    return std::clamp(int(unit * 255.0 + 0.5), 0, 255);
  }

  void prepare(int components) {
    tables.resize(components);
    for (int c = 0; c < components; ++c)
      for (int v = 0; v < 256; ++v) tables[c][v] = uint16_t(v <= maxValue ? compute(c, v) : 0);
  }
  int apply(int component, int value) const { return tables[component][value & 0xFF]; }
};

}  // namespace

int reducedDimension(int size, bool reduce) {
  if (!reduce || size <= 0) return size;
  const double factor = std::max(1.0, double(size) / double(size / 10 + 1000));
  return std::max(1, static_cast<int>(size / factor));
}

namespace {

// Opacity by sample value for buildAlpha and buildReducedAlpha.
std::array<uint8_t, 256> alphaTable(int bits, double decodeLo, double decodeHi, bool stencil) {
  // Sixteen-bit samples are taken by their high byte.
  const double maxValue = bits == 16 ? 255.0 : double((1 << bits) - 1);
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    const double unit = std::clamp(
        decodeLo + (std::min(double(v), maxValue) / maxValue) * (decodeHi - decodeLo), 0.0, 1.0);
    table[v] = stencil ? (unit < 0.5 ? 255 : 0) : uint8_t(unit * 255.0 + 0.5);
  }
  return table;
}

bool usableMaskDepth(int bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
}

}  // namespace

std::shared_ptr<ImageAlpha> buildAlpha(const std::vector<uint8_t>& data, int width, int height,
                                       int bitsPerComponent, double decodeLo, double decodeHi,
                                       bool stencil) {
  const int bits = bitsPerComponent;
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxImageBitmapPixels) return nullptr;
  if (!usableMaskDepth(bits)) return nullptr;
  Geometry g{width, height, 1, bits, (int64_t{width} * bits + 7) / 8};
  auto alpha = std::make_shared<ImageAlpha>();
  alpha->width = width;
  alpha->height = height;
  alpha->values.resize(size_t(width) * size_t(height));
  const std::array<uint8_t, 256> table = alphaTable(bits, decodeLo, decodeHi, stencil);
  std::vector<uint16_t> row;
  for (int y = 0; y < height; ++y) {
    unpackRow(data, g, y, row);
    uint8_t* out = alpha->values.data() + size_t(y) * size_t(width);
    for (int x = 0; x < width; ++x) out[x] = table[bits == 16 ? row[x] >> 8 : row[x]];
  }
  return alpha;
}

std::shared_ptr<ImageAlpha> buildReducedAlpha(const MaskRowSource& nextRow, int width, int height,
                                              int bitsPerComponent, double decodeLo,
                                              double decodeHi, bool stencil, int factorX,
                                              int factorY) {
  const int bits = bitsPerComponent;
  if (width <= 0 || height <= 0 || factorX < 1 || factorY < 1 || !usableMaskDepth(bits))
    return nullptr;
  const int outW = int((int64_t{width} + factorX - 1) / factorX);
  const int outH = int((int64_t{height} + factorY - 1) / factorY);
  if (int64_t{outW} * outH > kMaxImageBitmapPixels) return nullptr;
  const Geometry g{width, 1, 1, bits, (int64_t{width} * bits + 7) / 8};
  // A row longer than any decoded stream may be cannot come from one.
  if (g.rowBytes > int64_t(kMaxDecodedStreamBytes)) return nullptr;
  auto alpha = std::make_shared<ImageAlpha>();
  alpha->width = outW;
  alpha->height = outH;
  alpha->reduced = true;
  alpha->values.resize(size_t(outW) * size_t(outH));
  const std::array<uint8_t, 256> table = alphaTable(bits, decodeLo, decodeHi, stencil);
  // As for images: at most kMaxBoxSamples samples per block in each direction are averaged.
  const int xStep = std::max(1, (factorX + kMaxBoxSamples - 1) / kMaxBoxSamples);
  const int yStep = std::max(1, (factorY + kMaxBoxSamples - 1) / kMaxBoxSamples);
  std::vector<uint8_t> raw(size_t(g.rowBytes));
  std::vector<uint16_t> row;
  std::vector<uint32_t> sums(outW, 0), counts(outW, 0);
  // Samples one block of column ox takes.
  auto across = [&](int ox) {
    const int64_t x0 = int64_t{ox} * factorX, x1 = std::min<int64_t>(width, x0 + factorX);
    return uint32_t((x1 - x0 + xStep - 1) / xStep);
  };
  for (int y = 0; y < height; ++y) {
    // Every row is read, also those not sampled: the source goes in order.
    const int64_t within = y % factorY;
    if (!nextRow(raw)) {
      // The data has ended: every sample from here reads 0, so the rest is known without
      // going through the rows.
      const uint32_t zero = table[0];
      const int64_t first = int64_t{y / factorY} * factorY;
      const int64_t blockRows = std::min<int64_t>(height, first + factorY) - first;
      const uint32_t rowsLeft =
          uint32_t((blockRows + yStep - 1) / yStep - (within + yStep - 1) / yStep);
      uint8_t* out = alpha->values.data() + size_t(y / factorY) * size_t(outW);
      for (int ox = 0; ox < outW; ++ox) {
        const uint32_t total = counts[ox] + rowsLeft * across(ox);
        out[ox] = uint8_t((sums[ox] + (total - counts[ox]) * zero + total / 2) /
                          std::max<uint32_t>(1, total));
      }
      std::fill(out + outW, alpha->values.data() + alpha->values.size(), uint8_t(zero));
      return alpha;
    }
    if (within % yStep == 0) {
      unpackRow(raw, g, 0, row);
      for (int ox = 0; ox < outW; ++ox) {
        const int x1 = int(std::min<int64_t>(width, int64_t{ox + 1} * factorX));
        for (int64_t x = int64_t{ox} * factorX; x < x1; x += xStep) {
          sums[ox] += table[bits == 16 ? row[x] >> 8 : row[x]];
          ++counts[ox];
        }
      }
    }
    if (within == factorY - 1 || y == height - 1) {
      uint8_t* out = alpha->values.data() + size_t(y / factorY) * size_t(outW);
      for (int ox = 0; ox < outW; ++ox) {
        out[ox] = uint8_t((sums[ox] + counts[ox] / 2) / std::max<uint32_t>(1, counts[ox]));
        sums[ox] = counts[ox] = 0;
      }
    }
  }
  return alpha;
}

std::unique_ptr<gfx::Bitmap> buildBitmap(XObjectDescriptor& image, bool downsample,
                                         uint32_t fillArgb, const ImageAlpha* maskAlpha) {
  if (image.width <= 0 || image.height <= 0) return nullptr;
  std::shared_ptr<ColourSpace> space = image.colourSpace ? image.colourSpace : deviceRGB();
  const bool mask = image.imageMask;
  Geometry g;
  // Samples decoded at a fraction of the size cover the same square with fewer pixels.
  const int scale = std::max(1, image.dataScale);
  g.width = int((int64_t{image.width} + scale - 1) / scale);
  g.height = int((int64_t{image.height} + scale - 1) / scale);
  g.components = mask ? 1 : space->componentCount;
  g.bits = mask ? 1 : (image.bitsPerComponent > 0 ? image.bitsPerComponent : 8);
  if (g.bits != 1 && g.bits != 2 && g.bits != 4 && g.bits != 8 && g.bits != 16) return nullptr;
  if (g.components <= 0 || g.components > ColourSpace::kMaxComponents) return nullptr;
  if (!mask && space->family == ColourFamily::Indexed && (space->hival < 0 || !space->base)) {
    image.width = image.height = -1;  // an Indexed space without a usable definition
    return nullptr;
  }
  g.rowBytes = (int64_t{g.width} * g.components * g.bits + 7) / 8;

  const ImageAlpha* alpha = image.alpha ? image.alpha.get() : maskAlpha;
  if (alpha && (alpha->width <= 0 || alpha->height <= 0 ||
                alpha->values.size() < size_t(alpha->width) * size_t(alpha->height)))
    alpha = nullptr;
  // A mask finer than its image keeps its own detail: the bitmap takes the finer size.
  const int wantW = alpha ? std::max(g.width, alpha->width) : g.width;
  const int wantH = alpha ? std::max(g.height, alpha->height) : g.height;
  const bool reduce =
      downsample || wantW > kImageReductionThreshold || wantH > kImageReductionThreshold;
  int outW = reducedDimension(wantW, reduce);
  int outH = reducedDimension(wantH, reduce);
  const int64_t pixels = int64_t{outW} * outH;
  if (pixels > kMaxImageBitmapPixels) {
    const double shrink = std::sqrt(double(kMaxImageBitmapPixels) / double(pixels));
    outW = std::max(1, int(outW * shrink));
    outH = std::max(1, int(outH * shrink));
  }
  auto bitmap = std::make_unique<gfx::Bitmap>(outW, outH);
  if (!bitmap->isValid()) return nullptr;

  DecodeMap decode;
  // Sixteen-bit samples are taken by their high byte.
  decode.maxValue = g.bits == 16 ? 255.0 : double((1 << g.bits) - 1);
  decode.indexed = !mask && space->family == ColourFamily::Indexed;
  decode.hival = space->hival;
  if (image.decode.size() >= static_cast<std::size_t>(2 * g.components)) {
    decode.ranges = image.decode;
    decode.identity = false;
    for (int c = 0; c < g.components && decode.identity; ++c) {
      const double lo = 0, hi = decode.indexed ? decode.maxValue : 1;
      decode.identity = decode.ranges[2 * c] == lo && decode.ranges[2 * c + 1] == hi;
    }
    if (decode.identity) decode.ranges.clear();
  } else if (mask || g.components == 1) {
    // A Decode whose first element begins with 1 inverts a one-component image.
    if (image.decodeInverted) {
      decode.identity = false;
      decode.ranges = {1.0, 0.0};
    }
  }

  decode.prepare(g.components);

  const double fx = double(g.width) / outW, fy = double(g.height) / outH;
  const uint8_t fillR = uint8_t(fillArgb >> 16), fillG = uint8_t(fillArgb >> 8),
                fillB = uint8_t(fillArgb);
  std::vector<uint16_t> row;
  std::vector<uint32_t> sums;
  std::vector<uint8_t> bytes(g.components);
  space->nonStroking = true;

  // Per-channel tables for the common device spaces make each pixel a lookup.
  std::array<uint8_t, 256> grayTable{}, rgbTable{};
  const bool gray8 = !mask && !decode.indexed && space->family == ColourFamily::DeviceGray;
  const bool rgb8 = !mask && !decode.indexed && space->family == ColourFamily::DeviceRGB;
  if (gray8)
    for (int v = 0; v < 256; ++v)
      grayTable[v] = sampleToRgb(std::array<uint8_t, 1>{uint8_t(v)}, 8, *space)[0];
  if (rgb8)
    for (int v = 0; v < 256; ++v)
      rgbTable[v] = sampleToRgb(std::array<uint8_t, 3>{uint8_t(v), 0, 0}, 8, *space)[0];

  const bool keyed = !mask && image.colourKey.size() >= static_cast<size_t>(2 * g.components);
  std::vector<uint32_t> opaqueCounts;
  std::vector<int> alphaColumns;
  if (alpha) {
    alphaColumns.resize(outW);
    for (int ox = 0; ox < outW; ++ox)
      alphaColumns[ox] = std::min(alpha->width - 1, int((ox + 0.5) * alpha->width / outW));
  }

  uint32_t* out = reinterpret_cast<uint32_t*>(bitmap->data());
  const int outStride = bitmap->stride() / 4;
  for (int oy = 0; oy < outH; ++oy) {
    const int y0 = std::min(g.height - 1, int(oy * fy));
    const int y1 = std::max(y0 + 1, std::min(g.height, int((oy + 1) * fy)));
    const int yStep = std::max(1, (y1 - y0 + kMaxBoxSamples - 1) / kMaxBoxSamples);
    sums.assign(size_t(outW) * g.components, 0);
    std::vector<uint32_t> counts(outW, 0);
    if (keyed) opaqueCounts.assign(outW, 0);
    for (int y = y0; y < y1; y += yStep) {
      unpackRow(image.data, g, y, row);
      for (int ox = 0; ox < outW; ++ox) {
        const int x0 = std::min(g.width - 1, int(ox * fx));
        const int x1 = std::max(x0 + 1, std::min(g.width, int((ox + 1) * fx)));
        const int xStep = std::max(1, (x1 - x0 + kMaxBoxSamples - 1) / kMaxBoxSamples);
        for (int x = x0; x < x1; x += xStep) {
          const uint16_t* s = row.data() + int64_t{x} * g.components;
          if (keyed) {
            bool inKey = true;
            for (int c = 0; c < g.components && inKey; ++c)
              inKey = s[c] >= image.colourKey[2 * c] && s[c] <= image.colourKey[2 * c + 1];
            if (!inKey) ++opaqueCounts[ox];
          }
          for (int c = 0; c < g.components; ++c) {
            // Indexed images take a sample, not an average of indices.
            if (decode.indexed && counts[ox] > 0) continue;
            sums[size_t(ox) * g.components + c] += decode.apply(c, g.bits == 16 ? s[c] >> 8 : s[c]);
          }
          ++counts[ox];
        }
      }
    }
    uint32_t* line = out + int64_t{oy} * outStride;
    const uint8_t* alphaRow =
        alpha ? alpha->values.data() +
                    size_t(std::min(alpha->height - 1, int((oy + 0.5) * alpha->height / outH))) *
                        size_t(alpha->width)
              : nullptr;
    for (int ox = 0; ox < outW; ++ox) {
      const uint32_t n = std::max<uint32_t>(1, decode.indexed ? 1 : counts[ox]);
      const uint32_t* sum = sums.data() + size_t(ox) * g.components;
      if (mask) {
        // Sample 0 paints (after Decode); the share of painted samples is the coverage.
        const uint32_t painted = 255 * n - std::min<uint32_t>(sum[0], 255 * n);
        const uint32_t alpha = (painted + n / 2) / n;
        line[ox] = alpha << 24 | (fillR * alpha / 255) << 16 | (fillG * alpha / 255) << 8 |
                   (fillB * alpha / 255);
        continue;
      }
      for (int c = 0; c < g.components; ++c) bytes[c] = uint8_t(sum[c] / n);
      std::array<uint8_t, 3> rgb;
      if (gray8) {
        rgb = {grayTable[bytes[0]], grayTable[bytes[0]], grayTable[bytes[0]]};
      } else if (rgb8) {
        rgb = {rgbTable[bytes[0]], rgbTable[bytes[1]], rgbTable[bytes[2]]};
      } else {
        rgb = sampleToRgb(bytes, decode.indexed ? g.bits : 8, *space);
      }
      uint32_t a = 255;
      if (keyed) a = (opaqueCounts[ox] * 255 + counts[ox] / 2) / std::max<uint32_t>(1, counts[ox]);
      if (alphaRow) a = a * alphaRow[alphaColumns[ox]] / 255;
      if (a == 255) {
        line[ox] = 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        continue;
      }
      if (alpha && alpha->hasMatte && a > 0) {
        // The colours were blended with the matte colour by their opacity: undo that.
        for (int c = 0; c < 3; ++c) {
          const int m = alpha->matte[c];
          rgb[c] = uint8_t(std::clamp(m + (int(rgb[c]) - m) * 255 / int(a), 0, 255));
        }
      }
      line[ox] = a << 24 | (rgb[0] * a + 127) / 255 << 16 | (rgb[1] * a + 127) / 255 << 8 |
                 (rgb[2] * a + 127) / 255;
    }
  }
  bitmap->markDirty();
  return bitmap;
}
