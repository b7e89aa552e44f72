#include "engine/decode/jbig2/jbig2_huffman.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

using L = Jbig2HuffmanLine;
constexpr auto N = L::Normal;
constexpr auto LO = L::Lower;
constexpr auto UP = L::Upper;
constexpr auto OOB = L::OutOfBand;

struct StandardTable {
  std::vector<L> lines;
};

std::vector<std::vector<L>> standardLines() {
  return {
      // B.1
      {{1, 4, 0, N}, {2, 8, 16, N}, {3, 16, 272, N}, {3, 32, 65808, UP}},
      // B.2
      {{1, 0, 0, N},
       {2, 0, 1, N},
       {3, 0, 2, N},
       {4, 3, 3, N},
       {5, 6, 11, N},
       {6, 32, 75, UP},
       {6, 0, 0, OOB}},
      // B.3
      {{8, 8, -256, N},
       {1, 0, 0, N},
       {2, 0, 1, N},
       {3, 0, 2, N},
       {4, 3, 3, N},
       {5, 6, 11, N},
       {8, 32, -257, LO},
       {7, 32, 75, UP},
       {6, 0, 0, OOB}},
      // B.4
      {{1, 0, 1, N}, {2, 0, 2, N}, {3, 0, 3, N}, {4, 3, 4, N}, {5, 6, 12, N}, {5, 32, 76, UP}},
      // B.5
      {{7, 8, -255, N},
       {1, 0, 1, N},
       {2, 0, 2, N},
       {3, 0, 3, N},
       {4, 3, 4, N},
       {5, 6, 12, N},
       {7, 32, -256, LO},
       {6, 32, 76, UP}},
      // B.6
      {{5, 10, -2048, N},
       {4, 9, -1024, N},
       {4, 8, -512, N},
       {4, 7, -256, N},
       {5, 6, -128, N},
       {5, 5, -64, N},
       {4, 5, -32, N},
       {2, 7, 0, N},
       {3, 7, 128, N},
       {3, 8, 256, N},
       {4, 9, 512, N},
       {4, 10, 1024, N},
       {6, 32, -2049, LO},
       {6, 32, 2048, UP}},
      // B.7
      {{4, 9, -1024, N},
       {3, 8, -512, N},
       {4, 7, -256, N},
       {5, 6, -128, N},
       {5, 5, -64, N},
       {4, 5, -32, N},
       {4, 5, 0, N},
       {5, 5, 32, N},
       {5, 6, 64, N},
       {4, 7, 128, N},
       {3, 8, 256, N},
       {3, 9, 512, N},
       {3, 10, 1024, N},
       {5, 32, -1025, LO},
       {5, 32, 2048, UP}},
      // B.8
      {{8, 3, -15, N}, {9, 1, -7, N},  {8, 1, -5, N},   {9, 0, -3, N},    {7, 0, -2, N},
       {4, 0, -1, N},  {2, 1, 0, N},   {5, 0, 2, N},    {6, 0, 3, N},     {3, 4, 4, N},
       {6, 1, 20, N},  {4, 4, 22, N},  {4, 5, 38, N},   {5, 6, 70, N},    {5, 7, 134, N},
       {6, 7, 262, N}, {7, 8, 390, N}, {6, 10, 646, N}, {9, 32, -16, LO}, {9, 32, 1670, UP},
       {2, 0, 0, OOB}},
      // B.9
      {{8, 4, -31, N},    {9, 2, -15, N}, {8, 2, -11, N}, {9, 1, -7, N},    {7, 1, -5, N},
       {4, 1, -3, N},     {3, 1, -1, N},  {3, 1, 1, N},   {5, 1, 3, N},     {6, 1, 5, N},
       {3, 5, 7, N},      {6, 2, 39, N},  {4, 5, 43, N},  {4, 6, 75, N},    {5, 7, 139, N},
       {5, 8, 267, N},    {6, 8, 523, N}, {7, 9, 779, N}, {6, 11, 1291, N}, {9, 32, -32, LO},
       {9, 32, 3339, UP}, {2, 0, 0, OOB}},
      // B.10
      {{7, 4, -21, N}, {8, 0, -5, N},    {7, 0, -4, N},    {5, 0, -3, N},    {2, 2, -2, N},
       {5, 0, 2, N},   {6, 0, 3, N},     {7, 0, 4, N},     {8, 0, 5, N},     {2, 6, 6, N},
       {5, 5, 70, N},  {6, 5, 102, N},   {6, 6, 134, N},   {6, 7, 198, N},   {6, 8, 326, N},
       {6, 9, 582, N}, {6, 10, 1094, N}, {7, 11, 2118, N}, {8, 32, -22, LO}, {8, 32, 4166, UP},
       {2, 0, 0, OOB}},
      // B.11
      {{1, 0, 1, N},
       {2, 1, 2, N},
       {4, 0, 4, N},
       {4, 1, 5, N},
       {5, 1, 7, N},
       {5, 2, 9, N},
       {6, 2, 13, N},
       {7, 2, 17, N},
       {7, 3, 21, N},
       {7, 4, 29, N},
       {7, 5, 45, N},
       {7, 6, 77, N},
       {7, 32, 141, UP}},
      // B.12
      {{1, 0, 1, N},
       {2, 0, 2, N},
       {3, 1, 3, N},
       {5, 0, 5, N},
       {5, 1, 6, N},
       {6, 1, 8, N},
       {7, 0, 10, N},
       {7, 1, 11, N},
       {7, 2, 13, N},
       {7, 3, 17, N},
       {7, 4, 25, N},
       {8, 5, 41, N},
       {8, 32, 73, UP}},
      // B.13
      {{1, 0, 1, N},
       {3, 0, 2, N},
       {4, 0, 3, N},
       {5, 0, 4, N},
       {4, 1, 5, N},
       {3, 3, 7, N},
       {6, 1, 15, N},
       {6, 2, 17, N},
       {6, 3, 21, N},
       {6, 4, 29, N},
       {6, 5, 45, N},
       {7, 6, 77, N},
       {7, 32, 141, UP}},
      // B.14
      {{3, 0, -2, N}, {3, 0, -1, N}, {1, 0, 0, N}, {3, 0, 1, N}, {3, 0, 2, N}},
      // B.15
      {{7, 4, -24, N},
       {6, 2, -8, N},
       {5, 1, -4, N},
       {4, 0, -2, N},
       {3, 0, -1, N},
       {1, 0, 0, N},
       {3, 0, 1, N},
       {4, 0, 2, N},
       {5, 1, 3, N},
       {6, 2, 5, N},
       {7, 4, 9, N},
       {7, 32, -25, LO},
       {7, 32, 25, UP}},
  };
}

}  // namespace

