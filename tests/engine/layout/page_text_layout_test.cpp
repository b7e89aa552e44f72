// The page text layout: words, lines, columns and runs from glyph records.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "engine/layout/unicode_text.h"
#include "tests/engine/layout/glyph_text.h"

using layout_test::pageText;
using layout_test::place;

namespace {

std::vector<const TextRun*> runsOf(const PageTextLayout& layout) {
  std::vector<const TextRun*> runs;
  for (const TextRun* r = layout.firstRun(); r; r = r->next) runs.push_back(r);
  return runs;
}

}  // namespace

TEST(PageTextLayout, WordsFromGapsAndBlankGlyphs) {
  std::vector<CollectedGlyph> g;
  place(g, u"Hello world", 72, 100);                  // gap, no blank glyph
  place(g, u"spaced  out", 72, 120, 10, 0.5f, true);  // two blank glyphs
  place(g, u"ti", 72, 140);
  place(g, u"ght", 72 + 2 * 5 + 0.5f, 140);  // kerning-sized gap
  PageTextLayout layout;
  layout.build(g);
  EXPECT_TRUE(layout.built());
  EXPECT_EQ(text_export::pageText(layout), "Hello world\nspaced out\ntight\n");
  const TextRun* first = layout.firstRun();
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->positions.size(), first->text.size());
  EXPECT_FLOAT_EQ(first->positions[5], 72 + 5 * 5);  // the inserted blank starts where "o" ends
  EXPECT_FLOAT_EQ(first->positions[6], 72 + 6 * 5);
  EXPECT_FLOAT_EQ(first->baseline, 100);
  EXPECT_FLOAT_EQ(first->top, 90);
  EXPECT_FLOAT_EQ(first->right, 72 + 11 * 5);
  EXPECT_EQ(first->previous, nullptr);
  EXPECT_EQ(first->next->previous, first);
  EXPECT_EQ(layout.lastRun()->text, u"tight");
  layout.release();
  EXPECT_FALSE(layout.built());
  EXPECT_EQ(layout.firstRun(), nullptr);
}

TEST(PageTextLayout, ColumnsAreReadOneAfterTheOther) {
  // Drawn row by row across both columns, the worst order for a reader.
  auto twoColumns = [](float rightShift, bool title, bool caption) {
    std::vector<CollectedGlyph> g;
    if (title) place(g, u"A title across both columns of the page", 72, 70, 14, 0.5f);
    float y = 100;
    for (int block = 0; block < (caption ? 2 : 1); ++block) {
      const int lines = block == 0 ? 5 : 3;
      for (int i = 0; i < lines; ++i, y += 12) {
        const std::u16string n = std::u16string(1, char16_t(u'a' + block)) + char16_t(u'0' + i);
        place(g, u"left column text of line " + n + u" runs on", 72, y);
        place(g, u"right column text of line " + n + u" runs on", 320, y + rightShift);
      }
      if (caption && block == 0) {
        place(g, u"Figure 1: a caption that runs across the whole width of the page", 72, y + 6);
        y += 24;
      }
    }
    return g;
  };
  auto expected = [](bool title, bool caption) {
    std::string text = title ? "A title across both columns of the page\n" : "";
    for (int block = 0; block < (caption ? 2 : 1); ++block) {
      const int lines = block == 0 ? 5 : 3;
      for (const char* side : {"left", "right"})
        for (int i = 0; i < lines; ++i)
          text += std::string(side) + " column text of line " + char('a' + block) + char('0' + i) +
                  " runs on\n";
      if (caption && block == 0)
        text += "Figure 1: a caption that runs across the whole width of the page\n";
    }
    return text;
  };
  EXPECT_EQ(pageText(twoColumns(0, false, false)), expected(false, false));
  EXPECT_EQ(pageText(twoColumns(5, false, false)), expected(false, false));  // baselines apart
  EXPECT_EQ(pageText(twoColumns(0, true, false)), expected(true, false));
  EXPECT_EQ(pageText(twoColumns(0, true, true)), expected(true, true));

  PageTextLayout layout;
  layout.build(twoColumns(0, false, false));
  const auto runs = runsOf(layout);
  ASSERT_EQ(runs.size(), 10u);
  EXPECT_EQ(runs[0]->column, 0);
  EXPECT_EQ(runs[5]->column, 1);
  EXPECT_EQ(runs[5]->line, 5);
}

TEST(PageTextLayout, ListsAndRowsStayOnTheirLines) {
  // Bullets and short labels beside wide text are not columns.
  std::vector<CollectedGlyph> g;
  for (int i = 0; i < 4; ++i) {
    place(g, u"\u2022", 72, 100 + 12 * i);
    place(g, u"an item of the list that is long enough", 90, 100 + 12 * i);
  }
  // A wide gap inside one line: the line has two runs.
  place(g, u"Contents", 72, 200);
  place(g, u"7", 500, 200);
  PageTextLayout layout;
  layout.build(g);
  EXPECT_EQ(text_export::pageText(layout),
            "\u2022 an item of the list that is long enough\n"
            "\u2022 an item of the list that is long enough\n"
            "\u2022 an item of the list that is long enough\n"
            "\u2022 an item of the list that is long enough\n"
            "Contents 7\n");
  const auto runs = runsOf(layout);
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[4]->text, u"Contents");
  EXPECT_EQ(runs[5]->text, u"7");
  EXPECT_EQ(runs[4]->line, runs[5]->line);
}

