// The page text collector: shown codes become units in page units, kept only inside the clip,
// ordered along their baselines when the page ends.

#include <gtest/gtest.h>

#include "engine/layout/page_text_collector.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_export.h"

namespace {

constexpr float kNear = 0.001f;

// A code shown at device (x, y) with a wide-open clip.
ShownGlyph shownAt(std::u16string_view text, double x, double y, double advance = 20,
                   double height = 20) {
  ShownGlyph g;
  g.text = text;
  g.originX = x;
  g.originY = y;
  g.advance = advance;
  g.height = height;
  g.clipLeft = -1e6;
  g.clipTop = -1e6;
  g.clipRight = 1e6;
  g.clipBottom = 1e6;
  return g;
}

TEST(PageTextCollector, UnitsShareTheAdvanceInPageUnits) {
  // Two device pixels per page unit; a code of two units 20 pixels wide.
  PageTextCollector collector(2);
  ShownGlyph g = shownAt(u"fi", 40, 100);
  g.sequence = 7;
  collector.add(g);
  collector.add(shownAt(u"", 80, 100));
  const auto& glyphs = collector.glyphs();
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0].unit, u'f');
  EXPECT_EQ(glyphs[1].unit, u'i');
  EXPECT_NEAR(glyphs[0].x, 20, kNear);
  EXPECT_NEAR(glyphs[1].x, 25, kNear);
  EXPECT_NEAR(glyphs[1].y, 50, kNear);
  EXPECT_NEAR(glyphs[1].width, 5, kNear);
  EXPECT_NEAR(glyphs[1].height, 10, kNear);
  EXPECT_EQ(glyphs[1].sequence, 7);
}

TEST(PageTextCollector, TheClipKeepsUnitsWhoseMiddleIsInside) {
  PageTextCollector collector(1);
  // Clip from x 0 to 25: the first unit (0..10) is inside, the second (10..20) reaches the clip
  // with its middle, the third (20..30) has its centre beyond the clip's edge plus a quarter.
  ShownGlyph g = shownAt(u"abc", 0, 50, 30, 10);
  g.clipLeft = 0;
  g.clipRight = 16;
  g.clipTop = 0;
  g.clipBottom = 100;
  collector.add(g);
  ASSERT_EQ(collector.glyphs().size(), 2u);
  EXPECT_EQ(collector.glyphs()[1].unit, u'b');

  // A clip narrower than half a unit keeps nothing, even around the unit's centre.
  PageTextCollector narrow(1);
  ShownGlyph n = shownAt(u"a", 0, 50, 10, 10);
  n.clipLeft = 4;
  n.clipRight = 8;
  n.clipTop = 0;
  n.clipBottom = 100;
  narrow.add(n);
  EXPECT_TRUE(narrow.glyphs().empty());
}

TEST(PageTextCollector, FarOffAndRotatedText) {
  PageTextCollector collector(1);
  collector.add(shownAt(u"x", 1e12, 10));
  EXPECT_TRUE(collector.glyphs().empty());

  // Upwards text: the second unit sits above the first on the page.
  ShownGlyph up = shownAt(u"ab", 100, 80, 20, 10);
  up.orientation = 90;
  collector.add(up);
  ASSERT_EQ(collector.glyphs().size(), 2u);
  EXPECT_NEAR(collector.glyphs()[1].x, 100, kNear);
  EXPECT_NEAR(collector.glyphs()[1].y, 70, kNear);
  EXPECT_EQ(collector.glyphs()[1].orientation, 90);
}

TEST(PageTextCollector, FinishOrdersEachBaselineAndBuildsTheLayout) {
  PageTextCollector collector(1);
  collector.add(shownAt(u"B", 40, 50, 10));
  collector.add(shownAt(u"A", 10, 50.5, 10));
  collector.add(shownAt(u"C", 10, 80, 10));
  std::u16string seen;
  setPageTextObserver([&](const std::vector<CollectedGlyph>& glyphs) {
    for (const CollectedGlyph& g : glyphs) seen.push_back(g.unit);
  });
  PageTextLayout layout;
  collector.finish(layout);
  setPageTextObserver(nullptr);
  EXPECT_EQ(seen, u"ABC");
  EXPECT_TRUE(layout.built());
  EXPECT_TRUE(collector.glyphs().empty());
  EXPECT_EQ(text_export::pageText(layout), "A B\nC\n");
}

}  // namespace
