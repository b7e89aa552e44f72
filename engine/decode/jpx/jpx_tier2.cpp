#include "engine/decode/jpx/jpx_tier2.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace jpx {
namespace {

// Code blocks stop taking passes beyond this; real streams stay far below it.
constexpr int kMaxPassesRead = 3 * 64;
// Zero bit planes signalled by a tag tree at most.
constexpr int kMaxZeroPlanes = 64;
// Length fields of more bits than this are corrupt.
constexpr int kMaxLengthBits = 31;

int64_t ceilDiv(int64_t a, int64_t b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

// Packet-header bits, with the zero bit stuffed after each FFh byte.
struct BitReader {
  const uint8_t* data;
  std::size_t size;
  std::size_t pos;
  uint32_t byte = 0;
  int bits = 0;
  bool overrun = false;
  int bit() {
    if (bits == 0) {
      const bool stuffed = byte == 0xFF;
      if (pos < size) {
        byte = data[pos++];
      } else {
        byte = 0;
        overrun = true;
      }
      bits = stuffed ? 7 : 8;
    }
    --bits;
    return int(byte >> bits) & 1;
  }
  uint32_t read(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 1 | uint32_t(bit());
    return v;
  }
  // The header ends on a byte boundary; a final FFh is followed by its stuffing byte.
  void align() {
    if (byte == 0xFF && pos < size) ++pos;
    bits = 0;
    byte = 0;
  }
};

int decodeTag(TagTree& tree, int leaf, int threshold, BitReader& in) {
  int chain[64];
  int depth = 0;
  for (int n = leaf; n >= 0 && depth < 64; n = tree.nodes[n].parent) chain[depth++] = n;
  int low = 0;
  for (int i = depth - 1; i >= 0; --i) {
    TagTree::Node& node = tree.nodes[chain[i]];
    if (low > node.low)
      node.low = low;
    else
      low = node.low;
    while (low < threshold && low < node.value) {
      if (in.bit())
        node.value = low;
      else
        ++low;
      if (in.overrun) break;
    }
    node.low = low;
  }
  return tree.nodes[leaf].value;
}

int passCount(BitReader& in) {
  if (!in.bit()) return 1;
  if (!in.bit()) return 2;
  int v = int(in.read(2));
  if (v != 3) return 3 + v;
  v = int(in.read(5));
  if (v != 31) return 6 + v;
  return 37 + int(in.read(7));
}

int floorLog2(int v) {
  int n = 0;
  while (v > 1) {
    v >>= 1;
    ++n;
  }
  return n;
}

// Passes a new segment may hold, by the index of its first pass.
int segmentCapacity(int firstPass, int style) {
  if (style & kStyleTermAll) return 1;
  if (style & kStyleBypass) {
    if (firstPass < 10) return 10 - firstPass;
    return (firstPass - 10) % 3 == 0 ? 2 : 1;
  }
  return kMaxPassesRead;
}

struct PacketReader {
  const Tile& tile;
  TileState& state;
  std::size_t dataPos = 0;
  std::size_t headerPos = 0;  // into the packed headers
  bool broken = false;

  struct Part {
    CodeBlock* block;
    int segment;
    uint32_t length;
    bool fresh;  // the segment begins in this packet
  };
  std::vector<Part> parts;

  bool readPacket(int c, int r, int p, int layer) {
    TileComponent& tc = state.components[c];
    Resolution& res = tc.resolutions[r];
    Precinct& prec = res.precincts[p];
    const TileCoding& coding = *state.coding;
    const std::vector<uint8_t>& data = tile.data;
    if (coding.sop && dataPos + 6 <= data.size() && data[dataPos] == 0xFF &&
        data[dataPos + 1] == 0x91)
      dataPos += 6;
    const bool packed = tile.hasPackedHeaders;
    BitReader in{packed ? tile.packedHeaders.data() : data.data(),
                 packed ? tile.packedHeaders.size() : data.size(), packed ? headerPos : dataPos};
    parts.clear();
    if (in.bit()) {
      for (int b = 0; b < res.bandCount; ++b) {
        PrecinctBand& pb = prec.bands[b];
        const int cbStyle = tc.style.cbStyle;
        for (int i = 0; i < int(pb.blocks.size()); ++i) {
          CodeBlock& cb = pb.blocks[i];
          bool included;
          if (!cb.included) {
            included = decodeTag(pb.inclusion, i, layer + 1, in) <= layer;
          } else {
            included = in.bit();
          }
          if (in.overrun) return false;
          if (!included) continue;
          if (!cb.included) {
            int t = 1;
            while (t <= kMaxZeroPlanes && decodeTag(pb.zeroPlanes, i, t, in) >= t && !in.overrun)
              ++t;
            if (t > kMaxZeroPlanes || in.overrun) return false;
            cb.zeroPlanes = pb.zeroPlanes.nodes[i].value;
            cb.included = true;
          }
          int added = passCount(in);
          while (in.bit()) {
            if (++cb.lblock > kMaxLengthBits || in.overrun) return false;
          }
          if (cb.passes + added > kMaxPassesRead) return false;
          while (added > 0) {
            bool fresh = false;
            if (cb.segments.empty() || cb.segments.back().passes >= cb.segments.back().maxPasses) {
              Segment s;
              fresh = true;
              s.maxPasses = uint16_t(segmentCapacity(cb.passes, cbStyle));
              cb.segments.push_back(s);
            }
            Segment& s = cb.segments.back();
            const int take = std::min(added, int(s.maxPasses - s.passes));
            const int bits = cb.lblock + floorLog2(take);
            if (bits > kMaxLengthBits) return false;
            const uint32_t length = in.read(bits);
            if (in.overrun) return false;
            s.passes = uint16_t(s.passes + take);
            cb.passes += take;
            added -= take;
            parts.push_back({&cb, int(cb.segments.size()) - 1, length, fresh});
          }
        }
      }
    }
    if (in.overrun) return false;
    in.align();
    std::size_t pos = in.pos;
    const std::vector<uint8_t>& headerBytes = packed ? tile.packedHeaders : data;
    if (coding.eph && pos + 2 <= headerBytes.size() && headerBytes[pos] == 0xFF &&
        headerBytes[pos + 1] == 0x92)
      pos += 2;
    if (packed)
      headerPos = pos;
    else
      dataPos = pos;
    for (const Part& part : parts) {
      const std::size_t available = data.size() - std::min(dataPos, data.size());
      const std::size_t take = std::min<std::size_t>(part.length, available);
      CodeBlock& cb = *part.block;
      Segment& s = cb.segments[part.segment];
      // Segments of one block fill in order, so the bytes of the open one are the last ones.
      if (part.fresh)
        s.start = uint32_t(cb.data.size());
      else if (s.start + s.length != cb.data.size())
        return false;
      cb.data.insert(cb.data.end(), data.begin() + dataPos, data.begin() + dataPos + take);
      s.length += uint32_t(take);
      dataPos += take;
      if (take < part.length) return false;
    }
    return true;
  }

  void visit(int c, int r, int p, int layer) {
    if (broken) return;
    Precinct& prec = state.components[c].resolutions[r].precincts[p];
    if (prec.layersDone != layer) return;
    ++prec.layersDone;
    if (!readPacket(c, r, p, layer)) broken = true;
  }
};

struct Position {
  uint32_t y, x;
  uint16_t c;
  uint8_t r;
  uint32_t p;
};

}  // namespace

void TagTree::build(int w, int h) {
  nodes.clear();
  std::vector<int> levelStart;
  int lw = w, lh = h;
  int64_t total = 0;
  for (;;) {
    levelStart.push_back(int(total));
    total += int64_t(lw) * lh;
    if (lw <= 1 && lh <= 1) break;
    lw = (lw + 1) / 2;
    lh = (lh + 1) / 2;
  }
  nodes.resize(std::size_t(total));
  lw = w;
  lh = h;
  for (std::size_t level = 0; level + 1 < levelStart.size(); ++level) {
    const int pw = (lw + 1) / 2;
    for (int y = 0; y < lh; ++y)
      for (int x = 0; x < lw; ++x)
        nodes[levelStart[level] + y * lw + x].parent = levelStart[level + 1] + (y / 2) * pw + x / 2;
    lw = pw;
    lh = (lh + 1) / 2;
  }
}

bool buildTile(const CodeStream& cs, const Tile& tile, TileState& st) {
  const int p = tile.index % cs.tilesAcross, q = tile.index / cs.tilesAcross;
  st.x0 = int(std::max<uint64_t>(cs.tileX0 + uint64_t(p) * cs.tileWidth, cs.x0));
  st.x1 = int(std::min<uint64_t>(cs.tileX0 + uint64_t(p + 1) * cs.tileWidth, cs.width));
  st.y0 = int(std::max<uint64_t>(cs.tileY0 + uint64_t(q) * cs.tileHeight, cs.y0));
  st.y1 = int(std::min<uint64_t>(cs.tileY0 + uint64_t(q + 1) * cs.tileHeight, cs.height));
  if (st.x1 <= st.x0 || st.y1 <= st.y0) return false;
  st.coding = &tile.coding;
  const int nc = int(cs.components.size());
  st.components.resize(nc);
  int64_t blocks = 0, precincts = 0;
  for (int c = 0; c < nc; ++c) {
    TileComponent& tc = st.components[c];
    const ComponentSize& comp = cs.components[c];
    tc.x0 = int(ceilDiv(st.x0, comp.dx));
    tc.x1 = int(ceilDiv(st.x1, comp.dx));
    tc.y0 = int(ceilDiv(st.y0, comp.dy));
    tc.y1 = int(ceilDiv(st.y1, comp.dy));
    tc.style = tile.coding.styles[c];
    tc.quant = tile.coding.quant[c];
    tc.roiShift = tile.coding.roiShift[c];
    tc.depth = comp.depth;
    tc.isSigned = comp.isSigned;
    const int levels = tc.style.levels;
    tc.resolutions.resize(levels + 1);
    for (int r = 0; r <= levels; ++r) {
      Resolution& res = tc.resolutions[r];
      const int n = levels - r;
      const int64_t scale = int64_t{1} << n;
      res.x0 = int(ceilDiv(tc.x0, scale));
      res.x1 = int(ceilDiv(tc.x1, scale));
      res.y0 = int(ceilDiv(tc.y0, scale));
      res.y1 = int(ceilDiv(tc.y1, scale));
      res.ppx = tc.style.ppx[r];
      res.ppy = tc.style.ppy[r];
      if (res.x1 > res.x0 && res.y1 > res.y0) {
        res.precinctsAcross = int(ceilDiv(res.x1, int64_t{1} << res.ppx) - (res.x0 >> res.ppx));
        res.precinctsDown = int(ceilDiv(res.y1, int64_t{1} << res.ppy) - (res.y0 >> res.ppy));
      }
      precincts += int64_t(res.precinctsAcross) * res.precinctsDown;
      if (precincts > kMaxPrecinctsPerTile) return false;
      res.bandCount = r == 0 ? 1 : 3;
      const int nb = r == 0 ? levels : levels - r + 1;
      for (int b = 0; b < res.bandCount; ++b) {
        Band& band = res.bands[b];
        band.orientation = r == 0 ? 0 : b + 1;
        const int xob = band.orientation & 1, yob = band.orientation >> 1;
        const int64_t bs = int64_t{1} << nb;
        const int64_t half = nb > 0 ? bs / 2 : 0;
        band.x0 = int(ceilDiv(tc.x0 - half * xob, bs));
        band.x1 = int(ceilDiv(tc.x1 - half * xob, bs));
        band.y0 = int(ceilDiv(tc.y0 - half * yob, bs));
        band.y1 = int(ceilDiv(tc.y1 - half * yob, bs));
        if (r == 0) {
          band.x0 = res.x0, band.x1 = res.x1, band.y0 = res.y0, band.y1 = res.y1;
        } else {
          const Resolution& lower = tc.resolutions[r - 1];
          band.offsetX = xob ? lower.x1 - lower.x0 : 0;
          band.offsetY = yob ? lower.y1 - lower.y0 : 0;
        }
        // Quantisation of this band.
        const Quantisation& qz = tc.quant;
        const int index = r == 0 ? 0 : 3 * (r - 1) + band.orientation;
        int eps, mant;
        if (qz.style == 1) {
          eps = int(qz.exponent[0]) - (r == 0 ? 0 : r - 1);
          mant = qz.mantissa[0];
        } else {
          const int i = std::min(index, qz.count - 1);
          eps = qz.exponent[i];
          mant = qz.mantissa[i];
        }
        band.bitPlanes = qz.guardBits + eps - 1 + tc.roiShift;
        const int gain = band.orientation == 0 ? 0 : band.orientation == 3 ? 2 : 1;
        band.step = float(std::ldexp(1.0 + mant / 2048.0, tc.depth + gain - eps));
      }
      if (res.precinctsAcross <= 0 || res.precinctsDown <= 0) continue;
      res.precincts.resize(std::size_t(res.precinctsAcross) * res.precinctsDown);
      const int cbw = std::min<int>(tc.style.cbWidthExp, r > 0 ? res.ppx - 1 : res.ppx);
      const int cbh = std::min<int>(tc.style.cbHeightExp, r > 0 ? res.ppy - 1 : res.ppy);
      for (int py = 0; py < res.precinctsDown; ++py) {
        for (int px = 0; px < res.precinctsAcross; ++px) {
          Precinct& prec = res.precincts[std::size_t(py) * res.precinctsAcross + px];
          const int64_t rx = ((int64_t(res.x0) >> res.ppx) + px) << res.ppx;
          const int64_t ry = ((int64_t(res.y0) >> res.ppy) + py) << res.ppy;
          prec.refX = uint32_t(std::max<int64_t>(st.x0, (rx << n) * comp.dx));
          prec.refY = uint32_t(std::max<int64_t>(st.y0, (ry << n) * comp.dy));
          for (int b = 0; b < res.bandCount; ++b) {
            const Band& band = res.bands[b];
            PrecinctBand& pb = prec.bands[b];
            const int shift = r == 0 ? 0 : 1;
            const int64_t bx0 = std::max<int64_t>(band.x0, rx >> shift);
            const int64_t bx1 =
                std::min<int64_t>(band.x1, (rx >> shift) + ((int64_t{1} << res.ppx) >> shift));
            const int64_t by0 = std::max<int64_t>(band.y0, ry >> shift);
            const int64_t by1 =
                std::min<int64_t>(band.y1, (ry >> shift) + ((int64_t{1} << res.ppy) >> shift));
            if (bx1 <= bx0 || by1 <= by0) continue;
            const int64_t cx0 = bx0 >> cbw, cx1 = ceilDiv(bx1, int64_t{1} << cbw);
            const int64_t cy0 = by0 >> cbh, cy1 = ceilDiv(by1, int64_t{1} << cbh);
            pb.cbAcross = int(cx1 - cx0);
            pb.cbDown = int(cy1 - cy0);
            blocks += int64_t(pb.cbAcross) * pb.cbDown;
            if (blocks > kMaxCodeBlocksPerTile) return false;
            pb.blocks.resize(std::size_t(pb.cbAcross) * pb.cbDown);
            for (int j = 0; j < pb.cbDown; ++j) {
              for (int i = 0; i < pb.cbAcross; ++i) {
                CodeBlock& cb = pb.blocks[std::size_t(j) * pb.cbAcross + i];
                cb.x0 = int(std::max<int64_t>(bx0, (cx0 + i) << cbw));
                cb.x1 = int(std::min<int64_t>(bx1, (cx0 + i + 1) << cbw));
                cb.y0 = int(std::max<int64_t>(by0, (cy0 + j) << cbh));
                cb.y1 = int(std::min<int64_t>(by1, (cy0 + j + 1) << cbh));
              }
            }
            pb.inclusion.build(pb.cbAcross, pb.cbDown);
            pb.zeroPlanes.build(pb.cbAcross, pb.cbDown);
          }
        }
      }
    }
    const std::size_t samples = std::size_t(tc.width()) * tc.height();
    if (tc.style.reversible)
      tc.ints.assign(samples, 0);
    else
      tc.floats.assign(samples, 0.0f);
  }
  return true;
}

void readPackets(const Tile& tile, TileState& st) {
  const TileCoding& coding = *st.coding;
  const int nc = int(st.components.size());
  int maxRes = 0;
  for (const TileComponent& tc : st.components)
    maxRes = std::max(maxRes, int(tc.resolutions.size()));
  std::vector<ProgressionChange> changes = coding.changes;
  if (changes.empty()) {
    ProgressionChange all;
    all.layerEnd = coding.layers;
    all.resEnd = maxRes;
    all.compEnd = nc;
    all.order = coding.order;
    changes.push_back(all);
  }
  PacketReader reader{tile, st, 0, 0, false, {}};
  std::vector<Position> positions;
  for (const ProgressionChange& ch : changes) {
    const int layers = std::min(ch.layerEnd, coding.layers);
    const int c0 = std::min(ch.compStart, nc), c1 = std::min(ch.compEnd, nc);
    const int r0 = ch.resStart, r1 = std::min(ch.resEnd, maxRes);
    auto precinctCount = [&](int c, int r) {
      const TileComponent& tc = st.components[c];
      return r < int(tc.resolutions.size()) ? int(tc.resolutions[r].precincts.size()) : 0;
    };
    switch (ch.order) {
      case Progression::LRCP:
        for (int l = 0; l < layers; ++l)
          for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c)
              for (int p = 0, n = precinctCount(c, r); p < n; ++p) reader.visit(c, r, p, l);
        break;
      case Progression::RLCP:
        for (int r = r0; r < r1; ++r)
          for (int l = 0; l < layers; ++l)
            for (int c = c0; c < c1; ++c)
              for (int p = 0, n = precinctCount(c, r); p < n; ++p) reader.visit(c, r, p, l);
        break;
      default: {
        positions.clear();
        for (int c = c0; c < c1; ++c)
          for (int r = r0; r < r1; ++r)
            for (int p = 0, n = precinctCount(c, r); p < n; ++p) {
              const Precinct& prec = st.components[c].resolutions[r].precincts[p];
              positions.push_back({prec.refY, prec.refX, uint16_t(c), uint8_t(r), uint32_t(p)});
            }
        auto key = [order = ch.order](const Position& a) {
          // Loop nesting of each order, outermost first.
          switch (order) {
            case Progression::RPCL:
              return std::make_tuple(uint32_t(a.r), a.y, a.x, uint32_t(a.c));
            case Progression::PCRL:
              return std::make_tuple(a.y, a.x, uint32_t(a.c), uint32_t(a.r));
            default:
              return std::make_tuple(uint32_t(a.c), a.y, a.x, uint32_t(a.r));
          }
        };
        std::stable_sort(positions.begin(), positions.end(),
                         [&](const Position& a, const Position& b) { return key(a) < key(b); });
        for (const Position& pos : positions)
          for (int l = 0; l < layers; ++l) reader.visit(pos.c, pos.r, int(pos.p), l);
      }
    }
    if (reader.broken) break;
  }
}

}  // namespace jpx
