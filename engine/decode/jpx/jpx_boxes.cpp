#include "engine/decode/jpx/jpx_boxes.h"

#include <algorithm>

namespace jpx {
namespace {

constexpr uint32_t box(const char (&t)[5]) {
  return uint32_t(uint8_t(t[0])) << 24 | uint32_t(uint8_t(t[1])) << 16 |
         uint32_t(uint8_t(t[2])) << 8 | uint8_t(t[3]);
}

uint32_t be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

struct Walker {
  Jp2Header& out;
  int boxes = 0;
  bool haveColour = false;

  void colour(std::span<const uint8_t> b) {
    if (haveColour || b.size() < 3) return;
    const int method = b[0];
    if (method == 1 && b.size() >= 7) {
      out.method = ColourMethod::Enumerated;
      out.enumerated = be32(&b[3]);
      if (out.enumerated == kEnumLab && b.size() >= 7 + 28) {
        out.labParameters = true;
        for (int i = 0; i < 3; ++i) {
          out.labRange[i] = be32(&b[7 + 8 * i]);
          out.labOffset[i] = be32(&b[11 + 8 * i]);
        }
      }
      haveColour = true;
    } else if ((method == 2 || method == 3) && b.size() > 3 + 128) {
      out.method = ColourMethod::Icc;
      out.icc.assign(b.begin() + 3, b.end());
      haveColour = true;
    }
    // Vendor colour methods are passed over; a later box may still say something usable.
  }

  void palette(std::span<const uint8_t> b) {
    if (b.size() < 3) return;
    const int entries = be16(&b[0]);
    const int columns = b[2];
    if (entries == 0 || entries > kMaxPaletteEntries || columns == 0 ||
        columns > kMaxPaletteColumns || b.size() < std::size_t(3 + columns))
      return;
    std::vector<uint8_t> depth(columns), isSigned(columns);
    std::size_t rowBytes = 0;
    for (int c = 0; c < columns; ++c) {
      depth[c] = uint8_t((b[3 + c] & 0x7F) + 1);
      isSigned[c] = b[3 + c] >> 7;
      if (depth[c] > 32) return;
      rowBytes += (depth[c] + 7) / 8;
    }
    if (b.size() < 3 + columns + rowBytes * entries) return;
    std::vector<int32_t> values(std::size_t(entries) * columns);
    const uint8_t* p = &b[3 + columns];
    for (int e = 0; e < entries; ++e)
      for (int c = 0; c < columns; ++c) {
        uint32_t v = 0;
        for (int k = 0; k < (depth[c] + 7) / 8; ++k) v = v << 8 | *p++;
        values[std::size_t(e) * columns + c] =
            int32_t(v & (depth[c] >= 32 ? 0xFFFFFFFFu : (1u << depth[c]) - 1));
      }
    out.paletteEntries = entries;
    out.paletteDepth = std::move(depth);
    out.paletteSigned = std::move(isSigned);
    out.palette = std::move(values);
  }

  void walk(std::span<const uint8_t> data, int depth) {
    std::size_t pos = 0;
    while (pos + 8 <= data.size() && ++boxes <= kMaxBoxes) {
      uint64_t length = be32(&data[pos]);
      const uint32_t type = be32(&data[pos + 4]);
      std::size_t header = 8;
      if (length == 1) {
        if (pos + 16 > data.size()) return;
        length = uint64_t(be32(&data[pos + 8])) << 32 | be32(&data[pos + 12]);
        header = 16;
      } else if (length == 0) {
        length = data.size() - pos;
      }
      if (length < header) return;
      // A box that claims more than there is runs to the end (truncated files).
      const std::size_t end = length > data.size() - pos ? data.size() : pos + std::size_t(length);
      const std::span<const uint8_t> body = data.subspan(pos + header, end - pos - header);
      if (type == box("jp2c")) {
        if (out.codeStream.empty()) out.codeStream = body;
      } else if (type == box("jp2h") && depth < kMaxBoxNesting) {
        walk(body, depth + 1);
      } else if (type == box("colr")) {
        colour(body);
      } else if (type == box("pclr")) {
        palette(body);
      } else if (type == box("cmap")) {
        out.mapping.clear();
        for (std::size_t i = 0; i + 4 <= body.size(); i += 4)
          out.mapping.push_back({be16(&body[i]), body[i + 2], body[i + 3]});
      } else if (type == box("cdef") && body.size() >= 2) {
        out.channels.clear();
        const int n = be16(&body[0]);
        for (int i = 0; i < n && 2 + 6 * std::size_t(i) + 6 <= body.size(); ++i) {
          const uint8_t* c = &body[2 + 6 * i];
          out.channels.push_back({be16(c), be16(c + 2), be16(c + 4)});
        }
      }
      if (!out.codeStream.empty() && depth == 0) return;
      pos = end;
    }
  }
};

}  // namespace

bool isJp2File(std::span<const uint8_t> data) { return !data.empty() && data[0] != 0xFF; }

bool readJp2(std::span<const uint8_t> data, Jp2Header& out) {
  Walker w{out};
  w.walk(data, 0);
  return !out.codeStream.empty();
}

}  // namespace jpx
