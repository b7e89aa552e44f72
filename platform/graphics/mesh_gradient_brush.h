#pragma once
// MeshGradientBrush: colours spread over patches, each bounded by four Bézier sides with a
// colour at every corner (a tensor patch also has four inner control points), or over
// triangles with a colour at every vertex. Outside the patches it paints nothing. Geometry is
// in world coordinates (the brush transform, when set, applies first).

#include <array>
#include <vector>

#include "platform/graphics/brush.h"

namespace brevia::gfx {

class MeshGradientBrush : public GradientBrush {
 public:
  // Patches beyond this many are ignored.
  static constexpr int kMaxPatches = 1 << 18;

  // The twelve boundary points go round the patch: corner, two controls, corner, ... (the
  // corners are points 0, 3, 6 and 9, with colours[0..3]). inner, when given, holds the four
  // inner control points next to corners 0, 1, 2 and 3.
  Status addPatch(const PointF boundary[12], const Argb colours[4], const PointF* inner = nullptr);
  Status addTriangle(const PointF points[3], const Argb colours[3]);
  int patchCount() const { return int(patches_.size()); }

 private:
  struct Patch {
    std::array<PointF, 12> boundary;
    std::array<PointF, 4> inner;
    std::array<Argb, 4> colours;
    bool tensor = false;
    bool triangle = false;
  };
  _cairo_pattern* buildPattern() const override;

  std::vector<Patch> patches_;
};

}  // namespace brevia::gfx
