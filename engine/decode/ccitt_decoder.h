#pragma once
// CCITT fax decoding: one- and two-dimensional Group 3 and Group 4 bi-level data.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Rows wider than this are refused: the decoder keeps two rows of changes of this size.
inline constexpr int32_t kMaxCcittColumns = 1 << 20;

struct CcittParams {
  int32_t k = 0;                  // < 0 two-dimensional only, 0 one-dimensional, > 0 mixed
  bool endOfLine = false;         // end-of-line codes are expected before each row
  bool encodedByteAlign = false;  // each row starts on a byte boundary
  int32_t columns = 1728;
  int32_t rows = 0;        // with endOfBlock false and rows > 0: the rows to decode
  bool endOfBlock = true;  // the data ends with an end-of-block pattern
  bool blackIs1 = false;
};

// Decodes fax data into rows of columns bits each, most significant bit first, padded with
// zeros to a whole byte; white pixels are 1 bits unless blackIs1 inverts every output byte.
// Never writes more than maxOutput bytes. Decoding ends at the end-of-block pattern, after
// params.rows rows (with endOfBlock false), or when the data runs out; a row the data ends in
// the middle of is dropped. After a code that matches nothing the row is kept as far as it was
// decoded (the rest white) and decoding resumes at the next end-of-line code. Returns the
// number of bytes produced (output is resized to it); 0 when nothing could be decoded.
int32_t decodeCcitt(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                    std::size_t maxOutput, const CcittParams& params);

// Decodes T.6 (MMR) coded data into a bitmap of width x height, 1 bits = black, rows packed
// MSB first, rowBytes bytes per row (out must hold height * rowBytes bytes, zeroed by the
// caller). Stops at EOFB or after height rows. Returns the number of bytes consumed (a
// partial final byte counts), or -1 when the data is unusable; rows not decoded stay 0.
int32_t decodeMmrBitmap(const uint8_t* data, size_t size, int32_t width, int32_t height,
                        uint8_t* out, size_t rowBytes);
