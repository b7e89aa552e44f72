#pragma once
// Baseline and progressive JPEG (DCT) decoding into interleaved 8-bit samples.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct DctImageInfo {
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = false;
  bool adobe = false;  // an APP14 Adobe segment was seen
  bool jfif = false;   // an APP0 JFIF segment was seen
  // The Adobe transform byte, or the default for the file; when non-zero, 3 components are
  // converted from YCbCr to RGB and 4 from YCCK to CMYK.
  int colourTransform = 0;
  // Geometry of the output: the frame's, divided by the scale and rounded up.
  int outputWidth = 0;
  int outputHeight = 0;
};

// Scale denominators decodeDct accepts; anything else decodes at full size.
constexpr int kDctScales[] = {1, 2, 4, 8};

// Decodes a JPEG stream. Writes rows top to bottom, pixels left to right, components
// interleaved, one byte per sample, never more than maxOutput bytes: a frame whose samples
// would not fit is refused. Returns the number of sample bytes produced (output is resized to
// it); 0 when nothing could be decoded. Data that ends early decodes as far as it goes, the rest
// mid-grey. A wrong marker ends decoding: a single-scan sequential image keeps the rows decoded
// so far, a progressive or multi-scan image gives nothing. info, when given, receives the
// frame's geometry and colour handling. scale 2, 4 or 8 decodes straight to that fraction of the
// size (ceil(width / scale) x ceil(height / scale)) through a reduced inverse transform, each
// output sample close to the mean of the full-size samples it covers.
int32_t decodeDct(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput, DctImageInfo* info = nullptr, int scale = 1);
