#pragma once
// The decoding tree of one tile: components, resolutions, precincts, sub-bands and code blocks,
// shared by the packet reader, the code-block decoder and the transforms.

#include <cstdint>
#include <vector>

#include "engine/decode/jpx/jpx_codestream.h"

namespace jpx {

// Code blocks and precincts one tile may have; more makes the tile unusable.
inline constexpr int64_t kMaxCodeBlocksPerTile = 1 << 20;
inline constexpr int64_t kMaxPrecinctsPerTile = 1 << 20;
// Magnitude bit planes decoded at most: coefficients keep one extra bit below the last plane.
inline constexpr int kMaxBitPlanes = 30;
// Coding passes one code block can take (three per bit plane).
inline constexpr int kMaxPasses = 3 * kMaxBitPlanes;

struct Segment {
  uint32_t start = 0;  // into the block's data
  uint32_t length = 0;
  uint16_t passes = 0;
  uint16_t maxPasses = 0;
};

struct CodeBlock {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // sub-band coordinates
  bool included = false;
  int zeroPlanes = 0;
  int lblock = 3;
  int passes = 0;
  std::vector<uint8_t> data;
  std::vector<Segment> segments;
};

// A tag tree over a grid of code blocks (B.10.2).
struct TagTree {
  struct Node {
    int value = 1 << 30;
    int low = 0;
    int parent = -1;
  };
  std::vector<Node> nodes;  // leaves first, row by row, then each coarser level
  void build(int w, int h);
};

struct PrecinctBand {
  int cbAcross = 0, cbDown = 0;
  std::vector<CodeBlock> blocks;
  TagTree inclusion, zeroPlanes;
};

struct Precinct {
  PrecinctBand bands[3];
  int layersDone = 0;
  uint32_t refX = 0, refY = 0;  // where the position-driven orders meet it on the reference grid
};

struct Band {
  int orientation = 0;  // 0 LL, 1 HL, 2 LH, 3 HH
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int offsetX = 0, offsetY = 0;  // where it sits in the tile-component buffer
  int bitPlanes = 0;             // Mb, with the region-of-interest shift added
  float step = 1.0f;             // dequantisation step (irreversible)
};

struct Resolution {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int bandCount = 0;
  Band bands[3];
  int ppx = 15, ppy = 15;
  int precinctsAcross = 0, precinctsDown = 0;
  std::vector<Precinct> precincts;
};

struct TileComponent {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  CodingStyle style;
  Quantisation quant;
  int roiShift = 0;
  int depth = 8;
  bool isSigned = false;
  std::vector<Resolution> resolutions;
  // Coefficients, then samples: integers for the reversible path, floats otherwise.
  std::vector<int32_t> ints;
  std::vector<float> floats;
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
};

struct TileState {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  const TileCoding* coding = nullptr;
  std::vector<TileComponent> components;
};

}  // namespace jpx
