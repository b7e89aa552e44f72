#include "engine/render/function_type0.h"

#include <algorithm>
#include <cmath>

#include "engine/render/resolved_values.h"

namespace {

bool validBitsPerSample(int32_t bits) {
  switch (bits) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 12:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool C_PDF_Function_Type0::parse(const PdfObject& dictionary, std::span<const uint8_t> data,
                                 FunctionBuildContext& context) {
  ObjectResolver& resolver = context.resolver;
  if (!parseDomainAndRange(dictionary, resolver) || n < 1) return false;

  std::vector<double> sizes;
  if (!readNumbers(dictionary.lookup("Size"), resolver, sizes) ||
      sizes.size() < static_cast<std::size_t>(m))
    return false;
  Size.clear();
  for (int k = 0; k < m; ++k) {
    const int32_t size = truncateToInt32(sizes[k]);
    if (size < 1) return false;
    Size.push_back(size);
  }
  if (!readInteger(dictionary.lookup("BitsPerSample"), resolver, BitsPerSample) ||
      !validBitsPerSample(BitsPerSample))
    return false;
  readInteger(dictionary.lookup("Order"), resolver, Order);

  // The declared table, checked step by step so that the product cannot overflow.
  const int64_t maxSamples = kMaxSampleTableBits / BitsPerSample;
  int64_t samples = n;
  strides_.assign(static_cast<std::size_t>(m), 0);
  for (int k = 0; k < m; ++k) {
    strides_[k] = samples / n;
    if (samples > maxSamples / Size[k]) return false;
    samples *= Size[k];
  }

  // Missing or short Encode and Decode arrays take their defaults pair by pair.
  std::vector<double> given;
  readNumbers(dictionary.lookup("Encode"), resolver, given);
  Encode.assign(static_cast<std::size_t>(2 * m), 0.0);
  for (int k = 0; k < m; ++k) {
    const bool present = given.size() >= static_cast<std::size_t>(2 * k + 2);
    Encode[2 * k] = present ? given[2 * k] : 0.0;
    Encode[2 * k + 1] = present ? given[2 * k + 1] : Size[k] - 1.0;
  }
  readNumbers(dictionary.lookup("Decode"), resolver, given);
  Decode.assign(static_cast<std::size_t>(2 * n), 0.0);
  for (int j = 0; j < 2 * n; ++j)
    Decode[j] = given.size() >= static_cast<std::size_t>(2 * (j / 2) + 2) ? given[j] : Range[j];

  samples_.assign(data.begin(), data.end());
  return true;
}

uint32_t C_PDF_Function_Type0::sampleAt(int64_t index) const {
  const int64_t bit = index * BitsPerSample;
  const int64_t firstByte = bit / 8;
  const int bitOffset = static_cast<int>(bit % 8);
  const int byteCount = (bitOffset + BitsPerSample + 7) / 8;
  uint64_t bits = 0;
  for (int i = 0; i < byteCount; ++i) {
    const int64_t at = firstByte + i;
    const uint8_t byte = at < static_cast<int64_t>(samples_.size()) ? samples_[at] : 0;
    bits = (bits << 8) | byte;
  }
  bits >>= byteCount * 8 - bitOffset - BitsPerSample;
  const uint64_t mask = (uint64_t{1} << BitsPerSample) - 1;
  return static_cast<uint32_t>(bits & mask);
}

int C_PDF_Function_Type0::evaluate(std::span<const double> inputs) {
  double* out = resetOutputs(n);
  int64_t group = 0;
  for (int k = 0; k < m; ++k) {
    const double d0 = Domain[2 * k], d1 = Domain[2 * k + 1];
    double x = inputAt(inputs, k);
    x = std::isnan(x) ? d0 : std::min(std::max(x, d0), d1);
    const double e0 = Encode[2 * k], e1 = Encode[2 * k + 1];
    double e = d1 == d0 ? e0 : e0 + (x - d0) * (e1 - e0) / (d1 - d0);
    // Clipped to the table, whatever Encode says: a reversed or wider Encode stays inside it.
    const double last = Size[k] - 1.0;
    e = std::isnan(e) ? 0.0 : std::min(std::max(e, 0.0), last);
    group += static_cast<int64_t>(e) * strides_[k];
  }
  const double maxSample = std::ldexp(1.0, BitsPerSample) - 1.0;
  for (int j = 0; j < n; ++j) {
    const double s = sampleAt(group * n + j);
    out[j] = Decode[2 * j] + s * (Decode[2 * j + 1] - Decode[2 * j]) / maxSample;
  }
  return n;
}
