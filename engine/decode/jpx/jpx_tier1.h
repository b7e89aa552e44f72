#pragma once
// Code-block decoding: the MQ arithmetic decoder and the three coding passes, writing
// dequantised coefficients into the tile-component buffers.

#include "engine/decode/jpx/jpx_tile.h"

namespace jpx {

// Decodes every code block of the tile, on up to threads threads.
void decodeCodeBlocks(TileState& state, int threads);

}  // namespace jpx
