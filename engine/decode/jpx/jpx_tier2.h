#pragma once
// Tile geometry and packets: builds a tile's decoding tree and reads its packet headers and
// bodies in the tile's progression order, handing each code block its coded segments.

#include "engine/decode/jpx/jpx_tile.h"

namespace jpx {

// Builds the tree of a tile and allocates its coefficient buffers. False when the tile cannot
// be decoded within the limits.
bool buildTile(const CodeStream& cs, const Tile& tile, TileState& state);

// Reads the tile's packets; data that ends early leaves the later packets empty.
void readPackets(const Tile& tile, TileState& state);

}  // namespace jpx
