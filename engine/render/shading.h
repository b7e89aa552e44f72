#pragma once
// Shadings (smooth colour gradients) and patterns, loaded with a page's resources.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/document/pdf_object.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/colour_stops.h"

class C_PDF_Function;
class ColourSpace;
class OperatorList;
class RenderContext;
class ResourceList;

// A shading; the base object of unknown types paints nothing.
struct C_PDF_Shading {
  virtual ~C_PDF_Shading();
  int32_t objectNumber = -1;
  int32_t generation = -1;
  int32_t shadingType = 0;
  std::array<float, 4> bbox{0, 0, 0, 0};
  bool hasBBox = false;
  bool antiAlias = false;
  std::shared_ptr<ColourSpace> colourSpace;
  // Background: what a shading pattern fill paints where the shading does not (ARGB).
  bool hasBackground = false;
  uint32_t background = 0xFF000000;
};

// Function-based shading: colours sampled over the domain.
struct C_PDF_Shading_Type1 : C_PDF_Shading {
  // Samples taken across each direction of the domain.
  static constexpr int kSamples = 128;
  std::array<double, 4> domain{0, 1, 0, 1};  // x0 x1 y0 y1
  std::array<double, 6> matrix{1, 0, 0, 1, 0, 0};
  // kSamples × kSamples colours, rows from y0 to y1; empty when the function cannot be used.
  std::shared_ptr<brevia::gfx::Bitmap> samples;
};

// Mesh shadings (types 4 to 7): triangles and patches with their corner colours.
struct C_PDF_Shading_Mesh : C_PDF_Shading {
  struct Patch {
    bool triangle = false;
    bool tensor = false;
    std::array<brevia::gfx::PointF, 16> points;
    std::array<uint32_t, 4> colours{};
  };
  std::vector<Patch> patches;
};

// Axial shading.
struct C_PDF_Shading_Type2 : C_PDF_Shading {
  // Colours are taken at this many evenly spaced points of the domain.
  static constexpr int kGradientStops = 33;

  double t0 = 0, t1 = 1;
  std::array<bool, 2> extend{false, false};
  std::array<float, 4> coords{0, 0, 0, 0};
  // Opaque ARGB at t0 and t1, and the colours along the domain.
  uint32_t startColour = 0xFF000000, endColour = 0xFF000000;
  std::vector<brevia::gfx::ColourStop> stops;
};

// Radial shading.
struct C_PDF_Shading_Type3 : C_PDF_Shading_Type2 {
  std::array<float, 6> circles{0, 0, 0, 0, 0, 0};  // x0 y0 r0 x1 y1 r1
};

struct C_PDF_Pattern {
  virtual ~C_PDF_Pattern();
  int32_t objectNumber = -1;
  int32_t generation = -1;
  int32_t patternType = 0;
  std::array<double, 6> matrix{1, 0, 0, 1, 0, 0};
};

struct C_PDF_ShadingPattern : C_PDF_Pattern {
  std::shared_ptr<C_PDF_Shading> shading;
  PdfObject extGState;
};

struct C_PDF_TilingPattern : C_PDF_Pattern {
  C_PDF_TilingPattern();
  ~C_PDF_TilingPattern() override;
  int32_t paintType = 1;
  int32_t tilingType = 1;
  std::array<double, 4> bbox{0, 0, 0, 0};
  double xStep = 0, yStep = 0;
  std::shared_ptr<ResourceList> resources;
  // The cell's content, parsed when the pattern is first used.
  std::unique_ptr<OperatorList> content;
  bool prepared = false;
};

// The shading of a resource value; a base object that paints nothing for unsupported types;
// null when the value is unusable.
std::shared_ptr<C_PDF_Shading> loadShading(const PdfObject& value, RenderContext& context,
                                           const ResourceList* resources);

// The pattern of a resource value; null when the value is not a pattern.
std::shared_ptr<C_PDF_Pattern> loadPattern(const PdfObject& value, RenderContext& context,
                                           const ResourceList* resources);

// Parses a tiling pattern's cell once.
void prepareTiling(C_PDF_TilingPattern& pattern, RenderContext& context);
