#include "engine/decode/jbig2/jbig2_page.h"

#include <algorithm>

#include "engine/decode/jbig2/jbig2_arithmetic.h"
#include "engine/decode/jbig2/jbig2_generic.h"
#include "engine/decode/jbig2/jbig2_halftone.h"
#include "engine/decode/jbig2/jbig2_huffman.h"
#include "engine/decode/jbig2/jbig2_refinement.h"
#include "engine/decode/jbig2/jbig2_symbol_dict.h"
#include "engine/decode/jbig2/jbig2_text_region.h"

namespace {

constexpr uint32_t kUnknownLength = 0xFFFFFFFF;
// Run codes 0 to 34 code the lengths of a text region's symbol identifier codes.
constexpr int kRunCodeCount = 35;

uint32_t be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

Jbig2Combination combination(int value) {
  return value <= 4 ? static_cast<Jbig2Combination>(value) : Jbig2Combination::Or;
}

int codeLength(uint64_t count) {
  int n = 0;
  while ((uint64_t{1} << n) < count) ++n;
  return n;
}

// Where an immediate generic region of unknown length ends: after its end marker and row count.
std::size_t findUnknownLength(const uint8_t* data, std::size_t size, std::size_t start, bool mmr) {
  const uint8_t a = mmr ? 0x00 : 0xFF, b = mmr ? 0x00 : 0xAC;
  for (std::size_t i = start; i + 6 <= size; ++i)
    if (data[i] == a && data[i + 1] == b) return i + 6;
  return size;
}

}  // namespace

struct C_PDF_JBIG2::Header {
  uint32_t number = 0;
  int type = 0;
  std::vector<uint32_t> referred;
  uint32_t page = 0;
  uint32_t length = 0;
};

struct C_PDF_JBIG2::RegionInfo {
  int32_t width = 0, height = 0;
  int64_t x = 0, y = 0;
  Jbig2Combination op = Jbig2Combination::Or;
  bool read(const uint8_t* data, std::size_t size) {
    if (size < 17) return false;
    const uint32_t w = be32(data), h = be32(data + 4);
    if (w > static_cast<uint32_t>(kMaxJbig2BitmapSide)) return false;
    width = static_cast<int32_t>(w);
    // An unknown height (striped pages) is resolved by the caller.
    height = h > static_cast<uint32_t>(kMaxJbig2BitmapSide) ? -1 : static_cast<int32_t>(h);
    x = be32(data + 8);
    y = be32(data + 12);
    op = combination(data[16] & 7);
    return true;
  }
};

C_PDF_JBIG2::C_PDF_JBIG2(int64_t workPixels) { budget_.pixelsLeft = workPixels; }

C_PDF_JBIG2::~C_PDF_JBIG2() = default;

void C_PDF_JBIG2::decode(const uint8_t* globals, std::size_t globalsSize, const uint8_t* data,
                         std::size_t size) {
  if (globals && globalsSize && !readSegments(globals, globalsSize)) return;
  if (data && size) readSegments(data, size);
}

bool C_PDF_JBIG2::readSegments(const uint8_t* data, std::size_t size) {
  std::size_t pos = 0;
  while (pos < size) {
    if (segments_.size() >= kMaxJbig2Segments || budget_.exhausted()) return false;
    Header h;
    if (pos + 6 > size) return false;
    h.number = be32(data + pos);
    const uint8_t flags = data[pos + 4];
    h.type = flags & 0x3F;
    const bool longPage = flags & 0x40;
    pos += 5;
    uint32_t count = data[pos] >> 5;
    if (count == 7) {
      if (pos + 4 > size) return false;
      count = be32(data + pos) & 0x1FFFFFFF;
      if (count > kMaxJbig2ReferredSegments) return false;
      pos += 4 + (count + 8) / 8;
    } else if (count > 4) {
      return false;
    } else {
      pos += 1;
    }
    const int refSize = h.number <= 256 ? 1 : h.number <= 65536 ? 2 : 4;
    if (pos + std::size_t{count} * refSize > size) return false;
    h.referred.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* p = data + pos + std::size_t{i} * refSize;
      h.referred.push_back(refSize == 1 ? p[0] : refSize == 2 ? be16(p) : be32(p));
    }
    pos += std::size_t{count} * refSize;
    const std::size_t pageSize = longPage ? 4 : 1;
    if (pos + pageSize + 4 > size) return false;
    h.page = longPage ? be32(data + pos) : data[pos];
    pos += pageSize;
    h.length = be32(data + pos);
    pos += 4;
    std::size_t length = h.length;
    if (h.length == kUnknownLength) {
      // Only immediate generic regions may leave their length open.
      if (h.type != 38 && h.type != 39) return false;
      const bool mmr = pos + 17 < size && (data[pos + 17] & 1);
      length = findUnknownLength(data, size, pos + 18, mmr) - pos;
    }
    length = std::min(length, size - pos);
    if (!runSegment(h, data + pos, length)) return false;
    pos += length;
  }
  return true;
}

