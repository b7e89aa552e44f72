#pragma once
// The work of the mesh-shading fuzz target, shared with the test that replays its findings.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/render/mesh_reader.h"

namespace mesh_fuzz {

// Bytes 0..5 choose the type, the bit depths, the components and the row length; the rest is
// the vertex data.
inline void runMeshInput(const uint8_t* data, std::size_t size) {
  if (size < 6) return;
  static const int kBits[8] = {1, 2, 4, 8, 12, 16, 24, 32};
  MeshFormat format;
  format.type = 4 + data[0] % 4;
  format.bitsPerCoordinate = kBits[data[1] % 8];
  format.bitsPerComponent = kBits[data[2] % 8];
  format.bitsPerFlag = kBits[data[3] % 8];
  format.components = 1 + data[4] % 4;
  format.verticesPerRow = data[5];
  for (int i = 0; i < 2 + format.components; ++i)
    format.decode.insert(format.decode.end(), {-10.0, 1000.0});
  const auto patches = readMesh(std::span<const uint8_t>(data + 6, size - 6), format);
  if (patches.size() > kMaxMeshPatches) __builtin_trap();
  for (const MeshPatch& p : patches)
    for (double v : p.xy)
      if (!std::isfinite(v)) __builtin_trap();
}

}  // namespace mesh_fuzz
