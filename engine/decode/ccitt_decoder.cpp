#include "engine/decode/ccitt_decoder.h"

#include <algorithm>
#include <cstring>

#include "engine/decode/ccitt_bit_reader.h"
#include "engine/decode/ccitt_row_decoder.h"

namespace {

// The end-of-block pattern of one-dimensional and mixed data: six end-of-line codes.
constexpr int kEolsInReturnToControl = 6;
// The end-of-line code, twice, ends a two-dimensional block (EOFB).
constexpr uint32_t kEofbBits = 0x001001;
constexpr int kEofbLength = 24;
// A code is at most 13 bits long; bits that match nothing with fewer bits left are the data
// running out.
constexpr uint64_t kLongestCodeBits = 13;
constexpr uint64_t kEolBits = 12;

// Walks the rows of a fax stream: fill bits, end-of-line codes, tags and the end-of-block
// pattern between rows, and resynchronisation after bad codes.
class FaxRowReader {
 public:
  FaxRowReader(const uint8_t* data, std::size_t size, const CcittParams& params)
      : in_(data, size), rows_(params.columns), params_(params) {}

  // Decodes the next row into row(). False at the end of the data or of the block.
  bool next() {
    if (ended_) return false;
    if (haveRow_) rows_.advance();
    haveRow_ = false;
    if (!startRow()) return end();
    const CcittRowDecoder::Result result =
        twoDimensional_ ? rows_.decode2D(in_) : rows_.decode1D(in_);
    if (result == CcittRowDecoder::Result::Complete) {
      // A row completed only with bits from beyond the data is not in the data.
      if (in_.pastEnd()) return end();
    } else {
      // The data ends inside this row unless an end-of-line code in the data ended it.
      const bool eol = result == CcittRowDecoder::Result::Eol;
      if (bitsLeft() < (eol ? kEolBits : kLongestCodeBits)) return end();
      rows_.finishShortRow();
      shortRow_ = true;
      if (result == CcittRowDecoder::Result::Invalid) {
        damaged_ = true;
        if (!resync()) ended_ = true;
      }
    }
    haveRow_ = true;
    return true;
  }

  const CcittRowDecoder& row() const { return rows_; }
  bool sawEndOfBlock() const { return endOfBlock_; }
  bool damaged() const { return damaged_; }
  CcittBitReader& reader() { return in_; }

 private:
  bool end() {
    ended_ = true;
    return false;
  }

  uint64_t bitsLeft() const {
    const uint64_t total = static_cast<uint64_t>(in_.size()) * 8;
    return in_.consumedBits() >= total ? 0 : total - in_.consumedBits();
  }

  // Consumes an end-of-line code, with any zero fill bits before it, when one comes next.
  // extraZeros are zero bits already dropped just before (by byte alignment) that count
  // towards its eleven zeros.
  bool takeEol(int extraZeros = 0) {
    const uint32_t window = in_.peek(32);
    if (window == 0) {
      // A long run of zeros: fill bits before an end-of-line code, or the end of the data.
      in_.skipZeros();
      if (in_.atEnd()) return false;
      in_.skip(1);
      return true;
    }
    const int zeros = __builtin_clz(window);
    if (zeros + extraZeros < 11) return false;
    in_.skip(zeros + 1);
    return true;
  }

  // Everything between two rows. False when no further row follows.
  bool startRow() {
    bool eol = eolTaken_;
    eolTaken_ = false;
    if (!eol) {
      int dropped = 0;
      bool droppedZeros = true;
      if (params_.encodedByteAlign) droppedZeros = in_.alignToByte(dropped);
      // Bits dropped by the alignment may hold the start of the end-of-line code: fill bits
      // can make the code end, rather than start, on the byte boundary. Count them only when
      // such a code is expected, since a row's first code can also start with zeros.
      const bool eolExpected = shortRow_ || (params_.endOfLine && params_.k >= 0);
      eol = takeEol(droppedZeros && eolExpected ? dropped : 0);
    }
    shortRow_ = false;
    if (in_.atEnd()) return false;
    int tag = 1;
    if (params_.k > 0) tag = readBit();
    if (eol && takeEol()) {
      if (params_.endOfBlock) {
        // The end of the block: the rest of its end-of-line codes (with tags) go too.
        const int eols = params_.k < 0 ? 2 : kEolsInReturnToControl;
        for (int n = 2; n < eols; ++n) {
          if (params_.k > 0) readBit();
          if (!takeEol()) break;
        }
        if (params_.k > 0) readBit();
        endOfBlock_ = true;
        return false;
      }
      // Without an end-of-block pattern repeated end-of-line codes are only skipped.
      do {
        if (params_.k > 0) tag = readBit();
      } while (takeEol());
    }
    if (in_.atEnd()) return false;
    twoDimensional_ = params_.k < 0 || (params_.k > 0 && tag == 0);
    return true;
  }

  int readBit() {
    const int bit = static_cast<int>(in_.peek(1));
    in_.skip(1);
    return bit;
  }

