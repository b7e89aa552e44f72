#include "engine/decode/jpx/jpx_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "engine/decode/jpx/jpx_boxes.h"
#include "engine/decode/jpx/jpx_codestream.h"
#include "engine/decode/jpx/jpx_tier1.h"
#include "engine/decode/jpx/jpx_tier2.h"
#include "engine/decode/jpx/jpx_transform.h"

namespace {

using namespace jpx;

int threadCount(int requested) {
  if (requested <= 0) requested = int(std::thread::hardware_concurrency());
  return std::clamp(requested, 1, kMaxJpxThreads);
}

// Copies one tile component's samples into its plane, level-shifted to unsigned codes.
void storeTile(const CodeStream& cs, const TileState& st, int c, JpxPlane& plane, int imageWidth) {
  const TileComponent& tc = st.components[c];
  const ComponentSize& comp = cs.components[c];
  const int maxValue = (1 << tc.depth) - 1;
  const int shift = 1 << (tc.depth - 1);
  const int tw = tc.width();
  if (tw <= 0 || tc.height() <= 0) return;
  std::vector<uint16_t> row(static_cast<std::size_t>(tw));
  int lastCy = -1;
  for (int y = st.y0; y < st.y1; ++y) {
    const int cy = std::clamp(y / comp.dy, tc.y0, tc.y1 - 1) - tc.y0;
    if (cy != lastCy) {
      const std::size_t at = std::size_t(cy) * tw;
      if (tc.style.reversible) {
        const int32_t* s = &tc.ints[at];
        for (int x = 0; x < tw; ++x) row[x] = uint16_t(std::clamp(s[x] + shift, 0, maxValue));
      } else {
        const float* s = &tc.floats[at];
        for (int x = 0; x < tw; ++x)
          row[x] = uint16_t(std::clamp(int(std::lrint(s[x])) + shift, 0, maxValue));
      }
      lastCy = cy;
    }
    uint16_t* out = &plane.samples[std::size_t(y - cs.y0) * imageWidth];
    if (comp.dx == 1) {
      std::memcpy(out + (st.x0 - cs.x0), row.data() + (st.x0 - tc.x0),
                  sizeof(uint16_t) * (st.x1 - st.x0));
    } else {
      for (int x = st.x0; x < st.x1; ++x)
        out[x - cs.x0] = row[std::clamp(x / comp.dx, tc.x0, tc.x1 - 1) - tc.x0];
    }
  }
}

void decodeTile(const CodeStream& cs, const Tile& tile, JpxImage& image, int threads) {
  TileState st;
  if (!buildTile(cs, tile, st)) {
    image.complete = false;
    return;
  }
  readPackets(tile, st);
  decodeCodeBlocks(st, threads);
  const int nc = int(st.components.size());
  if (threads > 1 && nc > 1) {
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
      pool.emplace_back([&, t] {
        for (int c = t; c < nc; c += threads) inverseWavelet(st.components[c]);
      });
    for (int c = 0; c < nc; c += threads) inverseWavelet(st.components[c]);
    for (std::thread& t : pool) t.join();
  } else {
    for (TileComponent& tc : st.components) inverseWavelet(tc);
  }
  inverseComponentTransform(st);
  for (int c = 0; c < nc; ++c) storeTile(cs, st, c, image.planes[c], image.width);
}

JpxColour enumeratedColour(uint32_t e) {
  switch (e) {
    case kEnumGrey:
      return JpxColour::Grey;
    case kEnumCmyk:
      return JpxColour::Cmyk;
    case kEnumLab:
      return JpxColour::Lab;
    case kEnumSrgb:
    case kEnumSycc:
    case kEnumEsrgb:
    case kEnumRommRgb:
    case kEnumEsycc:
      return JpxColour::Rgb;
    default:
      return JpxColour::Unknown;
  }
}

// The colour family an ICC profile's header names (its data colour space field).
JpxColour iccColour(const std::vector<uint8_t>& icc) {
  if (icc.size() < 20) return JpxColour::Unknown;
  const uint32_t sig =
      uint32_t(icc[16]) << 24 | uint32_t(icc[17]) << 16 | uint32_t(icc[18]) << 8 | icc[19];
  switch (sig) {
    case 0x47524159:
      return JpxColour::Grey;  // 'GRAY'
    case 0x52474220:
      return JpxColour::Rgb;  // 'RGB '
    case 0x434D594B:
      return JpxColour::Cmyk;  // 'CMYK'
    case 0x4C616220:
      return JpxColour::Lab;  // 'Lab '
    default:
      return JpxColour::Unknown;
  }
}

int colourCount(JpxColour c) {
  switch (c) {
    case JpxColour::Grey:
      return 1;
    case JpxColour::Cmyk:
      return 4;
    case JpxColour::Rgb:
    case JpxColour::Lab:
      return 3;
    default:
      return 0;
  }
}

// Applies the palette and component mapping: the planes become the mapped channels.
void applyPalette(const Jp2Header& h, JpxImage& image) {
  if (h.paletteEntries == 0) return;
  std::vector<Jp2Header::Mapping> mapping = h.mapping;
  const int columns = int(h.paletteDepth.size());
  if (mapping.empty())
    for (int c = 0; c < columns; ++c) mapping.push_back({0, 1, uint8_t(c)});
  std::vector<JpxPlane> out;
  for (const auto& m : mapping) {
    if (m.component >= image.planes.size()) return;
    const JpxPlane& src = image.planes[m.component];
    if (m.type != 1) {
      out.push_back(src);
      continue;
    }
    if (m.column >= columns) return;
    JpxPlane p;
    const int depth = h.paletteDepth[m.column];
    p.depth = std::min(depth, 16);
    p.samples.resize(src.samples.size());
    const int drop = depth > 16 ? depth - 16 : 0;
    for (std::size_t i = 0; i < src.samples.size(); ++i) {
      const int index = std::min<int>(src.samples[i], h.paletteEntries - 1);
      int32_t v = h.palette[std::size_t(index) * columns + m.column] >> drop;
      if (h.paletteSigned[m.column]) v += 1 << (p.depth - 1);
      p.samples[i] = uint16_t(std::clamp(v, 0, (1 << p.depth) - 1));
    }
    out.push_back(std::move(p));
  }
  image.planes = std::move(out);
}

void assignChannels(const Jp2Header& h, JpxImage& image) {
  const int n = int(image.planes.size());
  int wanted = colourCount(image.colour);
  if (wanted == 0) {
    wanted = n >= 4 && image.colour == JpxColour::Unknown && !image.fromFile ? 4 : n >= 3 ? 3 : 1;
    if (image.colour == JpxColour::Unknown)
      image.colour = wanted == 1 ? JpxColour::Grey : wanted == 3 ? JpxColour::Rgb : JpxColour::Cmyk;
  }
  image.colourPlanes.clear();
  image.alphaPlane = -1;
  if (!h.channels.empty()) {
    for (int a = 1; a <= wanted; ++a)
      for (const auto& ch : h.channels)
        if (ch.type == 0 && ch.association == a && ch.index < n) {
          image.colourPlanes.push_back(ch.index);
          break;
        }
    for (const auto& ch : h.channels)
      if ((ch.type == 1 || ch.type == 2) && ch.index < n) {
        image.alphaPlane = ch.index;
        image.alphaPremultiplied = ch.type == 2;
        break;
      }
    if (int(image.colourPlanes.size()) == wanted) return;
    image.colourPlanes.clear();
    image.alphaPlane = -1;
  }
  for (int i = 0; i < std::min(wanted, n); ++i) image.colourPlanes.push_back(i);
  if (n > wanted && image.fromFile) image.alphaPlane = wanted;
  // Too few channels for the declared space: show what there is as grey.
  if (n < wanted) {
    image.colour = JpxColour::Grey;
    image.colourPlanes = {0};
  }
}

// sYCC to RGB on the three colour planes (chroma up-sampled already).
void syccToRgb(JpxImage& image) {
  if (image.colourPlanes.size() != 3) return;
  JpxPlane& py = image.planes[image.colourPlanes[0]];
  JpxPlane& pb = image.planes[image.colourPlanes[1]];
  JpxPlane& pr = image.planes[image.colourPlanes[2]];
  const int maxValue = (1 << py.depth) - 1;
  const float offB = float(1 << (pb.depth - 1)), offR = float(1 << (pr.depth - 1));
  for (std::size_t i = 0; i < py.samples.size(); ++i) {
    const float y = py.samples[i], cb = pb.samples[i] - offB, cr = pr.samples[i] - offR;
    py.samples[i] = uint16_t(std::clamp(int(std::lrint(y + 1.402f * cr)), 0, maxValue));
    pb.samples[i] =
        uint16_t(std::clamp(int(std::lrint(y - 0.344136f * cb - 0.714136f * cr)), 0, maxValue));
    pr.samples[i] = uint16_t(std::clamp(int(std::lrint(y + 1.772f * cb)), 0, maxValue));
  }
  pb.depth = pr.depth = py.depth;
}

}  // namespace

