// Code-stream headers and JP2 boxes: which marker values apply where, and how boxes are found.
#include <gtest/gtest.h>

#include <string>

#include "engine/decode/jpx/jpx_boxes.h"
#include "engine/decode/jpx/jpx_codestream.h"

namespace {

using namespace jpx;

// Writes marker segments and boxes byte by byte.
struct Writer {
  std::vector<uint8_t> d;
  Writer& u8(int v) {
    d.push_back(uint8_t(v));
    return *this;
  }
  Writer& u16(int v) { return u8(v >> 8).u8(v); }
  Writer& u32(uint32_t v) { return u16(int(v >> 16)).u16(int(v & 0xFFFF)); }
  Writer& bytes(std::initializer_list<int> list) {
    for (int v : list) u8(v);
    return *this;
  }
  Writer& segment(int marker, std::initializer_list<int> body) {
    u16(marker).u16(int(body.size()) + 2);
    return bytes(body);
  }
  Writer& box(const char* type, const std::vector<uint8_t>& body) {
    u32(uint32_t(body.size() + 8));
    for (int i = 0; i < 4; ++i) u8(type[i]);
    d.insert(d.end(), body.begin(), body.end());
    return *this;
  }
};

// SOC and SIZ for a w × h image of n 8-bit components in tiles of tw × th.
Writer start(uint32_t w, uint32_t h, int n = 1, uint32_t tw = 0, uint32_t th = 0) {
  Writer s;
  s.u16(0xFF4F).u16(0xFF51).u16(38 + 3 * n).u16(0).u32(w).u32(h).u32(0).u32(0);
  s.u32(tw ? tw : w).u32(th ? th : h).u32(0).u32(0).u16(n);
  for (int c = 0; c < n; ++c) s.bytes({7, 1, 1});
  return s;
}

// COD with the given levels and code-block style, 5/3; QCD without quantisation.
void codAndQcd(Writer& s, int levels = 1, int style = 0) {
  s.segment(0xFF52, {0, 0, 0, 1, 0, levels, 4, 4, style, 1});
  s.u16(0xFF5C).u16(3 + 3 * levels + 1).u8(0x40);
  for (int b = 0; b < 3 * levels + 1; ++b) s.u8(0x48);
}

void tilePart(Writer& s, int tile, std::initializer_list<int> header,
              std::initializer_list<int> data) {
  const uint32_t length = uint32_t(12 + header.size() + 2 + data.size());
  s.u16(0xFF90).u16(10).u16(tile).u32(length).u8(0).u8(0);
  s.bytes(header);
  s.u16(0xFF93);
  s.bytes(data);
}

TEST(JpxCodeStream, ComponentValuesWinOverDefaultsAndTileValuesOverMainOnes) {
  Writer s = start(64, 64, 3, 32, 64);
  // Main header: COC for component 1 before COD; QCC for component 2.
  s.segment(0xFF53, {1, 0, 2, 3, 3, 8, 0});
  codAndQcd(s, 1);
  s.segment(0xFF5D, {2, 0x22, 0x40, 0x40, 0x40, 0x40});
  // Tile 1 sets its own COD (three levels, 9/7) and a QCC for component 0.
  tilePart(s, 0, {}, {0});
  tilePart(s, 1,
           {0xFF, 0x52, 0, 12, 0, 2, 0, 3, 1, 3, 4, 4, 0, 0, 0xFF, 0x5D, 0, 6, 0, 0x42, 0x88, 0x99},
           {0, 0});
  s.u16(0xFFD9);
  CodeStream cs;
  ASSERT_TRUE(readCodeStream(s.d, cs));
  ASSERT_EQ(cs.tiles.size(), 2u);
  EXPECT_EQ(cs.tilesAcross, 2);
  const TileCoding& t0 = cs.tiles[0].coding;
  EXPECT_EQ(t0.styles[0].levels, 1);
  EXPECT_EQ(t0.styles[1].levels, 2);  // the main COC holds although COD came later
  EXPECT_EQ(t0.styles[1].cbWidthExp, 5);
  EXPECT_EQ(t0.styles[1].cbStyle, 8);
  EXPECT_FALSE(t0.styles[1].reversible);
  EXPECT_EQ(t0.quant[2].guardBits, 1);
  EXPECT_EQ(t0.quant[2].style, 2);
  const TileCoding& t1 = cs.tiles[1].coding;
  EXPECT_EQ(t1.order, Progression::RPCL);
  EXPECT_EQ(t1.layers, 3);
  EXPECT_TRUE(t1.mct);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(t1.styles[c].levels, 3);  // tile COD beats main COC
  EXPECT_EQ(t1.quant[0].style, 2);
  EXPECT_EQ(t1.quant[0].mantissa[0], 0x099);
  EXPECT_EQ(t1.quant[1].style, 0);
  EXPECT_EQ(cs.tiles[1].data.size(), 2u);
  EXPECT_FALSE(cs.truncated);
}

TEST(JpxCodeStream, TilePartsJoinAndPackedHeadersGoToTheirTileParts) {
  Writer s = start(16, 16);
  codAndQcd(s);
  // PPM: chunks of 2 and 1 bytes for the two tile parts, split over two segments.
  s.segment(0xFF60, {0, 0, 0, 0, 2, 0xA1});
  s.segment(0xFF60, {1, 0xA2, 0, 0, 0, 1, 0xB1});
  tilePart(s, 0, {}, {1, 2, 3});
  // The last tile part runs to the end of the data (length 0), with a PPT and a PLT.
  s.u16(0xFF90).u16(10).u16(0).u32(0).u8(1).u8(2);
  s.segment(0xFF61, {0, 0xC1});
  s.segment(0xFF58, {0, 0x55});
  s.u16(0xFF93).bytes({4, 5});
  CodeStream cs;
  ASSERT_TRUE(readCodeStream(s.d, cs));
  const Tile& t = cs.tiles[0];
  EXPECT_EQ(t.data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(t.hasPackedHeaders);
  EXPECT_EQ(t.packedHeaders, (std::vector<uint8_t>{0xA1, 0xA2, 0xC1, 0xB1}));
  EXPECT_TRUE(cs.truncated);  // no EOC
}

TEST(JpxCodeStream, RegionShiftAndProgressionChanges) {
  Writer s = start(16, 16, 2);
  codAndQcd(s);
  s.segment(0xFF5E, {1, 0, 7});
  // Two changes; a component end of 0 means 256 and is cut to the component count.
  s.segment(0xFF5F, {0, 0, 0, 1, 2, 1, 1, 1, 0, 0, 2, 6, 0, 4});
  tilePart(s, 0, {}, {});
  s.u16(0xFFD9);
  CodeStream cs;
  ASSERT_TRUE(readCodeStream(s.d, cs));
  const TileCoding& c = cs.tiles[0].coding;
  EXPECT_EQ(c.roiShift, (std::vector<int>{0, 7}));
  ASSERT_EQ(c.changes.size(), 2u);
  EXPECT_EQ(c.changes[0].layerEnd, 1);
  EXPECT_EQ(c.changes[0].resEnd, 2);
  EXPECT_EQ(c.changes[0].compEnd, 1);
  EXPECT_EQ(c.changes[0].order, Progression::RLCP);
  EXPECT_EQ(c.changes[1].resStart, 1);
  EXPECT_EQ(c.changes[1].compEnd, 2);
  EXPECT_EQ(c.changes[1].resEnd, 6);
  EXPECT_EQ(c.changes[1].order, Progression::CPRL);
}

TEST(JpxCodeStream, UnusableMainHeaders) {
  CodeStream cs;
  // No SOC, no SIZ, missing COD or QCD, a component of 17 bits, a zero sampling step,
  // code blocks of more than 4096 samples, a tile origin past the image origin.
  EXPECT_FALSE(readCodeStream(std::vector<uint8_t>{0xFF, 0x51}, cs));
  Writer noSiz;
  noSiz.u16(0xFF4F);
  codAndQcd(noSiz);
  EXPECT_FALSE(readCodeStream(noSiz.d, cs));
  Writer noQcd = start(8, 8);
  noQcd.segment(0xFF52, {0, 0, 0, 1, 0, 1, 4, 4, 0, 1});
  tilePart(noQcd, 0, {}, {});
  EXPECT_FALSE(readCodeStream(noQcd.d, cs));
  Writer deep = start(8, 8);
  deep.d[deep.d.size() - 3] = 16;
  codAndQcd(deep);
  tilePart(deep, 0, {}, {});
  EXPECT_FALSE(readCodeStream(deep.d, cs));
  Writer step = start(8, 8);
  step.d[step.d.size() - 1] = 0;
  EXPECT_FALSE(readCodeStream(step.d, cs));
  Writer blocks = start(8, 8);
  blocks.segment(0xFF52, {0, 0, 0, 1, 0, 1, 8, 8, 0, 1});
  EXPECT_FALSE(readCodeStream(blocks.d, cs));
  Writer origin;
  origin.u16(0xFF4F)
      .u16(0xFF51)
      .u16(41)
      .u16(0)
      .u32(8)
      .u32(8)
      .u32(2)
      .u32(2)
      .u32(8)
      .u32(8)
      .u32(3)
      .u32(0)
      .u16(1);
  origin.bytes({7, 1, 1});
  EXPECT_FALSE(readCodeStream(origin.d, cs));
  // A segment length running past the end keeps what came before.
  Writer cut = start(8, 8);
  codAndQcd(cut);
  tilePart(cut, 0, {}, {9});
  cut.u16(0xFF90).u16(200);
  ASSERT_TRUE(readCodeStream(cut.d, cs));
  EXPECT_TRUE(cs.truncated);
  EXPECT_EQ(cs.tiles[0].data, std::vector<uint8_t>{9});
}

TEST(Jp2Boxes, HeaderBoxesAndTheCodeStream) {
  Writer header;
  header.box("ihdr", {0, 0, 0, 1, 0, 0, 0, 1, 0, 3, 7, 7, 0, 0});
  header.box("colr", {1, 0, 0, 0, 0, 0, 18});
  header.box("colr", {1, 0, 0, 0, 0, 0, 16});  // only the first colour box counts
  // Palette of two entries, columns of 8 and 12 bits (the second signed).
  header.box("pclr", {0, 2, 2, 7, 0x8B, 10, 0x01, 0x23, 20, 0x0F, 0xFF});
  header.box("cmap", {0, 0, 1, 0, 0, 0, 1, 1});
  header.box("cdef", {0, 2, 0, 0, 0, 0, 0, 2, 0, 1, 0, 1, 0, 0});
  Writer file;
  file.box("jP  ", {0x0D, 0x0A, 0x87, 0x0A});
  file.box("jp2h", header.d);
  // The code stream box with an extended length.
  file.u32(1).bytes({'j', 'p', '2', 'c'}).u32(0).u32(16 + 3).bytes({0xFF, 0x4F, 0xAB});
  file.box("jp2c", {0xEE});
  Jp2Header h;
  ASSERT_TRUE(isJp2File(file.d));
  ASSERT_TRUE(readJp2(file.d, h));
  EXPECT_EQ(std::vector<uint8_t>(h.codeStream.begin(), h.codeStream.end()),
            (std::vector<uint8_t>{0xFF, 0x4F, 0xAB}));
  EXPECT_EQ(h.method, ColourMethod::Enumerated);
  EXPECT_EQ(h.enumerated, uint32_t(kEnumSycc));
  ASSERT_EQ(h.paletteEntries, 2);
  EXPECT_EQ(h.paletteDepth, (std::vector<uint8_t>{8, 12}));
  EXPECT_EQ(h.paletteSigned, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(h.palette, (std::vector<int32_t>{10, 0x123, 20, 0xFFF}));
  ASSERT_EQ(h.mapping.size(), 2u);
  EXPECT_EQ(h.mapping[1].type, 1);
  EXPECT_EQ(h.mapping[1].column, 1);
  ASSERT_EQ(h.channels.size(), 2u);
  EXPECT_EQ(h.channels[0].association, 2);
  EXPECT_EQ(h.channels[1].type, 1);
}

TEST(Jp2Boxes, DamagedBoxes) {
  Jp2Header h;
  // A code stream box whose length runs past the end takes what there is; one of length 0
  // runs to the end.
  Writer longer;
  longer.u32(100).bytes({'j', 'p', '2', 'c', 0xFF, 0x4F});
  ASSERT_TRUE(readJp2(longer.d, h));
  EXPECT_EQ(h.codeStream.size(), 2u);
  Writer open;
  open.box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}).u32(0).bytes({'j', 'p', '2', 'c', 0xFF, 0x4F, 1});
  h = {};
  ASSERT_TRUE(readJp2(open.d, h));
  EXPECT_EQ(h.codeStream.size(), 3u);
  // No code stream; a box shorter than its header ends the walk.
  Writer none;
  none.box("jP  ", {0x0D, 0x0A, 0x87, 0x0A}).u32(3).bytes({'j', 'p', '2', 'c', 0xFF, 0x4F});
  h = {};
  EXPECT_FALSE(readJp2(none.d, h));
  // A palette larger than its box, an ICC profile too short for a header: ignored.
  Writer header;
  header.box("pclr", {0, 200, 1, 7, 1, 2});
  header.box("colr", {2, 0, 0, 1, 2, 3});
  Writer file;
  file.box("jp2h", header.d).box("jp2c", {0xFF, 0x4F});
  h = {};
  ASSERT_TRUE(readJp2(file.d, h));
  EXPECT_EQ(h.paletteEntries, 0);
  EXPECT_EQ(h.method, ColourMethod::None);
}

}  // namespace
