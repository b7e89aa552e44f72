#include "engine/decode/jbig2/jbig2_decoder.h"

#include <cstring>

#include "engine/decode/jbig2/jbig2_page.h"

int32_t decodeJbig2(std::span<const uint8_t> data, std::span<const uint8_t> globals,
                    std::vector<uint8_t>& output, std::size_t maxOutput, Jbig2ImageInfo* info,
                    int64_t workPixels) {
  output.clear();
  C_PDF_JBIG2 decoder(workPixels);
  decoder.decode(globals.data(), globals.size(), data.data(), data.size());
  std::unique_ptr<JBIG2Bitmap> page = decoder.takePage();
  if (!page) return -1;
  const std::size_t stride = static_cast<std::size_t>(page->stride());
  std::size_t rows = static_cast<std::size_t>(page->height());
  if (stride && rows * stride > maxOutput) rows = maxOutput / stride;
  if (rows * stride > INT32_MAX) rows = INT32_MAX / stride;
  const int32_t width = page->width();
  // The page's own rows become the output: 1 = black turned into 0 = black, eight bytes at a
  // time.
  output = page->takeBytes();
  const std::size_t n = rows * stride;
  output.resize(n);
  uint8_t* bytes = output.data();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, bytes + i, 8);
    w = ~w;
    std::memcpy(bytes + i, &w, 8);
  }
  for (; i < n; ++i) bytes[i] = static_cast<uint8_t>(~bytes[i]);
  if (info) {
    info->width = width;
    info->height = static_cast<int32_t>(rows);
  }
  return static_cast<int32_t>(output.size());
}
