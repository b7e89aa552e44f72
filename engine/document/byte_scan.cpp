#include "engine/document/byte_scan.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Scans are done in blocks of this size, overlapping by the needle's length.
constexpr int32_t kScanBlock = 1 << 20;

// Fills block with bytes [start, start + count) of the source; returns how many were read.
int64_t readBlock(C_PDF_Lex_Source& source, int64_t start, int64_t count, std::string& block) {
  block.clear();
  copyBytes(source, start, count, block);
  return static_cast<int64_t>(block.size());
}

// The last occurrence of needle in text, or npos. string_view::rfind compares at every
// position; this jumps between occurrences of the first byte, which matters on whole-file scans.
std::size_t lastOccurrence(std::string_view text, std::string_view needle) {
  const std::size_t n = needle.size();
  if (n == 0) return text.size();
  if (text.size() < n) return std::string_view::npos;
  std::size_t candidates = text.size() - n + 1;  // positions 0 ... candidates-1
  while (candidates > 0) {
    const void* hit = ::memrchr(text.data(), needle[0], candidates);
    if (!hit) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    if (std::memcmp(text.data() + at, needle.data(), n) == 0) return at;
    candidates = at;
  }
  return std::string_view::npos;
}

}  // namespace

int64_t copyBytes(C_PDF_Lex_Source& source, int64_t position, int64_t count, std::string& out) {
  int64_t copied = 0;
  while (copied < count) {
    std::span<const uint8_t> run = source.span(position + copied);
    if (run.empty()) break;
    const int64_t take = static_cast<int64_t>(
        std::min<std::size_t>(run.size(), static_cast<std::size_t>(count - copied)));
    out.append(reinterpret_cast<const char*>(run.data()), take);
    copied += take;
  }
  return copied;
}

int64_t findForward(C_PDF_Lex_Source& source, std::string_view needle, int64_t from,
                    int64_t limit) {
  if (limit < 0 || limit > source.length) limit = source.length;
  const int64_t n = static_cast<int64_t>(needle.size());
  if (from < 0) from = 0;
  if (from + n > limit) return -1;
  // A source that holds the whole range in one span (a mapped file, bytes in memory) is
  // searched in place: a scan that finds its needle nearby then costs only that distance.
  std::span<const uint8_t> run = source.span(from);
  if (run.size() >= static_cast<std::size_t>(limit - from)) {
    std::string_view view(reinterpret_cast<const char*>(run.data()),
                          static_cast<std::size_t>(limit - from));
    std::size_t at = view.find(needle);
    return at == std::string_view::npos ? -1 : from + static_cast<int64_t>(at);
  }
  std::string block;
  for (int64_t start = from; start + n <= limit;) {
    const int64_t count = std::min<int64_t>(kScanBlock, limit - start);
    const int64_t got = readBlock(source, start, count, block);
    if (got < n) return -1;
    std::string_view view(block);
    std::size_t at = view.find(needle);
    if (at != std::string_view::npos) return start + static_cast<int64_t>(at);
    if (start + got >= limit) return -1;
    start += got - n + 1;
  }
  return -1;
}

int64_t findBackward(C_PDF_Lex_Source& source, std::string_view needle) {
  const int64_t n = static_cast<int64_t>(needle.size());
  if (source.length < n) return -1;
  std::span<const uint8_t> whole = source.span(0);
  if (whole.size() >= static_cast<std::size_t>(source.length)) {
    std::string_view view(reinterpret_cast<const char*>(whole.data()),
                          static_cast<std::size_t>(source.length));
    std::size_t at = lastOccurrence(view, needle);
    return at == std::string_view::npos ? -1 : static_cast<int64_t>(at);
  }
  std::string block;
  for (int64_t end = source.length; end >= n;) {
    const int64_t start = std::max<int64_t>(0, end - kScanBlock);
    const int64_t got = readBlock(source, start, end - start, block);
    if (got < n) return -1;
    std::size_t at = lastOccurrence(block, needle);
    if (at != std::string_view::npos) return start + static_cast<int64_t>(at);
    if (start == 0) return -1;
    end = start + n - 1;
  }
  return -1;
}