bool C_PDF_JBIG2::runSegment(const Header& h, const uint8_t* data, std::size_t size) {
  switch (h.type) {
    case 0:
      return symbolDict(h, data, size);
    case 4:
    case 6:
    case 7:
      textRegion(h, data, size);
      break;
    case 16:
      patternDict(h, data, size);
      break;
    case 20:
    case 22:
    case 23:
      halftoneRegion(h, data, size);
      break;
    case 36:
    case 38:
    case 39:
      genericRegion(h, data, size);
      break;
    case 40:
    case 42:
    case 43:
      refinementRegion(h, data, size);
      break;
    case 48:
      pageInfo(data, size);
      break;
    case 50:
      endOfStripe(data, size);
      break;
    case 53:
      codeTable(h, data, size);
      break;
    default:
      break;  // end of page or file, profiles, extensions: nothing to draw
  }
  return true;
}

JBIG2Segment* C_PDF_JBIG2::find(uint32_t number) const {
  const auto it = byNumber_.find(number);
  return it == byNumber_.end() ? nullptr : it->second;
}

void C_PDF_JBIG2::store(std::unique_ptr<JBIG2Segment> segment) {
  byNumber_[segment->number()] = segment.get();
  segments_.push_back(std::move(segment));
}

void C_PDF_JBIG2::pageInfo(const uint8_t* data, std::size_t size) {
  if (size < 19 || havePage_) return;
  const uint32_t width = be32(data), height = be32(data + 4);
  const uint8_t flags = data[16];
  pageDefaultPixel_ = (flags >> 2) & 1;
  pageHeightUnknown_ = height == 0xFFFFFFFF;
  const int64_t side = pageHeightUnknown_ ? width : height;
  const int64_t pixels =
      width && side > kMaxJbig2BitmapPixels / width ? kMaxJbig2BitmapPixels : int64_t{width} * side;
  budget_.pixelsLeft =
      std::min(budget_.pixelsLeft, kJbig2WorkAllowance + kJbig2WorkPerPagePixel * pixels);
  pageWidth_ = width;
  pageHeight_ = pageHeightUnknown_ ? 0 : height;
  // The page is allocated when something is drawn on it; the size is checked (and paid for) now.
  const int64_t h = pageHeight_;
  havePage_ = width <= static_cast<uint32_t>(kMaxJbig2BitmapSide) && h <= kMaxJbig2BitmapSide &&
              int64_t{width} * h <= kMaxJbig2BitmapPixels && budget_.take(int64_t{width} * h + 64);
}

JBIG2Bitmap* C_PDF_JBIG2::drawnPage() {
  if (!page_ && havePage_) {
    Jbig2Budget paid;  // charged by the page information segment
    page_ = JBIG2Bitmap::create(pageWidth_, pageHeight_, paid);
    if (page_ && pageDefaultPixel_) page_->fill(1);
    if (!page_) havePage_ = false;
  }
  return page_.get();
}

std::unique_ptr<JBIG2Bitmap> C_PDF_JBIG2::takePage() {
  drawnPage();
  return std::move(page_);
}

void C_PDF_JBIG2::endOfStripe(const uint8_t* data, std::size_t size) {
  if (size < 4 || !pageHeightUnknown_ || !drawnPage()) return;
  page_->growHeight(int64_t{be32(data)} + 1, pageDefaultPixel_, budget_);
}

