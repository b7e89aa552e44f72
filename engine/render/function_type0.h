#pragma once
// Sampled function: a table of samples indexed by the inputs; the lower neighbour is taken.

#include "engine/render/function.h"

class C_PDF_Function_Type0 : public C_PDF_Function {
 public:
  // Sample tables larger than this (in bits, as declared by Size, outputs and BitsPerSample)
  // make the function unreadable; it also keeps every index computation far from overflow.
  static constexpr int64_t kMaxSampleTableBits = int64_t{1} << 48;

  int evaluate(std::span<const double> inputs) override;
  bool parse(const PdfObject& dictionary, std::span<const uint8_t> data,
             FunctionBuildContext& context) override;

  std::vector<int32_t> Size;
  int32_t BitsPerSample = 0;
  int32_t Order = 1;
  std::vector<double> Encode;  // two per input
  std::vector<double> Decode;  // two per output

 private:
  // The sample at index (counted in samples); samples beyond the data read as 0.
  uint32_t sampleAt(int64_t index) const;

  std::vector<uint8_t> samples_;
  std::vector<int64_t> strides_;  // per input, in sample groups
};
