#include "engine/decode/jbig2/jbig2_text_region.h"

#include "engine/decode/jbig2/jbig2_refinement.h"

namespace {

// Each instance costs decoding work even when its symbol is empty or off the region.
constexpr int64_t kInstanceCost = 256;

using Result = JBIG2CodeTable::Result;

// Reads one integer by table or arithmetic decoder. Returns 1 for a value, 0 for out-of-band,
// -1 when the data is broken.
int readInt(const Jbig2TextParams& p, Jbig2ArithDecoder* arith, Jbig2BitReader* bits,
            Jbig2IntDecoder& decoder, const JBIG2CodeTable* table, int32_t& value) {
  if (!p.huffman) return decoder.decode(*arith, value) ? 1 : 0;
  if (!table) return -1;
  const Result r = table->decode(*bits, value);
  return r == Result::Value ? 1 : r == Result::OutOfBand ? 0 : -1;
}

int64_t clampCoordinate(int64_t v) {
  constexpr int64_t kLimit = int64_t{1} << 40;
  return v < -kLimit ? -kLimit : v > kLimit ? kLimit : v;
}

}  // namespace

std::unique_ptr<JBIG2Bitmap> jbig2DecodeRefinementBlock(
    Jbig2BitReader& bits, uint32_t size, int32_t width, int32_t height,
    const JBIG2Bitmap& reference, int32_t dx, int32_t dy, int templateId, const int8_t at[4],
    std::vector<uint8_t>& contexts, Jbig2Budget& budget) {
  bits.alignToByte();
  const std::size_t start = bits.bytePosition();
  const std::size_t available = start < bits.size() ? bits.size() - start : 0;
  const std::size_t length = size < available ? size : available;
  Jbig2ArithDecoder decoder(bits.data() + (start < bits.size() ? start : bits.size()), length);
  Jbig2RefinementParams rp;
  rp.width = width;
  rp.height = height;
  rp.templateId = templateId;
  rp.reference = &reference;
  rp.dx = dx;
  rp.dy = dy;
  for (int i = 0; i < 4; ++i) rp.at[i] = at[i];
  auto bitmap = jbig2DecodeRefinement(rp, decoder, contexts, budget);
  bits.skipBytes(size);
  return bitmap;
}