void C_PDF_JBIG2::codeTable(const Header& h, const uint8_t* data, std::size_t size) {
  auto table = std::make_unique<JBIG2CodeTable>(h.number);
  if (table->parse(data, size)) store(std::move(table));
}

void C_PDF_JBIG2::placeRegion(const Header& h, const RegionInfo& info,
                              std::unique_ptr<JBIG2Bitmap> bitmap) {
  if (!bitmap) return;
  const bool intermediate = h.type == 4 || h.type == 20 || h.type == 36 || h.type == 40;
  if (intermediate) {
    // Kept under its segment number for a later refinement.
    bitmap->setNumber(h.number);
    store(std::move(bitmap));
    return;
  }
  if (!havePage_) return;
  // A region that covers a still white page exactly becomes the page (the common single-region
  // page), saving a pass over it.
  if (!page_ && !pageHeightUnknown_ && pageDefaultPixel_ == 0 && info.x == 0 && info.y == 0 &&
      bitmap->width() == static_cast<int64_t>(pageWidth_) &&
      bitmap->height() == static_cast<int64_t>(pageHeight_) && info.op != Jbig2Combination::And) {
    if (info.op == Jbig2Combination::Xnor) bitmap->invert();
    page_ = std::move(bitmap);
    return;
  }
  if (!drawnPage()) return;
  if (pageHeightUnknown_) page_->growHeight(info.y + bitmap->height(), pageDefaultPixel_, budget_);
  page_->compose(*bitmap, info.x, info.y, info.op, budget_);
}

bool C_PDF_JBIG2::symbolDict(const Header& h, const uint8_t* data, std::size_t size) {
  Jbig2SymbolDictInput input;
  for (uint32_t number : h.referred) {
    JBIG2Segment* s = find(number);
    if (!s) continue;
    if (s->kind() == JBIG2SegmentKind::SymbolDict) {
      auto* dict = static_cast<JBIG2SymbolDict*>(s);
      for (const auto& symbol : dict->symbols) {
        if (input.inputSymbols.size() >= kMaxJbig2Symbols) break;
        input.inputSymbols.push_back(symbol.get());
      }
      input.previous = dict;
    } else if (s->kind() == JBIG2SegmentKind::CodeTable) {
      input.customTables.push_back(static_cast<JBIG2CodeTable*>(s));
    }
  }
  auto dict = jbig2DecodeSymbolDict(h.number, data, size, input, budget_);
  // Text regions cannot do without their symbols: a broken dictionary ends decoding.
  if (!dict) return false;
  store(std::move(dict));
  return true;
}

