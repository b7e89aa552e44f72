#pragma once
// Huffman coded integers: the bit reader, the standard tables and custom code tables.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/decode/jbig2/jbig2_bitmap.h"

// A custom table never has more lines than this.
inline constexpr std::size_t kMaxJbig2HuffmanLines = 1 << 14;
// Longer prefixes than this cannot be decoded (custom tables allow up to 255).
inline constexpr int kMaxJbig2PrefixLength = 255;

// Most significant bit first over a byte range; past the end it reads zeros.
class Jbig2BitReader {
 public:
  Jbig2BitReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int readBit() {
    if (byte_ >= size_) {
      overrun_ = true;
      return 0;
    }
    const int b = (data_[byte_] >> (7 - bit_)) & 1;
    if (++bit_ == 8) {
      bit_ = 0;
      ++byte_;
    }
    return b;
  }
  uint32_t readBits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 1 | static_cast<uint32_t>(readBit());
    return v;
  }
  void alignToByte() {
    if (bit_) {
      bit_ = 0;
      ++byte_;
    }
  }
  // Byte position of the next bit (after aligning, the next whole byte).
  std::size_t bytePosition() const { return byte_; }
  void skipBytes(std::size_t n) { byte_ = n > size_ - std::min(byte_, size_) ? size_ : byte_ + n; }
  const uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool overrun() const { return overrun_; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t byte_ = 0;
  int bit_ = 0;
  bool overrun_ = false;
};

struct Jbig2HuffmanLine {
  int32_t prefixLength;
  int32_t rangeLength;
  int32_t rangeLow;
  enum Kind : uint8_t { Normal, Lower, Upper, OutOfBand } kind = Normal;
};

class JBIG2CodeTable : public JBIG2Segment {
 public:
  explicit JBIG2CodeTable(uint32_t number = 0) : JBIG2Segment(number) {}
  JBIG2SegmentKind kind() const override { return JBIG2SegmentKind::CodeTable; }

  // Assigns the prefix codes; false when the lines cannot form a table.
  bool build(std::vector<Jbig2HuffmanLine> lines);
  // Reads a code-table segment's data; false when it is malformed.
  bool parse(const uint8_t* data, std::size_t size);

  enum class Result { Value, OutOfBand, Fail };
  Result decode(Jbig2BitReader& reader, int32_t& value) const;
  bool hasOutOfBand() const { return hasOob_; }
  const std::vector<Jbig2HuffmanLine>& lines() const { return lines_; }

 private:
  std::vector<Jbig2HuffmanLine> lines_;
  // Lines ordered by prefix length, then by their order in the table: the canonical codes of one
  // length are consecutive, starting at firstCode_[length].
  std::vector<uint32_t> byLength_;
  std::vector<uint32_t> firstCode_, count_, start_;
  int maxLength_ = 0;
  bool hasOob_ = false;
};

// Tables B.1 to B.15, by number (1 to 15); nullptr for other numbers.
const JBIG2CodeTable* jbig2StandardTable(int number);

// A table of symbol identifiers from code lengths (a text region's symbol ID table).
bool jbig2BuildLengthTable(const std::vector<int32_t>& lengths, JBIG2CodeTable& table);
