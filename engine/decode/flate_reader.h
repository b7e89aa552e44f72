#pragma once
// FlateDecode read piece by piece: for large streams whose decoded bytes are used once, in order,
// and need not all be held.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class FlateReader {
 public:
  // Inflates input (which must outlive the reader); never more than maxOutput bytes in all.
  FlateReader(std::span<const uint8_t> input, std::size_t maxOutput);
  ~FlateReader();
  FlateReader(const FlateReader&) = delete;
  FlateReader& operator=(const FlateReader&) = delete;

  // Fills out with the next bytes; returns how many came (fewer at the end of the data, at
  // damage or at the limit: what was inflated before damage is kept, as decodeFlate keeps it).
  std::size_t read(std::span<uint8_t> out);
  // Whether zlib took the data at all.
  bool usable() const { return state_ != nullptr; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::size_t left_ = 0;
  bool ended_ = false;
};
