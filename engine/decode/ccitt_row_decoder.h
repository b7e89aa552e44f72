#pragma once
// Decodes one fax row at a time into changing elements: the ascending positions where the
// colour changes, the first one from white to black. The previous row's changes are the
// reference for two-dimensional rows.

#include <cstdint>
#include <vector>

#include "engine/decode/ccitt_bit_reader.h"

class CcittRowDecoder {
 public:
  enum class Result {
    Complete,  // the row reached its last column
    Eol,       // an end-of-line code came first; it is left unread
    Invalid,   // bits that match no code; the reader stands at them
  };

  // columns must be at least 1; the caller bounds it.
  explicit CcittRowDecoder(int32_t columns);

  Result decode1D(CcittBitReader& in);
  Result decode2D(CcittBitReader& in);

  // Ends a row that stopped early: the pixels not decoded are white.
  void finishShortRow();
  // The decoded row becomes the reference for the next one.
  void advance();
  // The reference becomes an all-white row (as before the first row).
  void resetReference();

  const int32_t* changes() const { return current_.data(); }
  int32_t changeCount() const { return currentCount_; }
  int32_t columns() const { return columns_; }

 private:
  // Reads one run (make-up codes, then a terminating code) of the given colour: 0 white,
  // 1 black. Returns the run, kCcittEol or kCcittNoCode.
  int32_t readRun(CcittBitReader& in, int colour) const;
  // The colour changes at pos (pos is never left of the last change).
  void addChange(int32_t pos) {
    if (pos >= columns_) return;
    if (currentCount_ > 0 && current_[currentCount_ - 1] == pos) {
      --currentCount_;  // a zero-length run: the two changes cancel
    } else {
      current_[currentCount_++] = pos;
    }
  }

  int32_t columns_;
  // Changes of the reference row followed by sentinels equal to columns_, so that b1 and b2
  // never run past the row.
  std::vector<int32_t> reference_;
  std::vector<int32_t> current_;
  int32_t referenceCount_ = 0;
  int32_t currentCount_ = 0;
  int32_t stopPosition_ = 0;  // where a row that stopped early had got to
};