void C_PDF_JBIG2::textRegion(const Header& h, const uint8_t* data, std::size_t size) {
  RegionInfo info;
  if (!info.read(data, size) || info.height < 0 || size < 19) return;
  std::size_t pos = 17;
  const uint16_t flags = be16(data + pos);
  pos += 2;
  Jbig2TextParams p;
  p.huffman = flags & 1;
  p.refine = flags & 2;
  p.logStrips = (flags >> 2) & 3;
  p.corner = static_cast<Jbig2Corner>((flags >> 4) & 3);
  p.transposed = flags & 0x40;
  p.op = combination((flags >> 7) & 3);
  p.defaultPixel = (flags >> 9) & 1;
  int32_t dsOffset = (flags >> 10) & 0x1F;
  p.dsOffset = dsOffset >= 16 ? dsOffset - 32 : dsOffset;
  p.refTemplate = (flags >> 15) & 1;
  uint16_t huffFlags = 0;
  if (p.huffman) {
    if (pos + 2 > size) return;
    huffFlags = be16(data + pos);
    pos += 2;
  }
  if (p.refine && p.refTemplate == 0) {
    if (pos + 4 > size) return;
    for (int i = 0; i < 4; ++i) p.refAt[i] = static_cast<int8_t>(data[pos + i]);
    pos += 4;
  }
  if (pos + 4 > size) return;
  p.instances = be32(data + pos);
  pos += 4;
  p.width = info.width;
  p.height = info.height;

  std::vector<const JBIG2Bitmap*> symbols;
  std::vector<const JBIG2CodeTable*> custom;
  for (uint32_t number : h.referred) {
    JBIG2Segment* s = find(number);
    if (!s) continue;
    if (s->kind() == JBIG2SegmentKind::SymbolDict) {
      for (const auto& symbol : static_cast<JBIG2SymbolDict*>(s)->symbols) {
        if (symbols.size() >= kMaxJbig2Symbols) break;
        symbols.push_back(symbol.get());
      }
    } else if (s->kind() == JBIG2SegmentKind::CodeTable) {
      custom.push_back(static_cast<JBIG2CodeTable*>(s));
    }
  }
  p.symbols = &symbols;
  p.symbolCodeLength = codeLength(symbols.size());

  std::size_t nextCustom = 0;
  auto pick = [&](int selection, std::initializer_list<int> standard) -> const JBIG2CodeTable* {
    if (selection == 3) return nextCustom < custom.size() ? custom[nextCustom++] : nullptr;
    if (selection < static_cast<int>(standard.size()))
      return jbig2StandardTable(standard.begin()[selection]);
    return nullptr;
  };
  const uint8_t* body = data + pos;
  const std::size_t bodySize = size - pos;
  Jbig2BitReader bits(body, bodySize);
  JBIG2CodeTable symbolCodes;
  if (p.huffman) {
    p.fs = pick(huffFlags & 3, {6, 7});
    p.ds = pick((huffFlags >> 2) & 3, {8, 9, 10});
    p.dt = pick((huffFlags >> 4) & 3, {11, 12, 13});
    p.rdw = pick((huffFlags >> 6) & 3, {14, 15});
    p.rdh = pick((huffFlags >> 8) & 3, {14, 15});
    p.rdx = pick((huffFlags >> 10) & 3, {14, 15});
    p.rdy = pick((huffFlags >> 12) & 3, {14, 15});
    p.rsize = (huffFlags >> 14) & 1 ? pick(3, {}) : jbig2StandardTable(1);
    if (!p.fs || !p.ds || !p.dt || !p.rdw || !p.rdh || !p.rdx || !p.rdy || !p.rsize) return;
    // The symbol identifiers' own code, itself coded by run-length codes.
    std::vector<int32_t> runLengths(kRunCodeCount);
    for (int i = 0; i < kRunCodeCount; ++i) runLengths[i] = static_cast<int32_t>(bits.readBits(4));
    JBIG2CodeTable runCodes;
    if (!jbig2BuildLengthTable(runLengths, runCodes)) return;
    std::vector<int32_t> lengths;
    lengths.reserve(symbols.size());
    while (lengths.size() < symbols.size()) {
      int32_t code;
      if (runCodes.decode(bits, code) != JBIG2CodeTable::Result::Value) return;
      if (code < 32) {
        lengths.push_back(code);
        continue;
      }
      int32_t repeat, value = 0;
      if (code == 32) {
        if (lengths.empty()) return;
        value = lengths.back();
        repeat = 3 + static_cast<int32_t>(bits.readBits(2));
      } else if (code == 33) {
        repeat = 3 + static_cast<int32_t>(bits.readBits(3));
      } else {
        repeat = 11 + static_cast<int32_t>(bits.readBits(7));
      }
      for (int32_t i = 0; i < repeat && lengths.size() < symbols.size(); ++i)
        lengths.push_back(value);
    }
    bits.alignToByte();
    if (!symbols.empty() && !jbig2BuildLengthTable(lengths, symbolCodes)) return;
    p.symbolCodes = &symbolCodes;
  }
  Jbig2ArithDecoder arith(body, bodySize);
  Jbig2TextContexts contexts(p.huffman ? 0 : p.symbolCodeLength);
  auto region = jbig2DecodeTextRegion(p, p.huffman ? nullptr : &arith, p.huffman ? &bits : nullptr,
                                      contexts, budget_);
  placeRegion(h, info, std::move(region));
}

void C_PDF_JBIG2::patternDict(const Header& h, const uint8_t* data, std::size_t size) {
  auto dict = jbig2DecodePatternDict(h.number, data, size, budget_);
  if (dict) store(std::move(dict));
}

