#include "engine/decode/jpx/jpx_codestream.h"

#include <algorithm>

namespace jpx {
namespace {

enum Marker : uint16_t {
  SOC = 0xFF4F,
  SIZ = 0xFF51,
  COD = 0xFF52,
  COC = 0xFF53,
  TLM = 0xFF55,
  PLM = 0xFF57,
  PLT = 0xFF58,
  QCD = 0xFF5C,
  QCC = 0xFF5D,
  RGN = 0xFF5E,
  POC = 0xFF5F,
  PPM = 0xFF60,
  PPT = 0xFF61,
  CRG = 0xFF63,
  COM = 0xFF64,
  SOT = 0xFF90,
  SOD = 0xFF93,
  EOC = 0xFFD9,
};

// Bytes of one marker segment; reads past its end give 0 and set bad.
struct Segment {
  const uint8_t* p;
  std::size_t size, pos = 0;
  bool bad = false;
  int u8() {
    if (pos >= size) {
      bad = true;
      return 0;
    }
    return p[pos++];
  }
  int u16() {
    int a = u8();
    return a << 8 | u8();
  }
  uint32_t u32() {
    uint32_t a = uint32_t(u16());
    return a << 16 | uint32_t(u16());
  }
  std::size_t left() const { return pos < size ? size - pos : 0; }
};

// The part of a COD or COC segment common to both (SPcod / SPcoc).
bool readStyle(Segment& s, bool precincts, CodingStyle& cs) {
  cs.levels = s.u8();
  cs.cbWidthExp = s.u8() + 2;
  cs.cbHeightExp = s.u8() + 2;
  cs.cbStyle = s.u8();
  cs.reversible = s.u8() == 1;
  cs.customPrecincts = precincts;
  if (cs.levels > kMaxLevels || cs.cbWidthExp > 10 || cs.cbHeightExp > 10 ||
      cs.cbWidthExp + cs.cbHeightExp > 12)
    return false;
  for (int r = 0; r <= cs.levels; ++r) {
    if (precincts) {
      const int v = s.u8();
      cs.ppx[r] = uint8_t(v & 15);
      cs.ppy[r] = uint8_t(v >> 4);
      // Only the lowest resolution may have one-sample precincts.
      if (r > 0 && (cs.ppx[r] == 0 || cs.ppy[r] == 0)) return false;
    } else {
      cs.ppx[r] = cs.ppy[r] = 15;
    }
  }
  return !s.bad;
}

bool readQuant(Segment& s, Quantisation& q) {
  const int sq = s.u8();
  q.style = sq & 31;
  q.guardBits = sq >> 5;
  if (q.style > 2) return false;
  q.count = 0;
  if (q.style == 0) {
    while (s.left() > 0 && q.count < kMaxBands) {
      q.exponent[q.count] = uint16_t(s.u8() >> 3);
      q.mantissa[q.count++] = 0;
    }
  } else {
    while (s.left() >= 2 && q.count < kMaxBands) {
      const int v = s.u16();
      q.exponent[q.count] = uint16_t(v >> 11);
      q.mantissa[q.count++] = uint16_t(v & 0x7FF);
      if (q.style == 1) break;
    }
  }
  return q.count > 0 && !s.bad;
}

struct Reader {
  std::span<const uint8_t> in;
  std::size_t pos = 0;
  int u16() {
    if (pos + 2 > in.size()) {
      pos = in.size();
      return -1;
    }
    const int v = in[pos] << 8 | in[pos + 1];
    pos += 2;
    return v;
  }
};

// Main-header values, kept apart so that COC and QCC win over COD and QCD whatever the order.
struct Defaults {
  CodingStyle codStyle;
  std::vector<CodingStyle> cocStyle;
  std::vector<uint8_t> hasCoc;
  Quantisation qcd;
  std::vector<Quantisation> qcc;
  std::vector<uint8_t> hasQcc;
  bool haveCod = false, haveQcd = false;
};

int componentIndex(Segment& s, int components) { return components < 257 ? s.u8() : s.u16(); }

// COD, COC, QCD, QCC, RGN and POC, in the main header (tile null) or in a tile-part header.
bool readCodingSegment(int marker, Segment& s, CodeStream& cs, Defaults& d, Tile* tile) {
  const int nc = int(cs.components.size());
  TileCoding& tc = tile ? tile->coding : cs.coding;
  switch (marker) {
    case COD: {
      const int scod = s.u8();
      const int order = s.u8();
      const int layers = s.u16();
      const int mct = s.u8();
      CodingStyle style;
      if (!readStyle(s, scod & 1, style) || order > 4 || layers == 0) return false;
      tc.sop = scod & 2;
      tc.eph = scod & 4;
      tc.order = Progression(order);
      tc.layers = std::min(layers, kMaxLayers);
      tc.mct = mct == 1;
      if (!tile) {
        d.codStyle = style;
        d.haveCod = true;
      } else {
        for (int c = 0; c < nc; ++c)
          if (!tile->codSet[c]) tc.styles[c] = style;
      }
      return true;
    }
    case COC: {
      const int c = componentIndex(s, nc);
      const int scoc = s.u8();
      CodingStyle style;
      if (c >= nc || !readStyle(s, scoc & 1, style)) return false;
      if (!tile) {
        d.cocStyle[c] = style;
        d.hasCoc[c] = 1;
      } else {
        tc.styles[c] = style;
        tile->codSet[c] = 1;
      }
      return true;
    }
    case QCD: {
      Quantisation q;
      if (!readQuant(s, q)) return false;
      if (!tile) {
        d.qcd = q;
        d.haveQcd = true;
      } else {
        for (int c = 0; c < nc; ++c)
          if (!tile->quantFromQcc[c]) tc.quant[c] = q;
      }
      return true;
    }
    case QCC: {
      const int c = componentIndex(s, nc);
      Quantisation q;
      if (c >= nc || !readQuant(s, q)) return false;
      if (!tile) {
        d.qcc[c] = q;
        d.hasQcc[c] = 1;
      } else {
        tc.quant[c] = q;
        tile->quantFromQcc[c] = 1;
      }
      return true;
    }
    case RGN: {
      const int c = componentIndex(s, nc);
      const int style = s.u8();
      const int shift = s.u8();
      if (c >= nc || s.bad) return false;
      // Only the maximum-shift method exists; shifts beyond the coefficient width mean nothing.
      if (style == 0) tc.roiShift[c] = std::min(shift, 31);
      return true;
    }
    case POC: {
      const int entryBytes = nc < 257 ? 7 : 9;
      tc.changes.clear();
      while (s.left() >= std::size_t(entryBytes) &&
             int(tc.changes.size()) < kMaxProgressionChanges) {
        ProgressionChange p;
        p.resStart = s.u8();
        p.compStart = componentIndex(s, nc);
        p.layerEnd = std::min(s.u16(), kMaxLayers);
        p.resEnd = s.u8();
        p.compEnd = componentIndex(s, nc);
        if (p.compEnd == 0) p.compEnd = 256;
        const int order = s.u8();
        if (order > 4) return false;
        p.order = Progression(order);
        p.compEnd = std::min(p.compEnd, nc);
        p.resEnd = std::min(p.resEnd, kMaxLevels + 1);
        tc.changes.push_back(p);
      }
      return true;
    }
  }
  return true;
}

bool readSiz(Segment& s, CodeStream& cs) {
  s.u16();  // capabilities
  cs.width = s.u32();
  cs.height = s.u32();
  cs.x0 = s.u32();
  cs.y0 = s.u32();
  cs.tileWidth = s.u32();
  cs.tileHeight = s.u32();
  cs.tileX0 = s.u32();
  cs.tileY0 = s.u32();
  const int nc = s.u16();
  if (s.bad || nc < 1 || nc > kMaxComponents) return false;
  if (cs.x0 >= cs.width || cs.y0 >= cs.height) return false;
  if (cs.width - cs.x0 > kMaxImageDimension || cs.height - cs.y0 > kMaxImageDimension) return false;
  if (cs.tileWidth == 0 || cs.tileHeight == 0 || cs.tileX0 > cs.x0 || cs.tileY0 > cs.y0)
    return false;
  if (uint64_t(cs.tileX0) + cs.tileWidth <= cs.x0 || uint64_t(cs.tileY0) + cs.tileHeight <= cs.y0)
    return false;
  const uint64_t across = (uint64_t(cs.width) - cs.tileX0 + cs.tileWidth - 1) / cs.tileWidth;
  const uint64_t down = (uint64_t(cs.height) - cs.tileY0 + cs.tileHeight - 1) / cs.tileHeight;
  if (across * down > uint64_t(kMaxTiles)) return false;
  cs.tilesAcross = int(across);
  cs.tilesDown = int(down);
  cs.components.resize(nc);
  for (auto& c : cs.components) {
    const int ssiz = s.u8();
    c.isSigned = ssiz & 0x80;
    c.depth = (ssiz & 0x7F) + 1;
    c.dx = s.u8();
    c.dy = s.u8();
    if (c.depth > kMaxBitDepth || c.dx == 0 || c.dy == 0) return false;
  }
  return !s.bad;
}

}  // namespace

bool readCodeStream(std::span<const uint8_t> input, CodeStream& cs) {
  Reader r{input};
  if (r.u16() != SOC) return false;
  Defaults d;
  bool haveSiz = false, inMain = true;
  std::vector<uint8_t> ppm;
  std::size_t ppmPos = 0;
  bool hasPpm = false;
  Tile* tile = nullptr;
  int tileParts = 0;
  for (int count = 0; count < kMaxMarkerSegments; ++count) {
    const int marker = r.u16();
    if (marker < 0 || marker == EOC) {
      if (marker < 0) cs.truncated = true;
      break;
    }
    if (marker == SOD) {
      // Never reached directly: SOT handling below consumes each tile part whole.
      cs.truncated = true;
      break;
    }
    const int length = r.u16();
    if (length < 2 || r.pos + std::size_t(length) - 2 > input.size()) {
      cs.truncated = true;
      break;
    }
    Segment s{input.data() + r.pos, std::size_t(length - 2)};
    const std::size_t segmentStart = r.pos - 4;
    r.pos += std::size_t(length) - 2;
    if (marker == SIZ) {
      if (haveSiz || !readSiz(s, cs)) return false;
      haveSiz = true;
      const std::size_t nc = cs.components.size();
      d.cocStyle.resize(nc);
      d.hasCoc.assign(nc, 0);
      d.qcc.resize(nc);
      d.hasQcc.assign(nc, 0);
      cs.coding.roiShift.assign(nc, 0);
      continue;
    }
    if (!haveSiz) return false;
    if (marker == SOT) {
      if (inMain) {
        if (!d.haveCod || !d.haveQcd) return false;
        const std::size_t nc = cs.components.size();
        cs.coding.styles.resize(nc);
        cs.coding.quant.resize(nc);
        for (std::size_t c = 0; c < nc; ++c) {
          cs.coding.styles[c] = d.hasCoc[c] ? d.cocStyle[c] : d.codStyle;
          cs.coding.quant[c] = d.hasQcc[c] ? d.qcc[c] : d.qcd;
        }
        cs.tiles.resize(std::size_t(cs.tilesAcross) * cs.tilesDown);
        for (std::size_t t = 0; t < cs.tiles.size(); ++t) cs.tiles[t].index = int(t);
        inMain = false;
      }
      const int index = s.u16();
      const uint32_t psot = s.u32();
      s.u8();  // tile-part index
      s.u8();  // tile-part count
      if (s.bad || index >= int(cs.tiles.size()) || ++tileParts > kMaxTileParts) {
        cs.truncated = true;
        break;
      }
      tile = &cs.tiles[index];
      if (!tile->seen) {
        tile->seen = true;
        tile->coding = cs.coding;
        const std::size_t nc = cs.components.size();
        tile->codSet.assign(nc, 0);
        tile->quantFromQcc.assign(nc, 0);
      }
      // The tile part ends psot bytes after its SOT (0: at the end of the stream).
      std::size_t end = psot == 0 ? input.size() : segmentStart + psot;
      if (psot != 0 && (psot < 14 || end > input.size())) {
        end = input.size();
        cs.truncated = true;
      }
      // Tile-part header up to SOD.
      bool sod = false;
      for (; count < kMaxMarkerSegments && r.pos + 2 <= end; ++count) {
        const int m = r.u16();
        if (m == SOD) {
          sod = true;
          break;
        }
        const int len = r.u16();
        if (len < 2 || r.pos + std::size_t(len) - 2 > end) break;
        Segment ts{input.data() + r.pos, std::size_t(len - 2)};
        r.pos += std::size_t(len) - 2;
        if (m == PPT) {
          const std::size_t n = ts.left() > 0 ? ts.left() - 1 : 0;
          tile->packedHeaders.insert(tile->packedHeaders.end(), ts.p + 1, ts.p + 1 + n);
          tile->hasPackedHeaders = true;
        } else if (m == COD || m == COC || m == QCD || m == QCC || m == RGN || m == POC) {
          if (!readCodingSegment(m, ts, cs, d, tile)) {
            // A broken tile header leaves the tile without data.
            tile->seen = false;
            tile->data.clear();
            break;
          }
        }
        // PLT, COM and anything unknown are skipped by their length.
      }
      if (!sod) {
        r.pos = end;
        if (end >= input.size()) {
          cs.truncated = true;
          break;
        }
        continue;
      }
      if (r.pos < end)
        tile->data.insert(tile->data.end(), input.begin() + r.pos, input.begin() + end);
      if (hasPpm) {
        // The next packed chunk belongs to this tile part.
        if (ppmPos + 4 <= ppm.size()) {
          const uint32_t n = uint32_t(ppm[ppmPos]) << 24 | uint32_t(ppm[ppmPos + 1]) << 16 |
                             uint32_t(ppm[ppmPos + 2]) << 8 | ppm[ppmPos + 3];
          ppmPos += 4;
          const std::size_t take = std::min<std::size_t>(n, ppm.size() - ppmPos);
          tile->packedHeaders.insert(tile->packedHeaders.end(), ppm.begin() + ppmPos,
                                     ppm.begin() + ppmPos + take);
          ppmPos += take;
        }
        tile->hasPackedHeaders = true;
      }
      r.pos = end;
      continue;
    }
    if (!inMain) continue;  // stray segments between tile parts
    switch (marker) {
      case COD:
      case COC:
      case QCD:
      case QCC:
      case RGN:
      case POC:
        if (!readCodingSegment(marker, s, cs, d, nullptr)) return false;
        break;
      case PPM:
        if (s.left() > 0) ppm.insert(ppm.end(), s.p + 1, s.p + s.size);
        hasPpm = true;
        break;
      default:
        // TLM, PLM, CRG, COM and unknown segments: their lengths are enough to skip them.
        break;
    }
  }
  if (inMain) return false;
  return true;
}

}  // namespace jpx