const JBIG2CodeTable* jbig2StandardTable(int number) {
  static const std::array<std::unique_ptr<JBIG2CodeTable>, 15> tables = [] {
    std::array<std::unique_ptr<JBIG2CodeTable>, 15> t;
    std::vector<std::vector<L>> all = standardLines();
    for (std::size_t i = 0; i < t.size(); ++i) {
      t[i] = std::make_unique<JBIG2CodeTable>();
      t[i]->build(all[i]);
    }
    return t;
  }();
  if (number < 1 || number > 15) return nullptr;
  return tables[number - 1].get();
}

bool JBIG2CodeTable::build(std::vector<Jbig2HuffmanLine> lines) {
  lines_ = std::move(lines);
  if (lines_.empty() || lines_.size() > kMaxJbig2HuffmanLines) return false;
  maxLength_ = 0;
  hasOob_ = false;
  for (const L& line : lines_) {
    if (line.prefixLength < 0 || line.prefixLength > kMaxJbig2PrefixLength) return false;
    if (line.rangeLength < 0 || line.rangeLength > 32) return false;
    maxLength_ = std::max(maxLength_, line.prefixLength);
    if (line.kind == L::OutOfBand && line.prefixLength > 0) hasOob_ = true;
  }
  count_.assign(maxLength_ + 1, 0);
  for (const L& line : lines_) ++count_[line.prefixLength];
  count_[0] = 0;
  firstCode_.assign(maxLength_ + 1, 0);
  start_.assign(maxLength_ + 1, 0);
  // Codes longer than 32 bits would not fit the code register; such lines can never be read.
  uint64_t code = 0;
  uint32_t position = 0;
  for (int len = 1; len <= maxLength_; ++len) {
    code = (code + (len > 1 ? count_[len - 1] : 0)) << 1;
    firstCode_[len] = static_cast<uint32_t>(code);
    // Lengths with more lines than codes keep what fits; the rest can never be read.
    const uint64_t room =
        len > 32 || code >= (uint64_t{1} << len) ? 0 : (uint64_t{1} << len) - code;
    count_[len] = static_cast<uint32_t>(std::min<uint64_t>(count_[len], room));
    start_[len] = position;
    position += count_[len];
  }
  byLength_.assign(position, 0);
  std::vector<uint32_t> filled(maxLength_ + 1, 0);
  for (uint32_t i = 0; i < lines_.size(); ++i) {
    const int len = lines_[i].prefixLength;
    if (len == 0 || filled[len] >= count_[len]) continue;
    byLength_[start_[len] + filled[len]++] = i;
  }
  return true;
}