bool decodeJpxImage(std::span<const uint8_t> input, JpxImage& image, int threads,
                    int64_t maxSamples) {
  image = JpxImage{};
  Jp2Header header;
  std::span<const uint8_t> stream = input;
  if (isJp2File(input)) {
    if (!readJp2(input, header)) return false;
    stream = header.codeStream;
    image.fromFile = true;
  }
  CodeStream cs;
  if (!readCodeStream(stream, cs)) return false;
  image.complete = !cs.truncated;
  image.width = int(cs.width - cs.x0);
  image.height = int(cs.height - cs.y0);
  const int64_t pixels = int64_t(image.width) * image.height;
  if (pixels * int64_t(cs.components.size()) > std::min(maxSamples, kMaxJpxImageSamples))
    return false;
  image.planes.resize(cs.components.size());
  for (std::size_t c = 0; c < cs.components.size(); ++c) {
    image.planes[c].depth = cs.components[c].depth;
    image.planes[c].samples.assign(std::size_t(pixels),
                                   uint16_t(1 << (cs.components[c].depth - 1)));
  }
  const int n = threadCount(threads);
  for (const Tile& tile : cs.tiles)
    if (tile.seen)
      decodeTile(cs, tile, image, n);
    else
      image.complete = false;

  applyPalette(header, image);
  if (header.method == ColourMethod::Enumerated) {
    image.colour = enumeratedColour(header.enumerated);
  } else if (header.method == ColourMethod::Icc) {
    image.icc = header.icc;
    image.colour =
        iccColour(header.icc) == JpxColour::Unknown ? JpxColour::Unknown : JpxColour::Icc;
  }
  // ICC images have as many colour channels as their profile's space.
  const JpxColour family = image.colour == JpxColour::Icc ? iccColour(image.icc) : image.colour;
  {
    const JpxColour declared = image.colour;
    image.colour = family;
    assignChannels(header, image);
    if (declared == JpxColour::Icc && image.colour == family) image.colour = JpxColour::Icc;
  }
  if (header.method == ColourMethod::Enumerated &&
      (header.enumerated == kEnumSycc || header.enumerated == kEnumEsycc))
    syccToRgb(image);
  if (family == JpxColour::Lab && image.colourPlanes.size() == 3) {
    const int depth = image.planes[image.colourPlanes[0]].depth;
    const double full = double(1 << depth);
    if (header.labParameters) {
      for (int i = 0; i < 3; ++i) {
        image.labRange[i] = header.labRange[i];
        image.labOffset[i] = header.labOffset[i];
      }
    } else {
      image.labOffset[0] = 0;
      image.labOffset[1] = full / 2;
      image.labOffset[2] = full / 2 * 0.75;
    }
  }
  return true;
}

