#include "engine/decode/jbig2/jbig2_symbol_dict.h"

#include "engine/decode/jbig2/jbig2_arithmetic.h"
#include "engine/decode/jbig2/jbig2_generic.h"
#include "engine/decode/jbig2/jbig2_refinement.h"
#include "engine/decode/jbig2/jbig2_text_region.h"

namespace {

using Result = JBIG2CodeTable::Result;

// Neither the height of a class nor the width of a symbol exceeds this.
constexpr int64_t kMaxSymbolSide = 1 << 16;
constexpr uint32_t kMaxEmptyHeightClasses = 1024;

int codeLength(uint64_t count) {
  int n = 0;
  while ((uint64_t{1} << n) < count) ++n;
  return n;
}

struct Flags {
  bool huffman, refAgg;
  int dhSel, dwSel, bmSizeSel, aggInstSel;
  bool contextUsed, contextRetained;
  int templ, refTemplate;
};

}  // namespace

std::unique_ptr<JBIG2SymbolDict> jbig2DecodeSymbolDict(uint32_t number, const uint8_t* data,
                                                       std::size_t size,
                                                       const Jbig2SymbolDictInput& input,
                                                       Jbig2Budget& budget) {
  if (size < 2) return nullptr;
  const uint16_t rawFlags = static_cast<uint16_t>(data[0] << 8 | data[1]);
  Flags f;
  f.huffman = rawFlags & 1;
  f.refAgg = rawFlags & 2;
  f.dhSel = (rawFlags >> 2) & 3;
  f.dwSel = (rawFlags >> 4) & 3;
  f.bmSizeSel = (rawFlags >> 6) & 1;
  f.aggInstSel = (rawFlags >> 7) & 1;
  f.contextUsed = rawFlags & 0x100;
  f.contextRetained = rawFlags & 0x200;
  f.templ = (rawFlags >> 10) & 3;
  f.refTemplate = (rawFlags >> 12) & 1;
  std::size_t pos = 2;
  int8_t at[8];
  jbig2NominalAt(f.templ, at);
  if (!f.huffman) {
    const int n = f.templ == 0 ? 8 : 2;
    if (pos + n > size) return nullptr;
    for (int i = 0; i < n; ++i) at[i] = static_cast<int8_t>(data[pos + i]);
    pos += n;
  }
  int8_t refAt[4] = {-1, -1, -1, -1};
  if (f.refAgg && f.refTemplate == 0) {
    if (pos + 4 > size) return nullptr;
    for (int i = 0; i < 4; ++i) refAt[i] = static_cast<int8_t>(data[pos + i]);
    pos += 4;
  }
  if (pos + 8 > size) return nullptr;
  auto be32 = [&](std::size_t at) {
    return uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 | uint32_t{data[at + 2]} << 8 |
           data[at + 3];
  };
  const uint32_t numExported = be32(pos), numNew = be32(pos + 4);
  pos += 8;
  const uint32_t numInput = static_cast<uint32_t>(input.inputSymbols.size());
  if (numNew > kMaxJbig2Symbols || numInput > kMaxJbig2Symbols || numExported > numInput + numNew)
    return nullptr;

  // Huffman tables by selection; custom ones are taken in order.
  std::size_t nextCustom = 0;
  auto custom = [&]() -> const JBIG2CodeTable* {
    return nextCustom < input.customTables.size() ? input.customTables[nextCustom++] : nullptr;
  };
  const JBIG2CodeTable *dhTable = nullptr, *dwTable = nullptr, *bmSizeTable = nullptr,
                       *aggInstTable = nullptr;
  if (f.huffman) {
    dhTable = f.dhSel == 0   ? jbig2StandardTable(4)
              : f.dhSel == 1 ? jbig2StandardTable(5)
              : f.dhSel == 3 ? custom()
                             : nullptr;
    dwTable = f.dwSel == 0   ? jbig2StandardTable(2)
              : f.dwSel == 1 ? jbig2StandardTable(3)
              : f.dwSel == 3 ? custom()
                             : nullptr;
    bmSizeTable = f.bmSizeSel == 0 ? jbig2StandardTable(1) : custom();
    aggInstTable = f.aggInstSel == 0 ? jbig2StandardTable(1) : custom();
    if (!dhTable || !dwTable || !bmSizeTable || !aggInstTable) return nullptr;
  }

  auto dict = std::make_unique<JBIG2SymbolDict>(number);
  const uint8_t* body = data + pos;
  const std::size_t bodySize = size - pos;
  Jbig2ArithDecoder arith(body, bodySize);
  Jbig2BitReader bits(body, bodySize);
  std::vector<uint8_t> genericCx, refinementCx;
  if (f.contextUsed && input.previous && input.previous->retained) {
    genericCx = input.previous->genericContexts;
    refinementCx = input.previous->refinementContexts;
  }
  const int idLength = codeLength(uint64_t{numInput} + numNew);
  Jbig2TextContexts text(f.refAgg && !f.huffman ? idLength : 0);
  text.refinement = std::move(refinementCx);
  Jbig2IntDecoder iadh, iadw, iaex, iaai;

  // Every symbol the aggregate coding may refer to: the input symbols, then the new ones.
  std::vector<const JBIG2Bitmap*> all(input.inputSymbols);
  std::vector<std::unique_ptr<JBIG2Bitmap>> newSymbols;
  newSymbols.reserve(numNew);
  std::vector<int64_t> widths;

  auto readInt = [&](Jbig2IntDecoder& d, const JBIG2CodeTable* table, int32_t& v) {
    if (!f.huffman) return d.decode(arith, v) ? 1 : 0;
    const Result r = table->decode(bits, v);
    return r == Result::Value ? 1 : r == Result::OutOfBand ? 0 : -1;
  };

  bool ok = true;
  int64_t classHeight = 0;
  // Height classes without symbols make no progress; no real dictionary needs many.
  uint32_t emptyClasses = 0;
  while (ok && newSymbols.size() < numNew) {
    int32_t dh;
    if (readInt(iadh, dhTable, dh) != 1) break;
    classHeight += dh;
    if (classHeight < 0 || classHeight > kMaxSymbolSide) break;
    int64_t symbolWidth = 0, totalWidth = 0;
    const std::size_t firstInClass = newSymbols.size();
    widths.clear();
    for (;;) {
      int32_t dw;
      const int r = readInt(iadw, dwTable, dw);
      if (r < 0) {
        ok = false;
        break;
      }
      if (r == 0) break;  // end of the height class
      if (newSymbols.size() >= numNew) {
        ok = false;
        break;
      }
      symbolWidth += dw;
      totalWidth += symbolWidth;
      if (symbolWidth < 0 || symbolWidth > kMaxSymbolSide || totalWidth > kMaxJbig2BitmapSide) {
        ok = false;
        break;
      }
      std::unique_ptr<JBIG2Bitmap> symbol;
      if (!f.huffman || f.refAgg) {
        if (!f.refAgg) {
          Jbig2GenericParams gp;
          gp.width = static_cast<int32_t>(symbolWidth);
          gp.height = static_cast<int32_t>(classHeight);
          gp.templateId = f.templ;
          for (int i = 0; i < 8; ++i) gp.at[i] = at[i];
          symbol = jbig2DecodeGeneric(gp, arith, genericCx, budget);
        } else {
          int32_t instances;
          if (readInt(iaai, aggInstTable, instances) != 1 || instances < 0) {
            ok = false;
            break;
          }
          if (instances == 1) {
            uint32_t id;
            int32_t rdx, rdy;
            if (f.huffman) {
              id = bits.readBits(idLength);
              if (jbig2StandardTable(15)->decode(bits, rdx) != Result::Value ||
                  jbig2StandardTable(15)->decode(bits, rdy) != Result::Value) {
                ok = false;
                break;
              }
            } else {
              id = text.iaid.decode(arith);
              if (!text.iardx.decode(arith, rdx) || !text.iardy.decode(arith, rdy)) {
                ok = false;
                break;
              }
            }
            if (id >= all.size() || !all[id]) {
              ok = false;
              break;
            }
            if (f.huffman) {
              int32_t blockSize;
              if (jbig2StandardTable(1)->decode(bits, blockSize) != Result::Value) {
                ok = false;
                break;
              }
              symbol = jbig2DecodeRefinementBlock(
                  bits, static_cast<uint32_t>(blockSize), static_cast<int32_t>(symbolWidth),
                  static_cast<int32_t>(classHeight), *all[id], rdx, rdy, f.refTemplate, refAt,
                  text.refinement, budget);
            } else {
              Jbig2RefinementParams rp;
              rp.width = static_cast<int32_t>(symbolWidth);
              rp.height = static_cast<int32_t>(classHeight);
              rp.templateId = f.refTemplate;
              rp.reference = all[id];
              rp.dx = rdx;
              rp.dy = rdy;
              for (int i = 0; i < 4; ++i) rp.at[i] = refAt[i];
              symbol = jbig2DecodeRefinement(rp, arith, text.refinement, budget);
            }
          } else {
            Jbig2TextParams tp;
            tp.huffman = f.huffman;
            tp.refine = true;
            tp.width = static_cast<int32_t>(symbolWidth);
            tp.height = static_cast<int32_t>(classHeight);
            tp.instances = static_cast<uint32_t>(instances);
            tp.symbols = &all;
            tp.symbolCodeLength = idLength;
            tp.op = Jbig2Combination::Or;
            tp.corner = Jbig2Corner::TopLeft;
            tp.fs = jbig2StandardTable(6);
            tp.ds = jbig2StandardTable(8);
            tp.dt = jbig2StandardTable(11);
            tp.rdw = tp.rdh = tp.rdx = tp.rdy = jbig2StandardTable(15);
            tp.rsize = jbig2StandardTable(1);
            tp.refTemplate = f.refTemplate;
            for (int i = 0; i < 4; ++i) tp.refAt[i] = refAt[i];
            symbol = jbig2DecodeTextRegion(tp, f.huffman ? nullptr : &arith,
                                           f.huffman ? &bits : nullptr, text, budget);
          }
        }
        if (!symbol) {
          ok = false;
          break;
        }
      }
      if (f.huffman && !f.refAgg) widths.push_back(symbolWidth);
      all.push_back(symbol.get());
      newSymbols.push_back(std::move(symbol));
    }
    if (!ok) break;
    if (newSymbols.size() == firstInClass && ++emptyClasses > kMaxEmptyHeightClasses) break;
    if (f.huffman && !f.refAgg) {
      // The class is one collective bitmap, split by the widths read above.
      int32_t bmSize;
      if (bmSizeTable->decode(bits, bmSize) != Result::Value || bmSize < 0) break;
      bits.alignToByte();
      const std::size_t start = bits.bytePosition();
      const std::size_t available = start < bodySize ? bodySize - start : 0;
      std::unique_ptr<JBIG2Bitmap> collective;
      if (totalWidth > 0 && classHeight > 0) {
        if (bmSize == 0) {
          collective = JBIG2Bitmap::create(totalWidth, classHeight, budget);
          if (!collective) break;
          const std::size_t rowBytes = static_cast<std::size_t>(collective->stride());
          for (int32_t y = 0; y < collective->height(); ++y) {
            const std::size_t at = start + y * rowBytes;
            for (std::size_t b = 0; b < rowBytes && at + b < bodySize; ++b)
              collective->row(y)[b] = body[at + b];
            if (totalWidth & 7)
              collective->row(y)[rowBytes - 1] &=
                  static_cast<uint8_t>(0xFF << (8 - (totalWidth & 7)));
          }
          bits.skipBytes(rowBytes * collective->height());
        } else {
          const std::size_t length =
              static_cast<std::size_t>(bmSize) < available ? bmSize : available;
          collective = jbig2DecodeGenericMmr(static_cast<int32_t>(totalWidth),
                                             static_cast<int32_t>(classHeight), body + start,
                                             length, nullptr, budget);
          if (!collective) break;
          bits.skipBytes(static_cast<std::size_t>(bmSize));
        }
      } else {
        bits.skipBytes(static_cast<std::size_t>(bmSize));
      }
      int64_t x = 0;
      for (std::size_t i = firstInClass; i < newSymbols.size(); ++i) {
        const int64_t w = widths[i - firstInClass];
        auto symbol = collective
                          ? collective->crop(static_cast<int32_t>(x), 0, static_cast<int32_t>(w),
                                             static_cast<int32_t>(classHeight), budget)
                          : JBIG2Bitmap::create(w, classHeight, budget);
        if (!symbol) {
          ok = false;
          break;
        }
        all[numInput + i] = symbol.get();
        newSymbols[i] = std::move(symbol);
        x += w;
      }
    }
  }
  for (std::size_t i = 0; i < newSymbols.size(); ++i) {
    if (newSymbols[i]) continue;
    newSymbols[i] = JBIG2Bitmap::create(0, 0, budget);
    if (!newSymbols[i]) return nullptr;
    all[numInput + i] = newSymbols[i].get();
  }
  if (newSymbols.size() < numNew) {
    // A short dictionary still exports what it has; missing symbols are empty.
    while (newSymbols.size() < numNew) {
      auto empty = JBIG2Bitmap::create(0, 0, budget);
      if (!empty) return nullptr;
      all.push_back(empty.get());
      newSymbols.push_back(std::move(empty));
    }
  }

  // Exported symbols: runs alternately not exported and exported.
  bool exportFlag = false;
  uint64_t index = 0;
  const uint64_t total = uint64_t{numInput} + numNew;
  std::vector<bool> exported(total, false);
  // Only the first run may be empty, so a valid list has at most two runs a symbol.
  uint64_t runs = 0;
  while (index < total && runs++ <= 2 * total + 1) {
    int32_t run;
    if (f.huffman) {
      if (jbig2StandardTable(1)->decode(bits, run) != Result::Value) break;
    } else if (!iaex.decode(arith, run)) {
      break;
    }
    if (run < 0 || index + run > total) break;
    if (exportFlag)
      for (int32_t i = 0; i < run; ++i) exported[index + i] = true;
    index += run;
    exportFlag = !exportFlag;
  }
  for (uint64_t i = 0; i < total && dict->symbols.size() < numExported; ++i) {
    if (!exported[i]) continue;
    if (i < numInput) {
      auto copy = JBIG2Bitmap::create(all[i]->width(), all[i]->height(), budget);
      if (!copy) break;
      copy->compose(*all[i], 0, 0, Jbig2Combination::Replace, budget);
      dict->symbols.push_back(std::move(copy));
    } else {
      dict->symbols.push_back(std::move(newSymbols[i - numInput]));
    }
  }
  if (f.contextRetained) {
    dict->retained = true;
    dict->retainedTemplate = f.templ;
    dict->retainedRefTemplate = f.refTemplate;
    dict->retainedRefAgg = f.refAgg;
    dict->genericContexts = std::move(genericCx);
    dict->refinementContexts = std::move(text.refinement);
  }
  return dict;
}
