#pragma once
// One level of the graphics-state stack.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphics_types.h"
#include "platform/graphics/image_attributes.h"
#include "platform/graphics/matrix.h"
#include "platform/graphics/region.h"

class ColourSpace;
struct C_PDF_Pattern;
struct S_FixedPosSize_Font;

// A soft mask an ExtGState sets: the opacity of every device pixel it covers, in the alpha
// channel of a bitmap placed on the page (nothing shows outside it).
struct SoftMask {
  brevia::gfx::Bitmap bitmap{1, 1};
};

struct GraphicsState {
  // The current transformation matrix, device space with y downwards.
  brevia::gfx::Matrix ctm;
  // The clip saved by q (device space).
  brevia::gfx::Region clip;
  std::shared_ptr<ColourSpace> strokeSpace;
  std::shared_ptr<ColourSpace> fillSpace;
  // ARGB with the alphas applied.
  uint32_t strokeArgb = 0xFF000000;
  uint32_t fillArgb = 0xFF000000;
  // A pattern as the stroking colour (null for none), and the colour an uncoloured one paints.
  std::shared_ptr<C_PDF_Pattern> strokePattern;
  uint32_t strokePatternArgb = 0xFF000000;
  // The pattern fill in use when q saved this level (the current one lives in the renderer).
  std::shared_ptr<C_PDF_Pattern> savedFillPattern;
  uint32_t savedFillPatternArgb = 0xFF000000;
  bool savedTilingFill = false;
  bool savedShadingFill = false;
  // Text state.
  double charSpacing = 0.0;
  double wordSpacing = 0.0;
  double horizontalScaling = 1.0;  // the Tz operand divided by 100
  double leading = 0.0;
  S_FixedPosSize_Font* font = nullptr;
  double fontSize = -1.0;
  int32_t renderMode = 0;
  double rise = 0.0;
  uint8_t textFlag = 0;
  // Line parameters.
  double lineWidth = 1.0;
  int32_t lineCap = 0;
  int32_t lineJoin = 0;
  double miterLimit = 10.0;
  // Dash lengths (empty: solid) and phase, in user space.
  std::vector<double> dashes;
  double dashPhase = 0.0;
  // ca and CA.
  double fillAlpha = 1.0;
  double strokeAlpha = 1.0;
  // Transparency: the blend mode and the soft mask (null for none).
  brevia::gfx::BlendMode blendMode = brevia::gfx::BlendMode::Normal;
  std::shared_ptr<const SoftMask> softMask;
  // Carries ca for image drawing.
  brevia::gfx::ImageAttributes imageAttributes;
};
