#pragma once
// Reading the vertex data of mesh shadings: free-form and lattice triangle meshes (types 4 and
// 5), Coons and tensor-product patch meshes (types 6 and 7).

#include <array>
#include <cstdint>
#include <span>
#include <vector>

struct MeshFormat {
  // Colour components per vertex beyond this are not read.
  static constexpr int kMaxComponents = 32;

  int type = 4;
  int bitsPerCoordinate = 0;
  int bitsPerComponent = 0;
  int bitsPerFlag = 0;
  int verticesPerRow = 0;
  // Components per vertex: the colour space's, or 1 (the function's input) with a Function.
  int components = 0;
  // xmin xmax ymin ymax, then min and max of each component.
  std::vector<double> decode;
};

struct MeshVertex {
  double x = 0, y = 0;
  std::array<double, MeshFormat::kMaxComponents> c{};
};

// A triangle (points 0..2 and colours 0..2) or a patch: twelve boundary points round it with
// corners 0, 3, 6, 9 (colours 0..3 there) and, for tensor patches, four inner points.
struct MeshPatch {
  bool triangle = false;
  bool tensor = false;
  std::array<double, 32> xy{};  // 16 points as x, y
  std::array<MeshVertex, 4> corner{};
};

// Patches read beyond this many are dropped.
inline constexpr std::size_t kMaxMeshPatches = 1 << 18;

// The triangles or patches of the decoded stream data; a malformed or short stream gives the
// complete ones read so far, an unusable format none.
std::vector<MeshPatch> readMesh(std::span<const uint8_t> data, const MeshFormat& format);
