#pragma once
// PNG and TIFF predictors, undone in place after Flate decoding.

#include <cstdint>
#include <span>
#include <vector>

struct PredictorParams {
  int predictor = 1;  // 1: none
  int colors = 1;
  int bitsPerComponent = 8;
  int columns = 1;
};

// Undoes the predictor on data in place; parameters it cannot use leave the data as it is.
void applyPredictor(std::vector<uint8_t>& data, const PredictorParams& params);

// Undoes PNG prediction (predictor 10 to 15) of one row in place: tag is the row's filter byte,
// previous the row above as undone (zeros above the first). False when the tag ends the data
// (an unknown tag under predictor 15).
bool undoPngRow(uint8_t tag, int predictor, std::span<uint8_t> row,
                std::span<const uint8_t> previous, int bytesPerPixel);
