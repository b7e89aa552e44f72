// Tile geometry (resolutions, sub-bands, precincts, code blocks) and the inverse transforms.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/decode/jpx/jpx_tier2.h"
#include "engine/decode/jpx/jpx_transform.h"

namespace {

using namespace jpx;

// One tile covering the image area [x0, x1) × [y0, y1) of a single component.
CodeStream oneTile(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, int levels, bool reversible,
                   int ppx = 15, int cb = 6) {
  CodeStream cs;
  cs.width = x1, cs.height = y1, cs.x0 = x0, cs.y0 = y0;
  cs.tileWidth = x1, cs.tileHeight = y1;
  cs.tilesAcross = cs.tilesDown = 1;
  cs.components.resize(1);
  Tile t;
  t.seen = true;
  CodingStyle style;
  style.levels = levels;
  style.reversible = reversible;
  style.cbWidthExp = style.cbHeightExp = cb;
  for (int r = 0; r <= levels; ++r) style.ppx[r] = style.ppy[r] = uint8_t(ppx);
  t.coding.styles = {style};
  Quantisation q;
  q.count = 3 * levels + 1;
  for (int b = 0; b < q.count; ++b) q.exponent[b] = 9;
  t.coding.quant = {q};
  t.coding.roiShift = {0};
  cs.tiles = {t};
  return cs;
}

TEST(JpxGeometry, OddOriginsGiveTheBandsTheirShares) {
  CodeStream cs = oneTile(3, 1, 13, 10, 2, true);
  TileState st;
  ASSERT_TRUE(buildTile(cs, cs.tiles[0], st));
  const TileComponent& tc = st.components[0];
  ASSERT_EQ(tc.resolutions.size(), 3u);
  EXPECT_EQ(tc.resolutions[0].x0, 1);  // ceil(3 / 4)
  EXPECT_EQ(tc.resolutions[0].x1, 4);
  EXPECT_EQ(tc.resolutions[1].x0, 2);
  EXPECT_EQ(tc.resolutions[1].x1, 7);
  const Resolution& top = tc.resolutions[2];
  EXPECT_EQ(top.x1 - top.x0, 10);
  // HL of the top level: ceil((3 - 1) / 2) to ceil((13 - 1) / 2), beside the lower resolution.
  EXPECT_EQ(top.bands[0].x0, 1);
  EXPECT_EQ(top.bands[0].x1, 6);
  EXPECT_EQ(top.bands[0].offsetX, 5);
  EXPECT_EQ(top.bands[0].offsetY, 0);
  // LH: rows ceil((1 - 1) / 2) to ceil((10 - 1) / 2), below the lower resolution's 5 rows.
  EXPECT_EQ(top.bands[1].y0, 0);
  EXPECT_EQ(top.bands[1].y1, 5);
  EXPECT_EQ(top.bands[1].offsetY, tc.resolutions[1].y1 - tc.resolutions[1].y0);
  // Mb: guard bits + exponent - 1.
  EXPECT_EQ(top.bands[2].bitPlanes, 2 + 9 - 1);
  EXPECT_EQ(tc.ints.size(), 10u * 9u);
  EXPECT_TRUE(tc.floats.empty());
}

TEST(JpxGeometry, PrecinctsAndCodeBlocksTileTheBands) {
  // Precincts of 4 × 4 at every resolution; code blocks may not exceed half a precinct in
  // the bands of the higher resolutions.
  CodeStream cs = oneTile(3, 0, 13, 8, 1, true, 2, 2);
  TileState st;
  ASSERT_TRUE(buildTile(cs, cs.tiles[0], st));
  const Resolution& top = st.components[0].resolutions[1];
  EXPECT_EQ(top.precinctsAcross, 4);  // floor(3 / 4) .. ceil(13 / 4)
  EXPECT_EQ(top.precinctsDown, 2);
  // The first precinct spans resolution columns 0..4, clipped to 3..4: HL column 1 only, rows
  // 0..2; one code block.
  const PrecinctBand& hl = top.precincts[0].bands[0];
  ASSERT_EQ(hl.blocks.size(), 1u);
  EXPECT_EQ(hl.blocks[0].x0, 1);
  EXPECT_EQ(hl.blocks[0].x1, 2);
  EXPECT_EQ(hl.blocks[0].y1, 2);
  // The next one takes HL columns 2..4, one block of 2 × 2.
  const PrecinctBand& next = top.precincts[1].bands[0];
  ASSERT_EQ(next.blocks.size(), 1u);
  EXPECT_EQ(next.blocks[0].x0, 2);
  EXPECT_EQ(next.blocks[0].x1, 4);
  // Where the position-driven orders meet each precinct: its corner, or the tile's.
  EXPECT_EQ(top.precincts[0].refX, 3u);
  EXPECT_EQ(top.precincts[1].refX, 4u);
  EXPECT_EQ(top.precincts[4].refY, 4u);
  // The tag trees cover the blocks and every coarser level up to one root.
  EXPECT_EQ(hl.inclusion.nodes.size(), 1u);
  TagTree t;
  t.build(3, 2);
  ASSERT_EQ(t.nodes.size(), 6u + 2u + 1u);
  EXPECT_EQ(t.nodes[2].parent, 7);
  EXPECT_EQ(t.nodes[5].parent, 7);
  EXPECT_EQ(t.nodes[7].parent, 8);
  EXPECT_EQ(t.nodes[8].parent, -1);
}

TEST(JpxGeometry, TooManyCodeBlocksMakeTheTileUnusable) {
  CodeStream cs = oneTile(0, 0, 60000, 60000, 1, true, 15, 2);
  TileState st;
  EXPECT_FALSE(buildTile(cs, cs.tiles[0], st));
}

TEST(JpxWavelet, ConstantLowPassGivesConstantSamples) {
  for (bool reversible : {true, false}) {
    for (uint32_t x0 : {0u, 3u}) {
      SCOPED_TRACE(reversible ? "5/3" : "9/7");
      CodeStream cs = oneTile(x0, x0, x0 + 11, x0 + 7, 3, reversible);
      TileState st;
      ASSERT_TRUE(buildTile(cs, cs.tiles[0], st));
      TileComponent& tc = st.components[0];
      const Resolution& ll = tc.resolutions[0];
      for (int y = 0; y < ll.y1 - ll.y0; ++y)
        for (int x = 0; x < ll.x1 - ll.x0; ++x) {
          const std::size_t at = std::size_t(y) * tc.width() + x;
          if (reversible)
            tc.ints[at] = 40;
          else
            tc.floats[at] = 40.0f;
        }
      inverseWavelet(tc);
      for (std::size_t i = 0; i < std::size_t(tc.width()) * tc.height(); ++i) {
        if (reversible)
          ASSERT_EQ(tc.ints[i], 40) << i;
        else
          ASSERT_NEAR(tc.floats[i], 40.0f, 0.01f) << i;
      }
    }
  }
}

TEST(JpxWavelet, SingleSamplesAndTheReversibleSteps) {
  // One column at an odd position is a high-pass sample: it is halved.
  CodeStream cs = oneTile(1, 0, 2, 1, 1, true);
  TileState st;
  ASSERT_TRUE(buildTile(cs, cs.tiles[0], st));
  st.components[0].ints = {9};
  inverseWavelet(st.components[0]);
  EXPECT_EQ(st.components[0].ints[0], 4);
  // Two samples [low 5, high 2]: x0 = 5 - floor((2 + 2 + 2) / 4) = 4, x1 = 2 + floor((4 + 4) / 2).
  CodeStream pair = oneTile(0, 0, 2, 1, 1, true);
  ASSERT_TRUE(buildTile(pair, pair.tiles[0], st));
  st.components[0].ints = {5, 2};
  inverseWavelet(st.components[0]);
  EXPECT_EQ(st.components[0].ints, (std::vector<int32_t>{4, 6}));
}

TEST(JpxComponentTransform, ReversibleAndIrreversible) {
  TileState st;
  TileCoding coding;
  coding.mct = true;
  st.coding = &coding;
  st.components.resize(3);
  for (TileComponent& tc : st.components) {
    tc.x1 = 1, tc.y1 = 1;
    tc.style.reversible = true;
  }
  // R, G, B = 100, 50, 25 forwards: Y = floor(225 / 4), U = B - G, V = R - G.
  st.components[0].ints = {56};
  st.components[1].ints = {-25};
  st.components[2].ints = {50};
  inverseComponentTransform(st);
  EXPECT_EQ(st.components[0].ints[0], 100);
  EXPECT_EQ(st.components[1].ints[0], 50);
  EXPECT_EQ(st.components[2].ints[0], 25);
  for (TileComponent& tc : st.components) tc.style.reversible = false;
  st.components[0].floats = {100.0f};
  st.components[1].floats = {0.0f};
  st.components[2].floats = {10.0f};
  inverseComponentTransform(st);
  EXPECT_NEAR(st.components[0].floats[0], 114.02f, 0.01f);
  EXPECT_NEAR(st.components[1].floats[0], 92.859f, 0.01f);
  EXPECT_NEAR(st.components[2].floats[0], 100.0f, 0.01f);
  // Components of different sizes are left alone.
  st.components[2].x1 = 2;
  st.components[2].floats = {1.0f, 1.0f};
  inverseComponentTransform(st);
  EXPECT_NEAR(st.components[0].floats[0], 114.02f, 0.01f);
  EXPECT_NEAR(st.components[1].floats[0], 92.859f, 0.01f);
}

}  // namespace
