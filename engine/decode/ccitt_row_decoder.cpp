#include "engine/decode/ccitt_row_decoder.h"

#include <algorithm>

#include "engine/decode/ccitt_codes.h"

namespace {

// Sentinels after the reference row's changes: b1 may land one past the last change and b2 one
// further.
constexpr int32_t kReferenceSentinels = 3;

}  // namespace

CcittRowDecoder::CcittRowDecoder(int32_t columns)
    // Changes are strictly ascending positions below columns, so a row has at most columns.
    : columns_(columns),
      reference_(static_cast<std::size_t>(columns) + kReferenceSentinels + 1),
      current_(static_cast<std::size_t>(columns) + kReferenceSentinels + 1) {
  resetReference();
}

void CcittRowDecoder::resetReference() {
  referenceCount_ = 0;
  std::fill_n(reference_.begin(), kReferenceSentinels, columns_);
}

void CcittRowDecoder::advance() {
  std::swap(reference_, current_);
  referenceCount_ = currentCount_;
  std::fill_n(reference_.begin() + referenceCount_, kReferenceSentinels, columns_);
  currentCount_ = 0;
}

void CcittRowDecoder::finishShortRow() {
  // An odd number of changes leaves the row black from the last one; the rest is white.
  if (currentCount_ & 1) addChange(std::max<int32_t>(stopPosition_, 0));
}

int32_t CcittRowDecoder::readRun(CcittBitReader& in, int colour) const {
  const CcittCode* table = colour == 0 ? ccittWhiteTable() : ccittBlackTable();
  const int lookupBits = colour == 0 ? kWhiteLookupBits : kBlackLookupBits;
  int32_t total = 0;
  for (;;) {
    const CcittCode code = table[in.peek(lookupBits)];
    if (code.bits == 0) return kCcittNoCode;
    if (code.value == kCcittEol) return kCcittEol;
    in.skip(code.bits);
    // Runs past the row are cut at its end anyway; the cap keeps long make-up chains from
    // overflowing.
    total = std::min(total + code.value, columns_ + 1);
    if (code.value < 64) return total;
  }
}

CcittRowDecoder::Result CcittRowDecoder::decode1D(CcittBitReader& in) {
  currentCount_ = 0;
  int32_t a0 = 0;
  int colour = 0;
  while (a0 < columns_) {
    const int32_t run = readRun(in, colour);
    if (run < 0) {
      stopPosition_ = a0;
      return run == kCcittEol ? Result::Eol : Result::Invalid;
    }
    a0 = std::min(a0 + run, columns_);
    addChange(a0);
    colour ^= 1;
  }
  return Result::Complete;
}

CcittRowDecoder::Result CcittRowDecoder::decode2D(CcittBitReader& in) {
  currentCount_ = 0;
  const int32_t* ref = reference_.data();
  const CcittCode* modes = ccittModeTable();
  int32_t a0 = -1;  // the imaginary white element before the row
  int colour = 0;
  int32_t i = 0;  // index of b1 in the reference row
  while (a0 < columns_) {
    // b1: the first change right of a0 to the colour opposite a0's. Changes at even indices go
    // to black. Vertical-left modes can put a0 left of the previous b1, so look back first.
    while (i > 0 && ref[i - 1] > a0) --i;
    while (ref[i] <= a0) ++i;
    if ((i & 1) != colour) ++i;
    const int32_t b1 = ref[i];
    const int32_t start = std::max<int32_t>(a0, 0);

    const CcittCode code = modes[in.peek(kModeLookupBits)];
    if (code.bits == 0 || code.value == kModeExtension) {
      // Extensions (uncompressed mode) are not decoded.
      stopPosition_ = start;
      return in.peek(12) == 1 ? Result::Eol : Result::Invalid;
    }
    in.skip(code.bits);
    if (code.value <= kModeMaxVertical) {
      // A change left of a0 or past the row is bad data; keep it inside so rows stay ordered.
      const int32_t a1 = std::clamp(b1 + code.value, start, columns_);
      addChange(a1);
      colour ^= 1;
      a0 = a1;
    } else if (code.value == kModePass) {
      a0 = ref[i + 1];  // b2; the colour goes on under it
    } else {
      const int32_t run1 = readRun(in, colour);
      const int32_t run2 = run1 < 0 ? run1 : readRun(in, colour ^ 1);
      if (run2 < 0) {
        stopPosition_ = start;
        return run2 == kCcittEol ? Result::Eol : Result::Invalid;
      }
      const int32_t a1 = std::min(start + run1, columns_);
      const int32_t a2 = std::min(a1 + run2, columns_);
      addChange(a1);
      addChange(a2);
      a0 = a2;
    }
  }
  return Result::Complete;
}
