#pragma once
// Turns a JBIG2 file (file header, segments of every page) into what a PDF embeds: the page-0
// segments as globals and one page's segments as the image data, without the end-of-page and
// end-of-file segments.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace jbig2_test {

struct EmbeddedImage {
  std::vector<uint8_t> globals, data;
  bool ok = false;
};

inline std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

inline std::string dataPath(const std::string& name) {
  const char* dir = std::getenv("BREVIA_TEST_DATA");
  return std::string(dir ? dir : BREVIA_SOURCE_DIR "/tests/data") + "/jbig2/" + name;
}

namespace detail {
inline uint32_t be32(const std::vector<uint8_t>& b, std::size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}
struct Segment {
  std::size_t headerStart = 0, headerEnd = 0;
  uint32_t page = 0, length = 0;
  int type = 0;
};
// Parses one segment header at pos; false when it does not fit.
inline bool header(const std::vector<uint8_t>& b, std::size_t pos, Segment& s) {
  s.headerStart = pos;
  if (pos + 6 > b.size()) return false;
  const uint32_t number = be32(b, pos);
  s.type = b[pos + 4] & 0x3F;
  const bool longPage = b[pos + 4] & 0x40;
  pos += 5;
  uint32_t count = b[pos] >> 5;
  if (count == 7) {
    if (pos + 4 > b.size()) return false;
    count = be32(b, pos) & 0x1FFFFFFF;
    pos += 4 + (count + 8) / 8;
  } else {
    pos += 1;
  }
  pos += count * (number <= 256 ? 1 : number <= 65536 ? 2 : 4);
  if (pos + (longPage ? 4 : 1) + 4 > b.size()) return false;
  s.page = longPage ? be32(b, pos) : b[pos];
  pos += longPage ? 4 : 1;
  s.length = be32(b, pos);
  s.headerEnd = pos + 4;
  return true;
}
// The length of an immediate generic region whose header leaves it open: up to and including
// its end marker and row count.
inline uint32_t openLength(const std::vector<uint8_t>& b, std::size_t dataStart) {
  const bool mmr = dataStart + 17 < b.size() && (b[dataStart + 17] & 1);
  const uint8_t m0 = mmr ? 0x00 : 0xFF, m1 = mmr ? 0x00 : 0xAC;
  for (std::size_t i = dataStart + 18; i + 6 <= b.size(); ++i)
    if (b[i] == m0 && b[i + 1] == m1) return static_cast<uint32_t>(i + 6 - dataStart);
  return static_cast<uint32_t>(b.size() - dataStart);
}
}  // namespace detail

inline EmbeddedImage embed(const std::vector<uint8_t>& file, uint32_t page = 1) {
  EmbeddedImage out;
  if (file.size() < 9) return out;
  const uint8_t flags = file[8];
  const bool sequential = flags & 1;
  std::size_t pos = (flags & 2) ? 9 : 13;
  std::vector<detail::Segment> segments;
  std::vector<std::size_t> dataStarts;
  if (sequential) {
    while (pos < file.size()) {
      detail::Segment s;
      if (!detail::header(file, pos, s)) return out;
      if (s.length == 0xFFFFFFFF) s.length = detail::openLength(file, s.headerEnd);
      segments.push_back(s);
      dataStarts.push_back(s.headerEnd);
      pos = s.headerEnd + s.length;
      if (s.type == 51) break;
    }
  } else {
    while (pos < file.size()) {
      detail::Segment s;
      if (!detail::header(file, pos, s)) return out;
      segments.push_back(s);
      pos = s.headerEnd;
      if (s.type == 51) break;
    }
    for (const auto& s : segments) {
      dataStarts.push_back(pos);
      pos += s.length;
    }
  }
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const auto& s = segments[i];
    if (s.type == 49 || s.type == 51) continue;
    if (s.page != 0 && s.page != page) continue;
    std::vector<uint8_t>& target = s.page == 0 ? out.globals : out.data;
    target.insert(target.end(), file.begin() + s.headerStart, file.begin() + s.headerEnd);
    const std::size_t end = std::min(file.size(), dataStarts[i] + s.length);
    target.insert(target.end(), file.begin() + dataStarts[i], file.begin() + end);
  }
  out.ok = true;
  return out;
}

// A 1-bit picture: rows of bytes, 1 = black, most significant bit first.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rows;
  bool black(int x, int y) const {
    return (rows[static_cast<std::size_t>(y) * ((width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1;
  }
};

// A 1-bit BMP (bottom-up, rows padded to 4 bytes); palette entry 0 decides which bit is black.
inline Picture readBmp(const std::vector<uint8_t>& b) {
  Picture p;
  if (b.size() < 62) return p;
  auto le32 = [&](std::size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
           uint32_t{b[at + 3]} << 24;
  };
  const uint32_t offset = le32(10);
  p.width = static_cast<int>(le32(18));
  p.height = static_cast<int>(le32(22));
  const bool zeroIsWhite = b[54] != 0;
  const std::size_t srcStride = ((p.width + 31) / 32) * 4, dstStride = (p.width + 7) / 8;
  p.rows.assign(dstStride * p.height, 0);
  for (int y = 0; y < p.height; ++y) {
    const std::size_t src = offset + (p.height - 1 - y) * srcStride;
    for (std::size_t i = 0; i < dstStride && src + i < b.size(); ++i)
      p.rows[y * dstStride + i] = zeroIsWhite ? b[src + i] : static_cast<uint8_t>(~b[src + i]);
    if (p.width % 8)
      p.rows[y * dstStride + dstStride - 1] &= static_cast<uint8_t>(0xFF << (8 - p.width % 8));
  }
  return p;
}

// A binary PBM (P4), 1 = black.
inline Picture readPbm(const std::vector<uint8_t>& b) {
  Picture p;
  std::size_t pos = 2;
  auto number = [&]() {
    while (pos < b.size() && (isspace(b[pos]) || b[pos] == '#')) {
      if (b[pos] == '#')
        while (pos < b.size() && b[pos] != '\n') ++pos;
      else
        ++pos;
    }
    int v = 0;
    while (pos < b.size() && isdigit(b[pos])) v = v * 10 + (b[pos++] - '0');
    return v;
  };
  if (b.size() < 2 || b[0] != 'P' || b[1] != '4') return p;
  p.width = number();
  p.height = number();
  ++pos;
  const std::size_t size = static_cast<std::size_t>((p.width + 7) / 8) * p.height;
  if (pos + size > b.size()) return Picture{};
  p.rows.assign(b.begin() + pos, b.begin() + pos + size);
  return p;
}

}  // namespace jbig2_test