std::unique_ptr<JBIG2Bitmap> jbig2DecodeTextRegion(const Jbig2TextParams& p,
                                                   Jbig2ArithDecoder* arith, Jbig2BitReader* bits,
                                                   Jbig2TextContexts& cx, Jbig2Budget& budget) {
  auto region = JBIG2Bitmap::create(p.width, p.height, budget);
  if (!region || !p.symbols) return region;
  if ((p.huffman && !bits) || (!p.huffman && !arith)) return region;
  if (p.defaultPixel) region->fill(1);
  const std::vector<const JBIG2Bitmap*>& symbols = *p.symbols;
  const int64_t strips = int64_t{1} << p.logStrips;
  const bool right = p.corner == Jbig2Corner::TopRight || p.corner == Jbig2Corner::BottomRight;
  const bool bottom = p.corner == Jbig2Corner::BottomLeft || p.corner == Jbig2Corner::BottomRight;

  int32_t v = 0;
  if (readInt(p, arith, bits, cx.iadt, p.dt, v) != 1) return region;
  int64_t stripT = -int64_t{v} * strips;
  int64_t firstS = 0;
  uint32_t placed = 0;
  const uint32_t instances =
      p.instances < kMaxJbig2TextInstances ? p.instances : kMaxJbig2TextInstances;
  while (placed < instances) {
    if (readInt(p, arith, bits, cx.iadt, p.dt, v) != 1) return region;
    stripT = clampCoordinate(stripT + int64_t{v} * strips);
    bool first = true;
    int64_t curS = 0;
    // A strip ends with its out-of-band value, even after the last instance.
    for (;;) {
      if (first) {
        if (readInt(p, arith, bits, cx.iafs, p.fs, v) != 1) return region;
        firstS = clampCoordinate(firstS + v);
        curS = firstS;
        first = false;
      } else {
        const int r = readInt(p, arith, bits, cx.iads, p.ds, v);
        if (r < 0) return region;
        if (r == 0) break;  // end of strip
        curS = clampCoordinate(curS + v + p.dsOffset);
      }
      int64_t curT = 0;
      if (strips > 1) {
        if (p.huffman) {
          curT = bits->readBits(p.logStrips);
        } else if (cx.iait.decode(*arith, v)) {
          curT = v;
        } else {
          return region;
        }
      }
      const int64_t t = stripT + curT;
      uint32_t id;
      if (!p.huffman) {
        id = cx.iaid.decode(*arith);
      } else if (p.symbolCodes) {
        if (p.symbolCodes->decode(*bits, v) != Result::Value) return region;
        id = static_cast<uint32_t>(v);
      } else {
        id = bits->readBits(p.symbolCodeLength);
      }
      if (id >= symbols.size() || !symbols[id]) return region;
      const JBIG2Bitmap* symbol = symbols[id];
      std::unique_ptr<JBIG2Bitmap> refined;
      int ri = 0;
      if (p.refine) {
        if (p.huffman)
          ri = bits->readBit();
        else if (!cx.iari.decode(*arith, ri))
          return region;
      }
      if (ri) {
        int32_t rdw, rdh, rdx, rdy;
        if (readInt(p, arith, bits, cx.iardw, p.rdw, rdw) != 1 ||
            readInt(p, arith, bits, cx.iardh, p.rdh, rdh) != 1 ||
            readInt(p, arith, bits, cx.iardx, p.rdx, rdx) != 1 ||
            readInt(p, arith, bits, cx.iardy, p.rdy, rdy) != 1)
          return region;
        const int64_t w = int64_t{symbol->width()} + rdw, h = int64_t{symbol->height()} + rdh;
        if (w < 0 || h < 0) return region;
        const int32_t dx = (rdw >> 1) + rdx, dy = (rdh >> 1) + rdy;
        if (p.huffman) {
          if (!p.rsize) return region;
          int32_t size;
          if (p.rsize->decode(*bits, size) != Result::Value || size < 0) return region;
          refined = jbig2DecodeRefinementBlock(
              *bits, static_cast<uint32_t>(size), static_cast<int32_t>(w), static_cast<int32_t>(h),
              *symbol, dx, dy, p.refTemplate, p.refAt, cx.refinement, budget);
        } else {
          Jbig2RefinementParams rp;
          rp.width = static_cast<int32_t>(w);
          rp.height = static_cast<int32_t>(h);
          rp.templateId = p.refTemplate;
          rp.reference = symbol;
          rp.dx = dx;
          rp.dy = dy;
          for (int i = 0; i < 4; ++i) rp.at[i] = p.refAt[i];
          refined = jbig2DecodeRefinement(rp, *arith, cx.refinement, budget);
        }
        if (!refined) return region;
        symbol = refined.get();
      }
      const int64_t wi = symbol->width(), hi = symbol->height();
      if (!p.transposed && right)
        curS += wi - 1;
      else if (p.transposed && bottom)
        curS += hi - 1;
      const int64_t s = curS;
      int64_t x, y;
      if (!p.transposed) {
        x = right ? s - wi + 1 : s;
        y = bottom ? t - hi + 1 : t;
      } else {
        x = right ? t - wi + 1 : t;
        y = bottom ? s - hi + 1 : s;
      }
      region->compose(*symbol, x, y, p.op, budget);
      if (!budget.take(kInstanceCost)) return region;
      if (!p.transposed && !right)
        curS += wi - 1;
      else if (p.transposed && !bottom)
        curS += hi - 1;
      if (++placed >= kMaxJbig2TextInstances) return region;
    }
  }
  return region;
}
