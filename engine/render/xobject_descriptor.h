#pragma once
// The parameters of one image or form XObject, also used for inline images.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/document/pdf_object.h"

class ColourSpace;
class OperatorList;
class ResourceList;

// Opacity of each pixel of an image, at its own resolution (which may differ from the image's):
// width × height values, rows top to bottom, 255 opaque. Comes from the image's SMask or Mask
// stream, or from a decoder that delivers an alpha channel with the colours.
struct ImageAlpha {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> values;
  // The colour the image's colours were blended with before (SMask's Matte), as RGB bytes.
  bool hasMatte = false;
  uint8_t matte[3] = {0, 0, 0};
  // Reduced below the mask's own size to the size it is drawn at.
  bool reduced = false;
};

struct XObjectDescriptor {
  XObjectDescriptor();
  ~XObjectDescriptor();

  // -1 for inline images.
  int32_t objectNumber = -1;
  int32_t generation = -1;
  // Forms: their own resources (null when the form has none).
  std::shared_ptr<ResourceList> resources;
  // Decoded samples (images); the length is -1 until loaded or when decoding failed.
  std::vector<uint8_t> data;
  int32_t dataLength = -1;
  // The samples hold the image at 1/dataScale of its size (rounded up): DCT images drawn small.
  int32_t dataScale = 1;
  PdfObject dictionary;
  // Forms: the parsed content.
  std::unique_ptr<OperatorList> form;
  std::array<double, 4> bbox{-1.0, -1.0, -1.0, -1.0};
  std::array<double, 6> matrix{1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
  std::shared_ptr<ColourSpace> colourSpace;
  int32_t width = -1;
  int32_t height = -1;
  int32_t bitsPerComponent = -1;
  bool decodeInverted = false;
  bool imageMask = false;
  bool isForm = false;
  // Forms: a transparency group (Group with S /Transparency), isolated (I) and knockout (K).
  bool isGroup = false;
  bool groupIsolated = false;
  bool groupKnockout = false;
  bool isImage = false;
  // Images: colour-key masking ranges (Mask as an array): min and max per component, on the
  // raw sample values; empty when absent.
  std::vector<int32_t> colourKey;
  // Images: opacity set by a decoder (an alpha channel inside the image data); when null the
  // SMask or Mask stream of the dictionary gives it while the bitmap is built.
  std::shared_ptr<ImageAlpha> alpha;
  // The Decode array (numbers), empty when absent.
  std::vector<double> decode;
  // Images decode their stream when first drawn; the samples are dropped again once the
  // bitmap is built.
  bool decodeAttempted = false;
};
