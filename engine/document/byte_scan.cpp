#include "engine/document/byte_scan.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Scans are done in blocks of this size, overlapping by the needle's length.
constexpr int32_t kScanBlock = 1 << 20;

// Fills block with bytes [start, start + count) of the source; returns how many were read.
int32_t readBlock(C_PDF_Lex_Source& source, int32_t start, int32_t count, std::string& block) {
  block.clear();
  copyBytes(source, start, count, block);
  return static_cast<int32_t>(block.size());
}

}  // namespace

int32_t copyBytes(C_PDF_Lex_Source& source, int32_t position, int32_t count, std::string& out) {
  int32_t copied = 0;
  while (copied < count) {
    std::span<const uint8_t> run = source.span(position + copied);
    if (run.empty()) break;
    int32_t take = static_cast<int32_t>(std::min<std::size_t>(run.size(), count - copied));
    out.append(reinterpret_cast<const char*>(run.data()), take);
    copied += take;
  }
  return copied;
}

int32_t findForward(C_PDF_Lex_Source& source, std::string_view needle, int32_t from,
                    int32_t limit) {
  if (limit < 0 || limit > source.length) limit = source.length;
  const int32_t n = static_cast<int32_t>(needle.size());
  if (from < 0) from = 0;
  std::string block;
  for (int32_t start = from; start + n <= limit;) {
    int32_t count = std::min(kScanBlock, limit - start);
    int32_t got = readBlock(source, start, count, block);
    if (got < n) return -1;
    std::string_view view(block);
    std::size_t at = view.find(needle);
    if (at != std::string_view::npos) return start + static_cast<int32_t>(at);
    if (start + got >= limit) return -1;
    start += got - n + 1;
  }
  return -1;
}

int32_t findBackward(C_PDF_Lex_Source& source, std::string_view needle) {
  const int32_t n = static_cast<int32_t>(needle.size());
  std::string block;
  for (int32_t end = source.length; end >= n;) {
    int32_t start = std::max(0, end - kScanBlock);
    int32_t got = readBlock(source, start, end - start, block);
    if (got < n) return -1;
    std::size_t at = std::string_view(block).rfind(needle);
    if (at != std::string_view::npos) return start + static_cast<int32_t>(at);
    if (start == 0) return -1;
    end = start + n - 1;
  }
  return -1;
}