bool C_PDF_JPEG2000::reset() {
  ready_ = decodeJpxImage(input_, image_, 0, maxSamples_);
  pixel_ = channel_ = 0;
  accumulator_ = 0;
  accumulated_ = 0;
  pixels_ = ready_ ? std::size_t(image_.width) * image_.height : 0;
  if (image_.planes.empty()) pixels_ = 0;
  return ready_;
}

int C_PDF_JPEG2000::nextByte() {
  while (accumulated_ < 8) {
    if (pixel_ >= pixels_) {
      if (accumulated_ == 0) return -1;
      // The last partial byte is padded with zero bits.
      accumulator_ <<= 8 - accumulated_;
      accumulated_ = 8;
      break;
    }
    const JpxPlane& p = image_.planes[channel_];
    accumulator_ = accumulator_ << p.depth | p.samples[pixel_];
    accumulated_ += p.depth;
    if (++channel_ == image_.planes.size()) {
      channel_ = 0;
      ++pixel_;
    }
  }
  accumulated_ -= 8;
  const int byte = int(accumulator_ >> accumulated_) & 0xFF;
  accumulator_ &= (1u << accumulated_) - 1;
  return byte;
}

std::size_t C_PDF_JPEG2000::read(uint8_t* out, std::size_t max) {
  std::size_t n = 0;
  const std::size_t channels = image_.planes.size();
  bool allBytes = channels > 0;
  for (const JpxPlane& p : image_.planes) allBytes = allBytes && p.depth == 8;
  if (allBytes && accumulated_ == 0 && channel_ == 0) {
    // Eight-bit channels: one byte per sample, without the bit accumulator.
    while (pixel_ < pixels_ && n + channels <= max) {
      for (std::size_t c = 0; c < channels; ++c)
        out[n++] = uint8_t(image_.planes[c].samples[pixel_]);
      ++pixel_;
    }
  }
  for (int b; n < max && (b = nextByte()) >= 0;) out[n++] = uint8_t(b);
  return n;
}

int32_t decodeJpx(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput) {
  output.clear();
  // Even one-bit samples could not fill more than maxOutput × 8.
  const int64_t fits =
      maxOutput > std::size_t(kMaxJpxImageSamples) ? kMaxJpxImageSamples : int64_t(maxOutput) * 8;
  C_PDF_JPEG2000 decoder(input, std::min(fits, kMaxJpxImageSamples));
  if (!decoder.reset()) return -1;
  const JpxImage& image = decoder.image();
  std::size_t bits = 0;
  for (const JpxPlane& p : image.planes) bits += std::size_t(p.depth);
  const std::size_t total = (std::size_t(image.width) * image.height * bits + 7) / 8;
  output.resize(std::min(total, maxOutput));
  output.resize(decoder.read(output.data(), output.size()));
  return int32_t(output.size());
}