void C_PDF_JBIG2::halftoneRegion(const Header& h, const uint8_t* data, std::size_t size) {
  RegionInfo info;
  if (!info.read(data, size) || info.height < 0) return;
  const JBIG2PatternDict* dict = nullptr;
  for (uint32_t number : h.referred) {
    JBIG2Segment* s = find(number);
    if (s && s->kind() == JBIG2SegmentKind::PatternDict) dict = static_cast<JBIG2PatternDict*>(s);
  }
  if (!dict) return;
  placeRegion(h, info,
              jbig2DecodeHalftone(data + 17, size - 17, info.width, info.height, *dict, budget_));
}

void C_PDF_JBIG2::genericRegion(const Header& h, const uint8_t* data, std::size_t size) {
  RegionInfo info;
  if (!info.read(data, size) || size < 18) return;
  const uint8_t flags = data[17];
  std::size_t pos = 18;
  const bool mmr = flags & 1;
  Jbig2GenericParams p;
  p.templateId = (flags >> 1) & 3;
  p.tpgdon = flags & 8;
  jbig2NominalAt(p.templateId, p.at);
  if (!mmr) {
    const std::size_t n = p.templateId == 0 ? 8 : 2;
    if (pos + n > size) return;
    for (std::size_t i = 0; i < n; ++i) p.at[i] = static_cast<int8_t>(data[pos + i]);
    pos += n;
  }
  std::size_t end = size;
  if (h.length == kUnknownLength && size >= pos + 6) {
    // The region ends with its marker and its real row count.
    end = size - 6;
    const uint32_t rows = be32(data + size - 4);
    if (info.height < 0 || rows < static_cast<uint32_t>(info.height))
      info.height = static_cast<int32_t>(std::min<uint32_t>(rows, kMaxJbig2BitmapSide));
  }
  if (info.height < 0) return;
  p.width = info.width;
  p.height = info.height;
  std::unique_ptr<JBIG2Bitmap> bitmap;
  if (mmr) {
    bitmap = jbig2DecodeGenericMmr(p.width, p.height, data + pos, end - pos, nullptr, budget_);
  } else {
    Jbig2ArithDecoder decoder(data + pos, end - pos);
    std::vector<uint8_t> contexts;
    bitmap = jbig2DecodeGeneric(p, decoder, contexts, budget_);
  }
  placeRegion(h, info, std::move(bitmap));
}

void C_PDF_JBIG2::refinementRegion(const Header& h, const uint8_t* data, std::size_t size) {
  RegionInfo info;
  if (!info.read(data, size) || info.height < 0 || size < 18) return;
  const uint8_t flags = data[17];
  std::size_t pos = 18;
  Jbig2RefinementParams p;
  p.templateId = flags & 1;
  p.tpgron = flags & 2;
  if (p.templateId == 0) {
    if (pos + 4 > size) return;
    for (int i = 0; i < 4; ++i) p.at[i] = static_cast<int8_t>(data[pos + i]);
    pos += 4;
  }
  p.width = info.width;
  p.height = info.height;
  std::unique_ptr<JBIG2Bitmap> pagePart;
  for (uint32_t number : h.referred) {
    JBIG2Segment* s = find(number);
    if (s && s->kind() == JBIG2SegmentKind::Bitmap) p.reference = static_cast<JBIG2Bitmap*>(s);
  }
  if (!p.reference) {
    // Without a referred region the page itself, where the region lies, is refined.
    if (!drawnPage()) return;
    if (pageHeightUnknown_) page_->growHeight(info.y + info.height, pageDefaultPixel_, budget_);
    pagePart = page_->crop(static_cast<int32_t>(std::min<int64_t>(info.x, kMaxJbig2BitmapSide)),
                           static_cast<int32_t>(std::min<int64_t>(info.y, kMaxJbig2BitmapSide)),
                           info.width, info.height, budget_);
    if (!pagePart) return;
    p.reference = pagePart.get();
  }
  Jbig2ArithDecoder decoder(data + pos, size - pos);
  std::vector<uint8_t> contexts;
  auto bitmap = jbig2DecodeRefinement(p, decoder, contexts, budget_);
  placeRegion(h, info, std::move(bitmap));
}
