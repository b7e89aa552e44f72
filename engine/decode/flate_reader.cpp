#include "engine/decode/flate_reader.h"

#include <algorithm>
#include <zlib.h>

namespace {
constexpr int kZlibWindowBits = 15;
}  // namespace

struct FlateReader::State {
  z_stream z{};
};

FlateReader::FlateReader(std::span<const uint8_t> input, std::size_t maxOutput)
    : state_(std::make_unique<State>()), left_(maxOutput) {
  z_stream& z = state_->z;
  if (inflateInit2(&z, kZlibWindowBits) != Z_OK) {
    state_.reset();
    return;
  }
  z.next_in = const_cast<Bytef*>(input.data());
  // Inputs are below 4 GiB (stored streams are cut at 1 GiB), so zlib takes them whole.
  z.avail_in = static_cast<uInt>(input.size());
}

FlateReader::~FlateReader() {
  if (state_) inflateEnd(&state_->z);
}

std::size_t FlateReader::read(std::span<uint8_t> out) {
  if (!state_ || ended_) return 0;
  z_stream& z = state_->z;
  const std::size_t wanted = std::min(out.size(), left_);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(wanted);
  while (z.avail_out > 0) {
    const uInt before = z.avail_out;
    const int status = inflate(&z, Z_SYNC_FLUSH);
    if (status == Z_STREAM_END || (status != Z_OK && status != Z_BUF_ERROR) ||
        z.avail_out == before) {
      // The end, damaged data or a bad checksum, or input that ends before the stream.
      ended_ = true;
      break;
    }
  }
  const std::size_t produced = wanted - z.avail_out;
  left_ -= produced;
  if (left_ == 0) ended_ = true;
  return produced;
}