JBIG2CodeTable::Result JBIG2CodeTable::decode(Jbig2BitReader& reader, int32_t& value) const {
  uint32_t code = 0;
  const int limit = std::min(maxLength_, 32);
  for (int len = 1; len <= limit; ++len) {
    code = code << 1 | static_cast<uint32_t>(reader.readBit());
    if (count_[len] && code >= firstCode_[len] && code - firstCode_[len] < count_[len]) {
      const L& line = lines_[byLength_[start_[len] + code - firstCode_[len]]];
      if (line.kind == L::OutOfBand) return Result::OutOfBand;
      const uint32_t offset = reader.readBits(line.rangeLength);
      int64_t v =
          line.kind == L::Lower ? int64_t{line.rangeLow} - offset : int64_t{line.rangeLow} + offset;
      if (v < INT32_MIN || v > INT32_MAX || reader.overrun()) return Result::Fail;
      value = static_cast<int32_t>(v);
      return Result::Value;
    }
    if (reader.overrun()) return Result::Fail;
  }
  return Result::Fail;
}

bool JBIG2CodeTable::parse(const uint8_t* data, std::size_t size) {
  if (size < 9) return false;
  const uint8_t flags = data[0];
  const bool oob = flags & 1;
  const int prefixBits = ((flags >> 1) & 7) + 1;
  const int rangeBits = ((flags >> 4) & 7) + 1;
  auto be32 = [&](std::size_t at) {
    return static_cast<int32_t>(uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 |
                                uint32_t{data[at + 2]} << 8 | data[at + 3]);
  };
  const int32_t low = be32(1), high = be32(5);
  if (low >= high) return false;
  Jbig2BitReader reader(data + 9, size - 9);
  std::vector<L> lines;
  int64_t current = low;
  while (current < high) {
    if (lines.size() >= kMaxJbig2HuffmanLines || reader.overrun()) return false;
    L line;
    line.prefixLength = static_cast<int32_t>(reader.readBits(prefixBits));
    line.rangeLength = static_cast<int32_t>(reader.readBits(rangeBits));
    line.rangeLow = static_cast<int32_t>(current);
    if (line.rangeLength > 32) return false;
    lines.push_back(line);
    current += int64_t{1} << line.rangeLength;
  }
  L lower{static_cast<int32_t>(reader.readBits(prefixBits)), 32,
          static_cast<int32_t>(int64_t{low} - 1), L::Lower};
  L upper{static_cast<int32_t>(reader.readBits(prefixBits)), 32, high, L::Upper};
  lines.push_back(lower);
  lines.push_back(upper);
  if (oob) lines.push_back({static_cast<int32_t>(reader.readBits(prefixBits)), 0, 0, L::OutOfBand});
  if (reader.overrun()) return false;
  return build(std::move(lines));
}

bool jbig2BuildLengthTable(const std::vector<int32_t>& lengths, JBIG2CodeTable& table) {
  std::vector<L> lines;
  lines.reserve(lengths.size());
  for (std::size_t i = 0; i < lengths.size(); ++i)
    lines.push_back({lengths[i], 0, static_cast<int32_t>(i), L::Normal});
  return table.build(std::move(lines));
}
