#include "platform/graphics/png_writer.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
#include <zlib.h>

namespace brevia::gfx {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Rows are deflated in chunks of about this many bytes.
constexpr std::size_t kChunkBytes = 1 << 18;

void put32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

bool writeChunk(std::FILE* f, const char type[4], const uint8_t* data, std::size_t size) {
  std::vector<uint8_t> head;
  put32(head, static_cast<uint32_t>(size));
  head.insert(head.end(), type, type + 4);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
  if (size) crc = crc32(crc, data, static_cast<uInt>(size));
  std::vector<uint8_t> tail;
  put32(tail, static_cast<uint32_t>(crc));
  return std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
         (size == 0 || std::fwrite(data, 1, size, f) == size) &&
         std::fwrite(tail.data(), 1, tail.size(), f) == tail.size();
}

}  // namespace

Status writePngFile(const Bitmap& bitmap, const std::string& path, int compression) {
  if (!bitmap.isValid()) return Status::InvalidParameter;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return Status::GenericError;
  const Status status = writePng(bitmap, file.get(), compression);
  // A full disk may only show when the file is closed.
  return std::fclose(file.release()) == 0 ? status : Status::GenericError;
}

Status writePng(const Bitmap& bitmap, std::FILE* f, int compression) {
  if (!bitmap.isValid() || !f) return Status::InvalidParameter;
  const int w = bitmap.width(), h = bitmap.height();
  const int stride = bitmap.stride() / 4;
  const uint32_t* pixels = reinterpret_cast<const uint32_t*>(bitmap.data());
  const bool opaque = bitmap.isOpaque();
  const int channels = opaque ? 3 : 4;

  std::vector<uint8_t> header;
  put32(header, uint32_t(w));
  put32(header, uint32_t(h));
  header.insert(header.end(), {8, uint8_t(opaque ? 2 : 6), 0, 0, 0});
  if (std::fwrite(kSignature, 1, 8, f) != 8 || !writeChunk(f, "IHDR", header.data(), header.size()))
    return Status::GenericError;

  z_stream z{};
  if (deflateInit(&z, compression) != Z_OK) return Status::OutOfMemory;
  std::vector<uint8_t> row(size_t(w) * channels + 1), previous(size_t(w) * channels + 1, 0);
  std::vector<uint8_t> raw(size_t(w) * channels + 1);
  std::vector<uint8_t> out(kChunkBytes);
  bool ok = true;
  auto flush = [&](int mode) {
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, mode);
      const std::size_t produced = out.size() - z.avail_out;
      if (produced && !writeChunk(f, "IDAT", out.data(), produced)) ok = false;
    } while (z.avail_out == 0);
  };
  for (int y = 0; y < h && ok; ++y) {
    const uint32_t* line = pixels + int64_t{y} * stride;
    uint8_t* p = raw.data() + 1;
    if (opaque) {
      // Every pixel is opaque: its colour bytes as they stand.
      for (int x = 0; x < w; ++x, p += 3) {
        const uint32_t v = line[x];
        p[0] = uint8_t(v >> 16);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v);
      }
    } else {
      for (int x = 0; x < w; ++x) {
        const uint32_t v = line[x];
        const uint32_t a = v >> 24;
        uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
        if (a != 0 && a != 0xFF) {
          r = (r * 255 + a / 2) / a;
          g = (g * 255 + a / 2) / a;
          b = (b * 255 + a / 2) / a;
        }
        *p++ = uint8_t(r);
        *p++ = uint8_t(g);
        *p++ = uint8_t(b);
        *p++ = uint8_t(a);
      }
    }
    // The Up filter: rows of pages repeat a lot.
    row[0] = 2;
    for (std::size_t i = 1; i < raw.size(); ++i) row[i] = uint8_t(raw[i] - previous[i]);
    std::swap(previous, raw);
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(row.size());
    while (z.avail_in > 0 && ok) {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, Z_NO_FLUSH);
      const std::size_t produced = out.size() - z.avail_out;
      if (produced && !writeChunk(f, "IDAT", out.data(), produced)) ok = false;
    }
  }
  if (ok) flush(Z_FINISH);
  deflateEnd(&z);
  if (!ok || !writeChunk(f, "IEND", nullptr, 0)) return Status::GenericError;
  return std::fflush(f) == 0 ? Status::Ok : Status::GenericError;
}

}  // namespace brevia::gfx
