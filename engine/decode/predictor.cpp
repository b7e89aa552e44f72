#include "engine/decode/predictor.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool usable(const PredictorParams& p) {
  if (p.colors <= 0 || p.columns <= 0) return false;
  switch (p.bitsPerComponent) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
      return true;
    default:
      return false;
  }
}

void undoTiff(std::vector<uint8_t>& data, const PredictorParams& p) {
  // Rows of Colors x Columns bytes whatever the bit depth.
  const int64_t row = int64_t{p.colors} * p.columns;
  if (row <= 0) return;
  const std::size_t rows = data.size() / static_cast<std::size_t>(row);
  for (std::size_t r = 0; r < rows; ++r) {
    uint8_t* line = data.data() + r * row;
    for (int64_t k = p.colors; k < row; ++k)
      line[k] = static_cast<uint8_t>(line[k] + line[k - p.colors]);
  }
}

uint8_t paeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  if (pb <= pc) return static_cast<uint8_t>(b);
  return static_cast<uint8_t>(c);
}

void undoPng(std::vector<uint8_t>& data, const PredictorParams& p) {
  const int64_t bitsPerPixel = int64_t{p.bitsPerComponent} * p.colors;
  const int64_t bpp = (bitsPerPixel + 7) / 8;
  const int64_t rowBytes = (bitsPerPixel * p.columns + 7) / 8;
  if (rowBytes <= 0 || rowBytes > int64_t{1} << 30) return;
  const int64_t rowLength = rowBytes + 1;
  std::vector<uint8_t> previous(rowBytes, 0);
  std::size_t in = 0, out = 0;
  while (in < data.size()) {
    const uint8_t tag = data[in];
    const std::size_t n = std::min<std::size_t>(rowBytes, data.size() - in - 1);
    // Output never runs ahead of input: each row drops its tag byte.
    uint8_t* row = data.data() + out;
    std::copy(data.begin() + in + 1, data.begin() + in + 1 + n, row);
    if (!undoPngRow(tag, p.predictor, {row, n}, previous, int(bpp))) break;
    std::copy(row, row + n, previous.begin());
    in += std::min<std::size_t>(rowLength, data.size() - in);
    out += n;
  }
  data.resize(out);
}

}  // namespace

bool undoPngRow(uint8_t tag, int predictor, std::span<uint8_t> row,
                std::span<const uint8_t> previous, int bytesPerPixel) {
  int type = tag;
  if (tag > 4) {
    if (predictor == 15) return false;
    type = predictor - 10;
  }
  const std::size_t bpp = static_cast<std::size_t>(std::max(1, bytesPerPixel));
  const std::size_t n = std::min(row.size(), previous.size());
  for (std::size_t k = 0; k < n; ++k) {
    int left = k >= bpp ? row[k - bpp] : 0;
    int up = previous[k];
    int upLeft = k >= bpp ? previous[k - bpp] : 0;
    switch (type) {
      case 1:
        row[k] = static_cast<uint8_t>(row[k] + left);
        break;
      case 2:
        row[k] = static_cast<uint8_t>(row[k] + up);
        break;
      case 3:
        row[k] = static_cast<uint8_t>(row[k] + ((left + up) >> 1));
        break;
      case 4:
        row[k] = static_cast<uint8_t>(row[k] + paeth(left, up, upLeft));
        break;
      default:
        break;
    }
  }
  return true;
}

void applyPredictor(std::vector<uint8_t>& data, const PredictorParams& params) {
  if (!usable(params)) return;
  if (params.predictor == 2)
    undoTiff(data, params);
  else if (params.predictor >= 10 && params.predictor <= 15)
    undoPng(data, params);
}
