// Finding phrases in text runs.

#include <gtest/gtest.h>

#include <memory>

#include "engine/layout/text_search.h"
#include "engine/layout/unicode_text.h"

namespace {

// Runs linked in order, one per line.
struct Runs {
  std::vector<std::unique_ptr<TextRun>> runs;
  explicit Runs(std::initializer_list<std::u16string> texts) {
    for (const auto& t : texts) {
      runs.push_back(std::make_unique<TextRun>());
      runs.back()->text = t;
      runs.back()->positions.assign(t.size(), 0);
      runs.back()->line = static_cast<int32_t>(runs.size()) - 1;
      if (runs.size() > 1) {
        runs[runs.size() - 2]->next = runs.back().get();
        runs.back()->previous = runs[runs.size() - 2].get();
      }
    }
  }
  TextRun* operator[](std::size_t i) const { return runs[i].get(); }
};

void expectHit(const std::optional<TextHit>& hit, const TextRun* run, int32_t start,
               const TextRun* endRun, int32_t end) {
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->run, run);
  EXPECT_EQ(hit->start, start);
  EXPECT_EQ(hit->endRun, endRun);
  EXPECT_EQ(hit->end, end);
}

}  // namespace

TEST(TextSearch, ForwardAcrossRunsAndAgain) {
  Runs page{u"find a", u"", u"b then a b", u"a", u"b"};
  TextSearch search(u"a b", true);
  // "a" ends the first run, "b" starts the next run with text: the boundary is the blank.
  auto hit = search.findForward(page[0], 0);
  expectHit(hit, page[0], 5, page[2], 0);
  EXPECT_EQ(TextSearch::hitText(*hit), u"a b");
  // Searching again from the character after the hit's start finds the next one, on one run.
  hit = search.findForward(hit->run, hit->start + 1);
  expectHit(hit, page[2], 7, page[2], 9);
  hit = search.findForward(hit->run, hit->start + 1);
  expectHit(hit, page[3], 0, page[4], 0);
  EXPECT_FALSE(search.findForward(hit->run, hit->start + 1));

  // A shorter match inside a longer partial one is still found at the boundary.
  Runs overlap{u"a a", u"aa"};
  expectHit(TextSearch(u"a aa", true).findForward(overlap[0], 0), overlap[0], 2, overlap[1], 1);
  // No match, and a phrase that only a boundary would match shows nothing.
  EXPECT_FALSE(search.findForward(overlap[0], 0));
  Runs words{u"ab", u"cd"};
  EXPECT_FALSE(TextSearch(u" ", true).findForward(words[0], 0));
  EXPECT_TRUE(TextSearch(u"", true).empty());
}

TEST(TextSearch, CaseAndBackward) {
  Runs page{u"The PDF file", u"a pdf and a Pdf"};
  TextSearch exact(u"pdf", true);
  TextSearch folded(u"pdf", false);
  expectHit(exact.findForward(page[0], 0), page[1], 2, page[1], 4);
  expectHit(folded.findForward(page[0], 0), page[0], 4, page[0], 6);
  EXPECT_EQ(TextSearch::hitText(*folded.findForward(page[0], 0)), u"PDF");

  // Backward from the end: the last hit first, then the ones before it.
  auto hit = folded.findBackward(page[1], page[1]->length() - 1);
  expectHit(hit, page[1], 12, page[1], 14);
  hit = folded.findBackward(hit->endRun, hit->end - 1);
  expectHit(hit, page[1], 2, page[1], 4);
  hit = folded.findBackward(hit->endRun, hit->end - 1);
  expectHit(hit, page[0], 4, page[0], 6);
  EXPECT_FALSE(folded.findBackward(hit->endRun, hit->end - 1));
  expectHit(TextSearch(u"file a", true).findBackward(page[1], 100), page[0], 8, page[1], 0);

  // Folding is the same for every locale and covers more than ASCII.
  EXPECT_EQ(unicode_text::foldCase(u'\u03A3'), u'\u03C3');  // Σ
  EXPECT_EQ(unicode_text::foldCase(u'\u03C2'), u'\u03C3');  // final ς
  EXPECT_EQ(unicode_text::foldCase(u'\u0416'), u'\u0436');  // Ж
  EXPECT_EQ(unicode_text::foldCase(u'\u212A'), u'k');       // Kelvin sign
  EXPECT_EQ(unicode_text::foldCase(u'\u0101'), u'\u0101');  // already folded
  EXPECT_EQ(unicode_text::foldCase(u'\u0100'), u'\u0101');
}