  // After a code that matches nothing: on to just past the next end-of-line code.
  bool resync() {
    for (;;) {
      const uint64_t zeros = in_.skipZeros();
      if (in_.atEnd()) return false;
      in_.skip(1);
      if (zeros >= 11) {
        eolTaken_ = true;
        return true;
      }
      in_.skipOnes();
    }
  }

  CcittBitReader in_;
  CcittRowDecoder rows_;
  CcittParams params_;
  bool twoDimensional_ = false;
  bool haveRow_ = false;
  bool ended_ = false;
  bool endOfBlock_ = false;
  bool damaged_ = false;   // a code matched nothing
  bool eolTaken_ = false;  // resynchronisation consumed the end-of-line code before the row
  bool shortRow_ = false;  // the last row stopped before its end
};

// Sets bits [from, to) of a row, most significant bit first.
inline void setBits(uint8_t* row, int32_t from, int32_t to) {
  if (from >= to) return;
  const int32_t first = from >> 3;
  const int32_t last = (to - 1) >> 3;
  const uint8_t head = static_cast<uint8_t>(0xFF >> (from & 7));
  const uint8_t tail = static_cast<uint8_t>(0xFF << (7 - ((to - 1) & 7)));
  if (first == last) {
    row[first] |= head & tail;
    return;
  }
  row[first] |= head;
  if (last > first + 1)
    std::memset(row + first + 1, 0xFF, static_cast<std::size_t>(last - first - 1));
  row[last] |= tail;
}

// Sets the bits of the black runs of a decoded row.
void paintBlack(uint8_t* row, const CcittRowDecoder& decoded) {
  const int32_t* changes = decoded.changes();
  const int32_t count = decoded.changeCount();
  for (int32_t n = 0; n < count; n += 2) {
    const int32_t end = n + 1 < count ? changes[n + 1] : decoded.columns();
    setBits(row, changes[n], end);
  }
}

}  // namespace

int32_t decodeCcitt(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                    std::size_t maxOutput, const CcittParams& params) {
  output.clear();
  if (params.columns <= 0 || params.columns > kMaxCcittColumns || input.empty()) return 0;
  const std::size_t rowBytes = (static_cast<std::size_t>(params.columns) + 7) / 8;
  const std::size_t rowLimit = maxOutput / rowBytes;
  const bool rowsCounted = !params.endOfBlock && params.rows > 0;
  if (params.rows > 0) {
    // Room for the rows the parameters announce, as far as the data can hold them (a row
    // takes at least one bit).
    const std::size_t most = std::min(input.size() * 8, rowLimit);
    output.reserve(std::min<std::size_t>(static_cast<std::size_t>(params.rows), most) * rowBytes);
  }

  // Pad bits are zero before the optional inversion.
  const int32_t padBits = static_cast<int32_t>(rowBytes * 8) - params.columns;
  const uint8_t padMask = static_cast<uint8_t>((1u << padBits) - 1);

  FaxRowReader rows(input.data(), input.size(), params);
  std::size_t produced = 0;
  while (produced < rowLimit &&
         !(rowsCounted && produced == static_cast<std::size_t>(params.rows))) {
    if (!rows.next()) break;
    output.resize(output.size() + rowBytes);
    uint8_t* row = output.data() + produced * rowBytes;
    paintBlack(row, rows.row());
    if (params.blackIs1) {
      row[rowBytes - 1] |= padMask;
    } else {
      for (std::size_t n = 0; n < rowBytes; ++n) row[n] = static_cast<uint8_t>(~row[n]);
      row[rowBytes - 1] &= static_cast<uint8_t>(~padMask);
    }
    ++produced;
  }
  return static_cast<int32_t>(output.size());
}

int32_t decodeMmrBitmap(const uint8_t* data, size_t size, int32_t width, int32_t height,
                        uint8_t* out, size_t rowBytes) {
  if (!data || !out || width <= 0 || height <= 0 || width > kMaxCcittColumns ||
      rowBytes < (static_cast<std::size_t>(width) + 7) / 8)
    return -1;
  CcittParams params;
  params.k = -1;
  params.columns = width;
  params.endOfBlock = true;
  FaxRowReader rows(data, size, params);
  int32_t decoded = 0;
  while (decoded < height && rows.next()) {
    paintBlack(out + static_cast<std::size_t>(decoded) * rowBytes, rows.row());
    ++decoded;
  }
  // Data that is corrupt, or ends before the last row without an end-of-block code, cannot
  // tell where the next coded item starts.
  if (rows.damaged() || (decoded < height && !rows.sawEndOfBlock())) return -1;
  CcittBitReader& in = rows.reader();
  // A full bitmap may still be followed by its end-of-block code, which belongs to it.
  if (decoded == height && !rows.sawEndOfBlock() && in.peek(kEofbLength) == kEofbBits)
    in.skip(kEofbLength);
  const uint64_t consumed = std::min<uint64_t>((in.consumedBits() + 7) / 8, size);
  return static_cast<int32_t>(consumed);
}
