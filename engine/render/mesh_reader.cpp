#include "engine/render/mesh_reader.h"

#include <cmath>

namespace {

class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> data) : data_(data) {}

  bool read(int bits, uint64_t& out) {
    out = 0;
    for (int i = 0; i < bits; ++i) {
      if (pos_ >= data_.size() * 8) return false;
      const uint8_t byte = data_[pos_ / 8];
      out = out << 1 | ((byte >> (7 - pos_ % 8)) & 1);
      ++pos_;
    }
    return true;
  }
  // Vertices and patches start on whole bytes.
  void align() { pos_ = (pos_ + 7) / 8 * 8; }
  bool atEnd() const { return pos_ >= data_.size() * 8; }

 private:
  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
};

bool validBits(int bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 12 || bits == 16 ||
         bits == 24 || bits == 32;
}

struct Reader {
  BitReader bits;
  const MeshFormat& f;

  double scaled(uint64_t raw, int bitCount, int index) const {
    const double maxRaw = std::ldexp(1.0, bitCount) - 1;
    const double lo = f.decode[2 * index], hi = f.decode[2 * index + 1];
    return lo + double(raw) * (hi - lo) / maxRaw;
  }
  bool point(double& x, double& y) {
    uint64_t rx, ry;
    if (!bits.read(f.bitsPerCoordinate, rx) || !bits.read(f.bitsPerCoordinate, ry)) return false;
    x = scaled(rx, f.bitsPerCoordinate, 0);
    y = scaled(ry, f.bitsPerCoordinate, 1);
    return true;
  }
  bool colour(MeshVertex& v) {
    for (int i = 0; i < f.components; ++i) {
      uint64_t raw;
      if (!bits.read(f.bitsPerComponent, raw)) return false;
      v.c[i] = scaled(raw, f.bitsPerComponent, 2 + i);
    }
    return true;
  }
  bool vertex(MeshVertex& v, uint64_t* flag) {
    if (flag && !bits.read(f.bitsPerFlag, *flag)) return false;
    const bool ok = point(v.x, v.y) && colour(v);
    bits.align();
    return ok;
  }
};

MeshPatch triangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
  MeshPatch p;
  p.triangle = true;
  const MeshVertex* v[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i) {
    p.xy[2 * i] = v[i]->x;
    p.xy[2 * i + 1] = v[i]->y;
    p.corner[i] = *v[i];
  }
  p.corner[3] = a;
  return p;
}

void readFreeForm(Reader& r, std::vector<MeshPatch>& out) {
  MeshVertex a, b, c;
  bool have = false;
  while (!r.bits.atEnd() && out.size() < kMaxMeshPatches) {
    MeshVertex v;
    uint64_t flag;
    if (!r.vertex(v, &flag)) return;
    if (flag == 0 || !have) {
      uint64_t ignored;
      if (!r.vertex(b, &ignored) || !r.vertex(c, &ignored)) return;
      a = v;
      have = true;
    } else if (flag == 1) {
      a = b;
      b = c;
      c = v;
    } else {
      b = c;
      c = v;
    }
    out.push_back(triangle(a, b, c));
  }
}

void readLattice(Reader& r, std::vector<MeshPatch>& out) {
  const int perRow = r.f.verticesPerRow;
  if (perRow < 2) return;
  std::vector<MeshVertex> previous, row;
  while (!r.bits.atEnd() && out.size() < kMaxMeshPatches) {
    row.clear();
    for (int i = 0; i < perRow; ++i) {
      MeshVertex v;
      if (!r.vertex(v, nullptr)) return;
      row.push_back(v);
    }
    if (!previous.empty()) {
      for (int i = 0; i + 1 < perRow; ++i) {
        out.push_back(triangle(previous[i], previous[i + 1], row[i]));
        out.push_back(triangle(previous[i + 1], row[i + 1], row[i]));
      }
    }
    previous.swap(row);
  }
}

void readPatches(Reader& r, std::vector<MeshPatch>& out) {
  const bool tensor = r.f.type == 7;
  const int pointCount = tensor ? 16 : 12;
  MeshPatch last;
  bool have = false;
  while (!r.bits.atEnd() && out.size() < kMaxMeshPatches) {
    uint64_t flag;
    if (!r.bits.read(r.f.bitsPerFlag, flag)) return;
    MeshPatch p;
    p.tensor = tensor;
    int firstPoint = 0, firstColour = 0;
    if (flag != 0 && have && flag <= 3) {
      // The new patch starts on side `flag` of the last one, keeping its points and colours.
      static const int kSharedPoints[4][4] = {
          {0, 0, 0, 0}, {3, 4, 5, 6}, {6, 7, 8, 9}, {9, 10, 11, 0}};
      static const int kSharedColours[4][2] = {{0, 0}, {1, 2}, {2, 3}, {3, 0}};
      for (int i = 0; i < 4; ++i) {
        p.xy[2 * i] = last.xy[2 * kSharedPoints[flag][i]];
        p.xy[2 * i + 1] = last.xy[2 * kSharedPoints[flag][i] + 1];
      }
      p.corner[0] = last.corner[kSharedColours[flag][0]];
      p.corner[1] = last.corner[kSharedColours[flag][1]];
      firstPoint = 4;
      firstColour = 2;
    } else if (flag != 0) {
      return;  // nothing to continue from
    }
    for (int i = firstPoint; i < pointCount; ++i)
      if (!r.point(p.xy[2 * i], p.xy[2 * i + 1])) return;
    for (int i = firstColour; i < 4; ++i)
      if (!r.colour(p.corner[i])) return;
    r.bits.align();
    out.push_back(p);
    last = p;
    have = true;
  }
}

}  // namespace

std::vector<MeshPatch> readMesh(std::span<const uint8_t> data, const MeshFormat& format) {
  std::vector<MeshPatch> out;
  if (format.type < 4 || format.type > 7) return out;
  if (!validBits(format.bitsPerCoordinate) || !validBits(format.bitsPerComponent)) return out;
  if (format.type != 5 && format.bitsPerFlag != 2 && format.bitsPerFlag != 4 &&
      format.bitsPerFlag != 8)
    return out;
  if (format.components < 1 || format.components > MeshFormat::kMaxComponents) return out;
  if (format.decode.size() < static_cast<std::size_t>(4 + 2 * format.components)) return out;
  Reader r{BitReader(data), format};
  switch (format.type) {
    case 4:
      readFreeForm(r, out);
      break;
    case 5:
      readLattice(r, out);
      break;
    default:
      readPatches(r, out);
      break;
  }
  return out;
}
