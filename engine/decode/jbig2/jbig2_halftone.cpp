#include "engine/decode/jbig2/jbig2_halftone.h"

#include "engine/decode/jbig2/jbig2_arithmetic.h"
#include "engine/decode/jbig2/jbig2_generic.h"

namespace {

uint32_t be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

int bitsFor(uint32_t count) {
  int n = 0;
  while ((uint64_t{1} << n) < count) ++n;
  return n;
}

}  // namespace

std::unique_ptr<JBIG2PatternDict> jbig2DecodePatternDict(uint32_t number, const uint8_t* data,
                                                         std::size_t size, Jbig2Budget& budget) {
  if (size < 7) return nullptr;
  const bool mmr = data[0] & 1;
  const int templ = (data[0] >> 1) & 3;
  const int32_t pw = data[1], ph = data[2];
  const uint32_t grayMax = be32(data + 3);
  if (grayMax >= kMaxJbig2Patterns || pw == 0 || ph == 0) return nullptr;
  const int64_t collectiveWidth = int64_t{grayMax + 1} * pw;
  std::unique_ptr<JBIG2Bitmap> collective;
  if (mmr) {
    collective = jbig2DecodeGenericMmr(static_cast<int32_t>(collectiveWidth), ph, data + 7,
                                       size - 7, nullptr, budget);
  } else {
    Jbig2GenericParams gp;
    gp.width = static_cast<int32_t>(collectiveWidth);
    gp.height = ph;
    gp.templateId = templ;
    jbig2NominalAt(templ, gp.at);
    gp.at[0] = static_cast<int8_t>(-pw);
    gp.at[1] = 0;
    Jbig2ArithDecoder decoder(data + 7, size - 7);
    std::vector<uint8_t> contexts;
    if (collectiveWidth > kMaxJbig2BitmapSide) return nullptr;
    collective = jbig2DecodeGeneric(gp, decoder, contexts, budget);
  }
  if (!collective) return nullptr;
  auto dict = std::make_unique<JBIG2PatternDict>(number);
  dict->patternWidth = pw;
  dict->patternHeight = ph;
  for (uint32_t g = 0; g <= grayMax; ++g) {
    auto pattern = collective->crop(static_cast<int32_t>(g * pw), 0, pw, ph, budget);
    if (!pattern) return nullptr;
    dict->patterns.push_back(std::move(pattern));
  }
  return dict;
}

std::unique_ptr<JBIG2Bitmap> jbig2DecodeHalftone(const uint8_t* data, std::size_t size,
                                                 int32_t width, int32_t height,
                                                 const JBIG2PatternDict& dict,
                                                 Jbig2Budget& budget) {
  auto region = JBIG2Bitmap::create(width, height, budget);
  if (!region || size < 21 || dict.patterns.empty()) return region;
  const uint8_t flags = data[0];
  const bool mmr = flags & 1;
  const int templ = (flags >> 1) & 3;
  const bool enableSkip = flags & 8;
  const auto op = static_cast<Jbig2Combination>(((flags >> 4) & 7) > 4 ? 0 : (flags >> 4) & 7);
  const int defaultPixel = (flags >> 7) & 1;
  const uint32_t gridWidth = be32(data + 1), gridHeight = be32(data + 5);
  const int64_t gridX = static_cast<int32_t>(be32(data + 9)),
                gridY = static_cast<int32_t>(be32(data + 13));
  const int64_t stepX = data[17] << 8 | data[18], stepY = data[19] << 8 | data[20];
  if (defaultPixel) region->fill(1);
  if (gridWidth == 0 || gridHeight == 0 || gridWidth > kMaxJbig2HalftoneCells ||
      gridHeight > kMaxJbig2HalftoneCells ||
      uint64_t{gridWidth} * gridHeight > kMaxJbig2HalftoneCells)
    return region;
  const int32_t gw = static_cast<int32_t>(gridWidth), gh = static_cast<int32_t>(gridHeight);
  if (!budget.take(int64_t{gw} * gh)) return region;
  const int64_t pw = dict.patternWidth, ph = dict.patternHeight;
  auto cellX = [&](int64_t m, int64_t n) { return (gridX + m * stepY + n * stepX) >> 8; };
  auto cellY = [&](int64_t m, int64_t n) { return (gridY + m * stepX - n * stepY) >> 8; };

  std::unique_ptr<JBIG2Bitmap> skip;
  if (enableSkip) {
    skip = JBIG2Bitmap::create(gw, gh, budget);
    if (!skip) return region;
    for (int32_t m = 0; m < gh; ++m)
      for (int32_t n = 0; n < gw; ++n) {
        const int64_t x = cellX(m, n), y = cellY(m, n);
        if (x + pw <= 0 || x >= width || y + ph <= 0 || y >= height) skip->setPixel(n, m, 1);
      }
  }

  // Grey values as bit planes, most significant first, each Gray-coded against the one above.
  const int planes = bitsFor(static_cast<uint32_t>(dict.patterns.size()));
  std::vector<uint16_t> values(static_cast<std::size_t>(gw) * gh, 0);
  const uint8_t* planeData = data + 21;
  const std::size_t planeSize = size - 21;
  std::size_t offset = 0;
  Jbig2ArithDecoder decoder(planeData, planeSize);
  std::vector<uint8_t> contexts;
  std::unique_ptr<JBIG2Bitmap> above;
  for (int j = planes - 1; j >= 0; --j) {
    std::unique_ptr<JBIG2Bitmap> plane;
    if (mmr) {
      std::size_t used = 0;
      plane = jbig2DecodeGenericMmr(gw, gh, planeData + offset, planeSize - offset, &used, budget);
      offset += used < planeSize - offset ? used : planeSize - offset;
    } else {
      Jbig2GenericParams gp;
      gp.width = gw;
      gp.height = gh;
      gp.templateId = templ;
      jbig2NominalAt(templ, gp.at);
      gp.skip = skip.get();
      plane = jbig2DecodeGeneric(gp, decoder, contexts, budget);
    }
    if (!plane) return region;
    if (above) plane->compose(*above, 0, 0, Jbig2Combination::Xor, budget);
    for (int32_t m = 0; m < gh; ++m)
      for (int32_t n = 0; n < gw; ++n)
        if (plane->pixel(n, m))
          values[static_cast<std::size_t>(m) * gw + n] |= static_cast<uint16_t>(1u << j);
    above = std::move(plane);
  }

  const std::size_t last = dict.patterns.size() - 1;
  for (int32_t m = 0; m < gh; ++m) {
    for (int32_t n = 0; n < gw; ++n) {
      std::size_t g = values[static_cast<std::size_t>(m) * gw + n];
      if (g > last) g = last;
      region->compose(*dict.patterns[g], cellX(m, n), cellY(m, n), op, budget);
      if (budget.exhausted()) return region;
    }
  }
  return region;
}
