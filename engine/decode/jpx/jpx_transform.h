#pragma once
// The inverse wavelet transforms (reversible 5/3, irreversible 9/7) and the inverse component
// transforms, applied in place to a tile's coefficient buffers.

#include "engine/decode/jpx/jpx_tile.h"

namespace jpx {

// Turns one tile component's coefficients into samples (before the level shift).
void inverseWavelet(TileComponent& tc);

// Undoes the reversible or irreversible colour transform on the first three components when
// the tile uses one and their sizes agree.
void inverseComponentTransform(TileState& state);

}  // namespace jpx