TEST(TextSearch, HighlightMarks) {
  Runs page{u"one two", u"three"};
  const auto hit = TextSearch(u"two three", true).findForward(page[0], 0);
  ASSERT_TRUE(hit);
  markHit(*hit);
  EXPECT_EQ(page[0]->firstHighlighted, 4);
  EXPECT_EQ(page[0]->lastHighlighted, 6);
  EXPECT_EQ(page[1]->firstHighlighted, 0);
  EXPECT_EQ(page[1]->lastHighlighted, 4);
  clearMarks(page[0], page[1]);
  EXPECT_EQ(page[0]->firstHighlighted, -1);
  EXPECT_EQ(page[1]->lastHighlighted, -1);
}

TEST(TextSearch, ASuppliedComparisonDecidesWhenCaseIsIgnored) {
  // A locale in which dotless ı and I are the same letter, and i is not I.
  int calls = 0;
  auto turkish = [&calls](char16_t text, char16_t phrase) {
    ++calls;
    auto base = [](char16_t c) -> char16_t {
      if (c == u'I' || c == u'\u0131') return u'\u0131';
      if (c == u'i' || c == u'\u0130') return u'i';
      return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    };
    return base(text) == base(phrase);
  };
  Runs page{u"Istanbul ıSTANBUL istanbul"};
  TextSearch search(u"\u0131stanbul", false, turkish);
  auto hit = search.findForward(page[0], 0);
  expectHit(hit, page[0], 0, page[0], 7);
  hit = search.findForward(page[0], 1);
  expectHit(hit, page[0], 9, page[0], 16);
  EXPECT_FALSE(search.findForward(page[0], 10));
  // Each pair is asked about once; the text has few distinct characters.
  const int asked = calls;
  EXPECT_FALSE(search.findForward(page[0], 10));
  EXPECT_EQ(calls, asked);

  // The failure table follows the comparison too: "aA" then "aAb" overlaps under it.
  auto ascii = [](char16_t a, char16_t b) { return (a | 0x20) == (b | 0x20); };
  Runs overlap{u"AaAb"};
  expectHit(TextSearch(u"aab", false, ascii).findForward(overlap[0], 0), overlap[0], 1, overlap[0],
            3);
  // Case-sensitive searches never ask.
  EXPECT_FALSE(TextSearch(u"aab", true, ascii).findForward(overlap[0], 0));
}

TEST(TextSearch, LigaturesAndLongFoldingsReadAsTheirLetters) {
  // TeX fonts print "ﬁ" and "ﬄ" as one glyph; the text holds U+FB01 and U+FB04.
  Runs page{u"a \uFB01le is ba\uFB04ing", u"Stra\u00DFe and STRASSE"};
  for (bool caseSensitive : {true, false}) {
    SCOPED_TRACE(caseSensitive);
    expectHit(TextSearch(u"file", caseSensitive).findForward(page[0], 0), page[0], 2, page[0], 4);
    expectHit(TextSearch(u"affl", caseSensitive).findForward(page[0], 0), page[0], 10, page[0], 11);
    // Typed as a ligature, it finds the ligature.
    expectHit(TextSearch(u"\uFB01le", caseSensitive).findForward(page[0], 0), page[0], 2, page[0],
              4);
    // Backward the ligature's letters are matched last to first.
    expectHit(TextSearch(u"baffl", caseSensitive).findBackward(page[1], 100), page[0], 9, page[0],
              11);
    // A hit takes a ligature whole or not at all.
    EXPECT_FALSE(TextSearch(u"ile", caseSensitive).findForward(page[0], 0));
    EXPECT_FALSE(TextSearch(u"af", caseSensitive).findForward(page[0], 0));
    EXPECT_FALSE(TextSearch(u"f", caseSensitive).findBackward(page[0], 100));
  }
  // ß reads as "ss" only when case is ignored, with either comparison.
  expectHit(TextSearch(u"strasse", false).findForward(page[0], 0), page[1], 0, page[1], 5);
  expectHit(TextSearch(u"STRA\u00DFE", false).findBackward(page[1], 100), page[1], 11, page[1], 17);
  auto ascii = [](char16_t a, char16_t b) { return (a | 0x20) == (b | 0x20); };
  expectHit(TextSearch(u"strasse", false, ascii).findForward(page[0], 0), page[1], 0, page[1], 5);
  // A lone "s" is not half of ß.
  expectHit(TextSearch(u"s", false, ascii).findForward(page[1], 3), page[1], 11, page[1], 11);
  EXPECT_FALSE(TextSearch(u"strasse", true).findForward(page[0], 0));
  EXPECT_EQ(TextSearch::hitText(*TextSearch(u"file", false).findForward(page[0], 0)), u"\uFB01le");
}
