#pragma once
// PNG and TIFF predictors, undone in place after Flate decoding.

#include <cstdint>
#include <vector>

struct PredictorParams {
  int predictor = 1;  // 1: none
  int colors = 1;
  int bitsPerComponent = 8;
  int columns = 1;
};

// Undoes the predictor on data in place; parameters it cannot use leave the data as it is.
void applyPredictor(std::vector<uint8_t>& data, const PredictorParams& params);
