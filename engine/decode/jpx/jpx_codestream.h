#pragma once
// JPEG 2000 code streams: the marker segments of the main and tile-part headers, and each
// tile's packet data gathered from its tile parts.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace jpx {

// Bounds on what a code stream may declare; larger values make the stream unusable (or, for
// counts met while reading, end it) instead of taking unbounded time or memory.
inline constexpr int kMaxComponents = 256;
inline constexpr uint32_t kMaxImageDimension = 1u << 16;
inline constexpr int kMaxTiles = 1 << 16;
inline constexpr int kMaxTileParts = 1 << 16;
inline constexpr int kMaxLevels = 32;    // decomposition levels (T.800 allows 32)
inline constexpr int kMaxLayers = 1024;  // quality layers honoured
inline constexpr int kMaxBitDepth = 16;  // sample precision of a component
inline constexpr int kMaxProgressionChanges = 256;
inline constexpr int kMaxMarkerSegments = 1 << 20;
inline constexpr int kMaxBands = 3 * kMaxLevels + 1;

enum class Progression : uint8_t { LRCP = 0, RLCP = 1, RPCL = 2, PCRL = 3, CPRL = 4 };

// Code-block style bits.
inline constexpr int kStyleBypass = 1;
inline constexpr int kStyleReset = 2;
inline constexpr int kStyleTermAll = 4;
inline constexpr int kStyleVerticalCausal = 8;
inline constexpr int kStylePredictable = 16;
inline constexpr int kStyleSegmentation = 32;

struct ComponentSize {
  int depth = 8;  // 1 to kMaxBitDepth
  bool isSigned = false;
  int dx = 1, dy = 1;
};

// Coding style of one component (COD with COC applied).
struct CodingStyle {
  bool customPrecincts = false;
  int levels = 5;
  int cbWidthExp = 6, cbHeightExp = 6;  // code-block size exponents
  int cbStyle = 0;
  bool reversible = false;                           // 5/3 rather than 9/7
  uint8_t ppx[kMaxLevels + 1], ppy[kMaxLevels + 1];  // precinct exponents per resolution
  CodingStyle() {
    for (int i = 0; i <= kMaxLevels; ++i) ppx[i] = ppy[i] = 15;
  }
};

struct Quantisation {
  int style = 0;  // 0 none, 1 scalar derived, 2 scalar expounded
  int guardBits = 2;
  int count = 0;
  uint16_t exponent[kMaxBands] = {};
  uint16_t mantissa[kMaxBands] = {};
};

struct ProgressionChange {
  int resStart = 0, compStart = 0, layerEnd = 0, resEnd = 0, compEnd = 0;
  Progression order = Progression::LRCP;
};

// The defaults of COD shared by all components, then the per-component overrides.
struct TileCoding {
  bool sop = false, eph = false;
  Progression order = Progression::LRCP;
  int layers = 1;
  bool mct = false;
  std::vector<CodingStyle> styles;         // per component
  std::vector<Quantisation> quant;         // per component
  std::vector<int> roiShift;               // per component
  std::vector<ProgressionChange> changes;  // POC, in order
};

struct Tile {
  int index = 0;
  bool seen = false;
  TileCoding coding;
  // Which parts of coding the tile's own headers set (tile values win over main ones).
  std::vector<uint8_t> codSet, quantFromQcc;
  std::vector<uint8_t> data;           // packet data of all tile parts, in order
  std::vector<uint8_t> packedHeaders;  // PPT or PPM packet headers, when present
  bool hasPackedHeaders = false;
};

struct CodeStream {
  uint32_t width = 0, height = 0;  // Xsiz, Ysiz
  uint32_t x0 = 0, y0 = 0;         // XOsiz, YOsiz
  uint32_t tileWidth = 0, tileHeight = 0;
  uint32_t tileX0 = 0, tileY0 = 0;
  int tilesAcross = 0, tilesDown = 0;
  std::vector<ComponentSize> components;
  TileCoding coding;  // main header values
  std::vector<Tile> tiles;
  bool truncated = false;  // the stream ended or broke before EOC
};

// Reads the headers and gathers the tiles' data. False when the main header is unusable
// (nothing can be decoded); a stream that breaks later keeps the tiles read so far.
bool readCodeStream(std::span<const uint8_t> input, CodeStream& out);

}  // namespace jpx
