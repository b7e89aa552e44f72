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
  bool isImage = false;
  // The Decode array (numbers), empty when absent.
  std::vector<double> decode;
  // Images decode their stream when first drawn; the samples are dropped again once the
  // bitmap is built.
  bool decodeAttempted = false;
};