TEST(PageTextLayout, ScriptsDuplicatesAndHyphens) {
  std::vector<CollectedGlyph> g;
  // Superscript and subscript on their line, the next line close below.
  place(g, u"E = mc", 72, 100);
  place(g, u"2", 102, 96.5f, 7);
  place(g, u" is H", 105.5f, 100);
  place(g, u"2", 128, 102, 7);
  place(g, u"O", 131.5f, 100);
  place(g, u"the next line", 72, 112);
  // Fake bold: the same line drawn again slightly to the right.
  place(g, u"Hello bold", 72, 140);
  place(g, u"Hello bold", 72.4f, 140.2f);
  // A hyphen at the end of a line stays as printed.
  place(g, u"a hyphen-", 72, 160);
  place(g, u"ated word", 72, 172);
  EXPECT_EQ(pageText(g), "E = mc2 is H2O\nthe next line\nHello bold\na hyphen-\nated word\n");

  PageTextLayout layout;
  layout.build(g);
  EXPECT_FLOAT_EQ(layout.firstRun()->baseline, 100);  // the line's, not the superscript's
  EXPECT_FLOAT_EQ(layout.firstRun()->fontSize, 10);
}

TEST(PageTextLayout, RotatedTextAndSurrogatePairs) {
  std::vector<CollectedGlyph> g;
  place(g, u"upright", 72, 100);
  // Reading upwards along the left margin.
  const std::u16string side = u"Side";
  for (std::size_t i = 0; i < side.size(); ++i) {
    CollectedGlyph c;
    c.unit = side[i];
    c.x = 30;
    c.y = 700 - 5.0f * i;
    c.width = 5;
    c.height = 10;
    c.orientation = 90;
    g.push_back(c);
  }
  // U+1D400 as a surrogate pair, each half half the glyph.
  place(g, u"\U0001D400x", 72, 120);
  g[g.size() - 2].x = 72 + 2.5f;
  g.back().x = 77;
  PageTextLayout layout;
  layout.build(g);
  EXPECT_EQ(text_export::pageText(layout), "upright\n\xF0\x9D\x90\x80x\nSide\n");
  EXPECT_EQ(layout.lastRun()->orientation, 90);
  EXPECT_FLOAT_EQ(layout.lastRun()->baseline, 30);
}

// Columns written top to bottom, as text showing records them: each glyph from its top, along
// the column, with its baseline a quarter em left of the column's line.
TEST(PageTextLayout, VerticalColumnsAreReadFromTheRightInTiers) {
  std::vector<CollectedGlyph> g;
  auto column = [&](const std::u16string& text, float line, float top) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      CollectedGlyph c;
      c.unit = text[i];
      c.x = line - 2.5f;
      c.y = top + 10.0f * i;
      c.width = 10;
      c.height = 10;
      c.orientation = 270;
      g.push_back(c);
    }
  };
  // Two tiers of three columns each, 15 apart, drawn from the left; a page number across.
  for (int tier = 1; tier >= 0; --tier) {
    const float top = 50 + 150.0f * tier;
    const char16_t mark = tier == 0 ? u'a' : u'x';
    for (int k = 2; k >= 0; --k) {
      std::u16string text(10, static_cast<char16_t>(mark + k));
      column(text, 400 - 15.0f * k, top);
    }
  }
  place(g, u"12", 300, 400);
  PageTextLayout layout;
  layout.build(g);
  EXPECT_EQ(text_export::pageText(layout),
            "aaaaaaaaaa\nbbbbbbbbbb\ncccccccccc\nxxxxxxxxxx\nyyyyyyyyyy\nzzzzzzzzzz\n12\n");
  // The columns hold most of the page: the page number follows them.
  const TextRun* last = layout.lastRun()->previous;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->orientation, 270);
  // Along the run is down the page; its baseline is measured leftwards.
  EXPECT_FLOAT_EQ(last->positions[0], 200);
  EXPECT_FLOAT_EQ(last->baseline, -(370 - 2.5f));
}

TEST(PageTextLayout, MalformedRecordsNeverBreakIt) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> any(-2000, 2000);
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(),
                       -0.0f,
                       0,
                       1e30f,
                       -1e30f,
                       1e-30f};
  for (int round = 0; round < 50; ++round) {
    std::vector<CollectedGlyph> g(200 + round * 10);
    for (CollectedGlyph& c : g) {
      c.unit =
          static_cast<char16_t>(random() % 3 == 0 ? 0xD800 + random() % 0x800 : random() % 0x3000);
      c.x = random() % 9 == 0 ? odd[random() % 7] : any(random);
      c.y = random() % 9 == 0 ? odd[random() % 7] : any(random) / 4;
      c.width = random() % 9 == 0 ? odd[random() % 7] : any(random) / 100;
      c.height = random() % 9 == 0 ? odd[random() % 7] : any(random) / 50;
      c.orientation = random() % 5 == 0 ? static_cast<int32_t>(random()) : 0;
    }
    PageTextLayout layout;
    layout.build(g);
    const TextRun* previous = nullptr;
    for (const TextRun* r = layout.firstRun(); r; r = r->next) {
      ASSERT_EQ(r->previous, previous);
      ASSERT_FALSE(r->text.empty());
      ASSERT_EQ(r->positions.size(), r->text.size());
      for (std::size_t i = 0; i < r->text.size(); ++i) {
        // Every surrogate is half of a pair.
        if (unicode_text::isHighSurrogate(r->text[i])) {
          ASSERT_TRUE(i + 1 < r->text.size() && unicode_text::isLowSurrogate(r->text[i + 1]));
        }
        if (unicode_text::isLowSurrogate(r->text[i])) {
          ASSERT_TRUE(i > 0 && unicode_text::isHighSurrogate(r->text[i - 1]));
        }
      }
      previous = r;
    }
    ASSERT_EQ(previous, layout.lastRun());
  }
}
