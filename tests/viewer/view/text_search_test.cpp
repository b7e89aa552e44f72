// Searching from the find box through the real main window: the hit's page and highlight, F3,
// the wrap-around, "No matches found." and the progress window.

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "engine/layout/page_text_layout.h"
#include "tests/viewer/view/text_test_files.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/copy_dialog.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/view/copy_text.h"
#include "viewer/view/page_text_index.h"
#include "viewer/view/page_text_source.h"
#include "viewer/view/search_hits.h"
#include "viewer/view/selection_tracker.h"

namespace viewer_test {
namespace {

class TextSearchTest : public FrameFixture {
 protected:
  C_PDF_View* open(const std::vector<std::vector<std::string>>& pages, const std::string& name) {
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
    EXPECT_TRUE(frame->openFile(writePdf(textDocument(pages), name)));
    paint();
    return frame->activeView();
  }
  // Types into the find box and releases Enter there, as a user does.
  void findFromBox(const QString& text) {
    FindBox* box = frame->findBox();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
    waitForSearch();
    paint();
  }
  // A long search goes on on its thread; its outcome arrives through the event loop.
  void waitForSearch() {
    if (C_PDF_View* view = frame->activeView()) {
      EXPECT_TRUE(QTest::qWaitFor([view] { return !view->searching(); }, 5000));
    }
  }
  // The share of bluish pixels in the window rectangle of a hit's first run.
  double blueShare(C_PDF_View* view) {
    const auto& hit = view->searchHit();
    if (!hit) return 0;
    PageTextLayout* layout = view->textSource()->collectedLayout(hit->page);
    if (!layout) return 0;
    const TextRun& run = *layout->runs()[hit->startRun];
    const double scale = double(view->pageImage().width()) / 612.0;
    const QPoint o = view->pageOrigin();
    const QRect box(
        QPoint(o.x() + int(run.positions[hit->start] * scale), o.y() + int(run.top * scale)),
        QPoint(o.x() + int(run.positions[hit->end] * scale), o.y() + int(run.baseline * scale)));
    const QImage shot = view->viewport()->grab().toImage();
    int blue = 0, all = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x, ++all) {
        const QColor c(shot.pixel(x, y));
        if (c.blue() > c.red() + 40) ++blue;
      }
    return all ? double(blue) / all : 0;
  }
};

std::vector<std::vector<std::string>> zebraPages() {
  return {fillerPage(1), fillerPage(2),  {"the zebra runs", "no stripes here", "a zebra again"},
          fillerPage(4), {"last zebra"}, fillerPage(6)};
}

TEST_F(TextSearchTest, EnterOnPageOneShowsTheHitOnPageThreeHighlighted) {
  C_PDF_View* view = open(zebraPages(), "zebra.pdf");
  ASSERT_EQ(view->currentPage(), 1);
  EXPECT_EQ(blueShare(view), 0);
  findFromBox("zebra");
  EXPECT_EQ(view->currentPage(), 3);
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 3);
  EXPECT_EQ(view->searchHit()->start, 4);
  EXPECT_EQ(view->searchHit()->end, 8);
  EXPECT_GT(blueShare(view), 0.3);
  EXPECT_NE(view->highlightChecksum(), 0);
  // Copy is offered while something is highlighted.
  EXPECT_TRUE(frame->action(kCmdCopy)->isEnabled());
}

// The keys of every reader: Ctrl+F to the box with its text selected, Enter, F3 and Ctrl+G to
// the next hit, with Shift to the previous one, Escape back to the page; the status bar counts
// the hits as the pages become known, and the other hits of the page are highlighted lighter.
TEST_F(TextSearchTest, FindFromTheKeyboardWithTheHitCount) {
  C_PDF_View* view = open(zebraPages(), "keys.pdf");
  FindBox* box = frame->findBox();
  auto focused = [] { return QApplication::focusWidget(); };
  auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(focused(), key, modifiers);
    paint();
  };
  auto status = [&] { return frame->searchStatus()->text(); };
  auto at = [&](int page, int startRun) {
    return view->searchHit() && view->searchHit()->page == page &&
           view->searchHit()->startRun == startRun && view->currentPage() == page;
  };
  view->setFocus();
  // The box's placeholder is not a phrase: F3 before anything was typed finds nothing and says
  // nothing (a box would fail the test).
  press(Qt::Key_F3);
  EXPECT_FALSE(view->searchHit());
  press(Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(focused(), box);
  QTest::keyClicks(box, "zebra");
  press(Qt::Key_Return);
  ASSERT_TRUE(at(3, 0));
  // The keys stay in the box for the next Enter.
  EXPECT_EQ(focused(), box);
  // Pages 1 to 3 are known (the search read them): the count is a lower bound.
  EXPECT_TRUE(QTest::qWaitFor([&] { return status() == "Hit 1 of at least 2"; }, 1000))
      << status().toStdString();
  // The rest of the document is read, as in idle moments.
  while (view->textSource()->indexMore(1000, view->currentPage())) {
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return status() == "Hit 1 of 3"; }, 1000))
      << status().toStdString();

  // The page's other hit is highlighted, lighter than the current one.
  const std::vector<HitPlace>& hits = view->searchHits()->hitsOnPage(3);
  ASSERT_EQ(hits.size(), 2u);
  PageTextLayout* layout = view->textSource()->collectedLayout(3);
  PageGeometry g;
  g.width = 612;
  g.height = 792;
  g.scale = double(view->pageImage().width()) / 612.0;
  g.origin = view->pageOrigin();
  auto tint = [&](const HitPlace& h) {
    const QRect box = characterRect(*layout->runs()[h.startRun], h.start, h.end, g);
    const QImage shot = view->viewport()->grab().toImage();
    int light = 0, strong = 0, all = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x, ++all) {
        const QColor c(shot.pixel(x, y));
        const int d = c.blue() - c.red();
        if (d > 55)
          ++strong;
        else if (d > 20)
          ++light;
      }
    return std::pair<double, double>(double(light) / all, double(strong) / all);
  };
  EXPECT_GT(tint(hits[0]).second, 0.5);
  EXPECT_GT(tint(hits[1]).first, 0.5);
  EXPECT_LT(tint(hits[1]).second, 0.1);

  press(Qt::Key_F3);
  EXPECT_TRUE(at(3, hits[1].startRun));
  EXPECT_EQ(status(), "Hit 2 of 3");
  EXPECT_GT(tint(hits[0]).first, 0.5);
  press(Qt::Key_G, Qt::ControlModifier);
  EXPECT_TRUE(at(5, 0));
  EXPECT_EQ(status(), "Hit 3 of 3");
  press(Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_TRUE(at(3, hits[1].startRun));
  EXPECT_EQ(status(), "Hit 2 of 3");
  press(Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(at(3, 0));
  press(Qt::Key_Return);
  EXPECT_TRUE(at(3, hits[1].startRun));
  press(Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_TRUE(at(3, 0));
  EXPECT_EQ(status(), "Hit 1 of 3");

  // Escape gives the keys back to the page; Ctrl+F comes back with the text ready to type over.
  press(Qt::Key_Escape);
  EXPECT_EQ(focused(), view);
  press(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(focused(), box);
  EXPECT_EQ(box->selectedText(), "zebra");
  press(Qt::Key_Escape);
  ASSERT_EQ(focused(), view);
  // A click into the box readies it the same way.
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(5, box->height() / 2));
  EXPECT_EQ(focused(), box);
  EXPECT_EQ(box->selectedText(), "zebra");
  press(Qt::Key_Escape);
  ASSERT_EQ(focused(), view);
  press(Qt::Key_PageDown);
  EXPECT_EQ(view->currentPage(), 4);
  // Turning the page ends the search: no count, no highlight.
  EXPECT_TRUE(status().isEmpty());
  EXPECT_FALSE(view->searchHits()->active());
}

TEST(SearchHitCount, CountsAsFindNextGoesAcrossRunsAndLigatures) {
  const char16_t b = PageTextIndex::kBoundary;
  // Overlapping hits each count; a blank of the phrase matches a run boundary.
  EXPECT_EQ(countHits(TextSearch(u"aa", true), u"aaaa", 100), 3);
  EXPECT_EQ(countHits(TextSearch(u"a b", true), std::u16string(u"xa") + b + u"by a b", 100), 2);
  // A ligature reads as its letters and is taken whole.
  EXPECT_EQ(countHits(TextSearch(u"fi", false), u"\uFB01le FILE", 100), 2);
  EXPECT_EQ(countHits(TextSearch(u"il", false), u"\uFB01le", 100), 0);
  EXPECT_EQ(countHits(TextSearch(u"a", true), u"aaaa", 2), 2);
  EXPECT_EQ(countHits(TextSearch(u"a", true), u"", 100), 0);
}

TEST_F(TextSearchTest, F3FindsTheNextHitOnTheSamePageThenTheNextPage) {
  C_PDF_View* view = open(zebraPages(), "zebra_f3.pdf");
  findFromBox("zebra");
  ASSERT_TRUE(view->searchHit());
  const int firstRun = view->searchHit()->startRun;
  view->setFocus();
  QTest::keyClick(view, Qt::Key_F3);
  paint();
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 3);
  EXPECT_GT(view->searchHit()->startRun, firstRun);
  EXPECT_GT(blueShare(view), 0.3);
  QTest::keyClick(view, Qt::Key_F3);
  paint();
  EXPECT_EQ(view->currentPage(), 5);
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 5);
  // Pages 6 and then 1, where the search began: the search is over.
  MessageCapture boxes;
  QTest::keyClick(view, Qt::Key_F3);
  paint();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, kTextNoMatches);
  EXPECT_EQ(view->currentPage(), 5);
  EXPECT_FALSE(view->searchHit());
  EXPECT_TRUE(view->searchText().isEmpty());
}

TEST_F(TextSearchTest, PhraseNowhereLeavesTheViewWhereItWasAndShowsProgressOnLongSearches) {
  std::vector<std::vector<std::string>> pages;
  for (int p = 1; p <= 12; ++p) pages.push_back(fillerPage(p));
  C_PDF_View* view = open(pages, "twelve.pdf");
  frame->routeCommand(kCmdNextPage);
  paint();
  const int pos = view->verticalPos();
  int shown = 0;
  QObject::connect(view, &C_PDF_View::searchProgressShown, [&] { ++shown; });
  MessageCapture boxes;
  findFromBox("giraffe");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, kTextNoMatches);
  EXPECT_EQ(view->currentPage(), 2);
  EXPECT_EQ(view->verticalPos(), pos);
  EXPECT_EQ(shown, 1);
  // The window is gone once the search is over.
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->isVisible() && w->inherits("Corvalis::Viewer::C_Conversion_ProgressDialog"));
  // Every page's text is known now.
  EXPECT_EQ(view->textSource()->index().recorded(), 12);
}

// A search through a long document runs beside the event loop: timers fire and the window
// paints while it goes on, and it ends on the hit a search without a thread finds.
TEST_F(TextSearchTest, ALongSearchLeavesTheEventLoopFreeAndFindsTheSameHit) {
  constexpr int kPages = 60;
  std::vector<std::vector<std::string>> pages;
  for (int p = 1; p <= kPages; ++p) pages.push_back(fillerPage(p, 12));
  pages[54] = {"filler", "the okapi hides", "here"};
  C_PDF_View* view = open(pages, "long-search.pdf");
  int shown = 0;
  QObject::connect(view, &C_PDF_View::searchProgressShown, [&] { ++shown; });
  int firedWhileSearching = 0;
  QTimer ticker;
  ticker.setInterval(0);
  QObject::connect(&ticker, &QTimer::timeout, [&] { firedWhileSearching += view->searching(); });
  ticker.start();
  findFromBox("OKAPI");
  ticker.stop();
  EXPECT_EQ(shown, 1);
  EXPECT_GT(firedWhileSearching, 0);
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->currentPage(), 55);
  EXPECT_GT(blueShare(view), 0.3);

  SearchRequest request;
  request.phrase = u"OKAPI";
  request.pageCount = kPages;
  PageTextSource* source = view->textSource();
  const SearchOutcome here = findInDocument(*source, request, 0, {});
  ASSERT_TRUE(here.hit);
  EXPECT_EQ(here.hit->page, view->searchHit()->page);
  EXPECT_EQ(here.hit->startRun, view->searchHit()->startRun);
  EXPECT_EQ(here.hit->start, view->searchHit()->start);
  EXPECT_EQ(here.hit->end, view->searchHit()->end);
  // What the thread read of the pages is known here too.
  EXPECT_GE(source->index().recorded(), 55);

  // Going to another page gives a search under way up, window and all, and says nothing.
  MessageCapture boxes;
  frame->findBox()->setText("absent");
  frame->action(kCmdFindNext)->trigger();
  const bool wasSearching = view->searching();
  frame->routeCommand(kCmdFirstPage);
  paint();
  EXPECT_FALSE(view->searching());
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->isVisible() && w->inherits("Corvalis::Viewer::C_Conversion_ProgressDialog"));
  QTest::qWait(50);
  if (wasSearching) {
    EXPECT_TRUE(boxes.boxes.empty());
  }
}

TEST_F(TextSearchTest, TextCollectedInIdleMomentsLetsSearchesPassOverPages) {
  C_PDF_View* view = open(zebraPages(), "idle.pdf");
  // The first hit is on page 3; the pages after it are read in idle moments.
  findFromBox("runs");
  ASSERT_TRUE(view->searchHit());
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->textIndexComplete(); }, 20000));
  const int64_t scanned = view->textSource()->pagesScanned();
  findFromBox("ZEBRA");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 3);
  // Only the page with the hit is collected again, to be shown.
  EXPECT_LE(view->textSource()->pagesScanned(), scanned + 1);
  MessageCapture boxes;
  findFromBox("here a zebra");
  EXPECT_TRUE(boxes.boxes.empty());
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 3);
  findFromBox("okapi");
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_LE(view->textSource()->pagesScanned(), scanned + 1);
}

// Words printed with ligatures are found as typed, both while pages are scanned and when the
// text read in idle moments lets the search pass over pages.
TEST_F(TextSearchTest, LigaturesAndSharpSAreFoundAsTyped) {
  C_PDF_View* view = open({fillerPage(1),
                           fillerPage(2),
                           {"@F3 the \x01le is ba\x02ing"},
                           {"Stra\xDF"
                            "e"},
                           fillerPage(5)},
                          "ligatures.pdf");
  findFromBox("file");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 3);
  EXPECT_GT(blueShare(view), 0.3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->textIndexComplete(); }, 20000));
  frame->routeCommand(kCmdFirstPage);
  paint();
  findFromBox("BAFFLING");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 3);
  findFromBox("strasse");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 4);
  MessageCapture boxes;
  findFromBox("ile");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(TextSearchTest, ShortSearchesShowNoProgressWindow) {
  C_PDF_View* view = open({{"only page"}}, "one.pdf");
  int shown = 0;
  QObject::connect(view, &C_PDF_View::searchProgressShown, [&] { ++shown; });
  MessageCapture boxes;
  findFromBox("absent");
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(view->currentPage(), 1);
}

TEST_F(TextSearchTest, AnEarlierHitOfTheStartPageIsFoundAfterWrappingAround) {
  C_PDF_View* view =
      open({fillerPage(1), {"zebra one", "filler", "zebra two"}, fillerPage(3)}, "wrap.pdf");
  frame->routeCommand(kCmdNextPage);
  paint();
  findFromBox("zebra");
  ASSERT_TRUE(view->searchHit());
  const int first = view->searchHit()->startRun;
  view->setFocus();
  QTest::keyClick(view, Qt::Key_F3);
  paint();
  ASSERT_TRUE(view->searchHit());
  EXPECT_GT(view->searchHit()->startRun, first);
  MessageCapture boxes;
  QTest::keyClick(view, Qt::Key_F3);
  paint();
  EXPECT_TRUE(boxes.boxes.empty());
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 2);
  EXPECT_EQ(view->searchHit()->startRun, first);
}

TEST_F(TextSearchTest, IgnoringCaseAcrossRunsAndBackwards) {
  C_PDF_View* view =
      open({fillerPage(1), {"The PDF format", "ends here"}, {"pdf again"}}, "case.pdf");
  findFromBox("pdf");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 2);
  // The end of one line and the start of the next, the blank standing for the break.
  findFromBox("format ends");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 2);
  EXPECT_NE(view->searchHit()->startRun, view->searchHit()->endRun);
  // Find previous from the toolbar button, starting afresh on the shown page's end.
  frame->findBox()->setText("again");
  frame->action(kCmdFindPrevious)->trigger();
  paint();
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 3);
  EXPECT_EQ(view->currentPage(), 3);
}

// Ctrl+C with nothing selected takes the highlighted hit: only its characters, as shown on the
// page (not as typed), with the line break of a hit across lines; the hit stays highlighted.
TEST_F(TextSearchTest, CtrlCWithNothingSelectedCopiesTheHighlightedHit) {
  C_PDF_View* view =
      open({fillerPage(1), {"The PDF format", "ends here"}, {"@F3 a \x01le"}}, "copyhit.pdf");
  auto copyWithKeys = [&] {
    const QString text = FrameFixture::copyWithKeys(view);
    paint();
    return text;
  };
  findFromBox("pdf f");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(copyWithKeys(), QString("PDF f"));
  EXPECT_TRUE(view->searchHit());
  EXPECT_GT(blueShare(view), 0.3);
  findFromBox("format ends");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(copyWithKeys(), QString("format\r\nends"));
  // A ligature is copied as its letters.
  findFromBox("file");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(copyWithKeys(), QString("file"));
  // A click on the page drops the hit; Copy then has nothing to take.
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  paint();
  EXPECT_FALSE(frame->action(kCmdCopy)->isEnabled());
}

TEST(CopyText, AHitOutsideTheLayoutCopiesNothingButTheMark) {
  PageTextLayout layout;
  std::vector<CollectedGlyph> glyphs;
  for (int i = 0; i < 3; ++i) {
    CollectedGlyph g;
    g.unit = static_cast<char16_t>(u'a' + i);
    g.x = 10.0f + 6 * i;
    g.width = 6;
    g.y = 100;
    g.height = 12;
    glyphs.push_back(g);
  }
  layout.build(glyphs);
  ASSERT_EQ(layout.runs().size(), 1u);
  EXPECT_EQ(hitCopyText(layout, HitPlace{1, 0, 1, 0, 2}),
            "\xEF\xBB\xBF"
            "bc");
  // An end past the run is cut at the run's end; places of runs that are not there give nothing.
  EXPECT_EQ(hitCopyText(layout, HitPlace{1, 0, 0, 0, 99}),
            "\xEF\xBB\xBF"
            "abc");
  EXPECT_EQ(hitCopyText(layout, HitPlace{1, 0, 0, 3, 0}), "\xEF\xBB\xBF");
  EXPECT_EQ(hitCopyText(layout, HitPlace{1, 1, 0, 0, 0}), "\xEF\xBB\xBF");
  EXPECT_EQ(hitCopyText(PageTextLayout(), HitPlace{1, 0, 0, 0, 0}), "\xEF\xBB\xBF");
}

TEST_F(TextSearchTest, MovingToAnotherPageStartsTheNextSearchAfresh) {
  C_PDF_View* view = open(zebraPages(), "afresh.pdf");
  findFromBox("zebra");
  ASSERT_EQ(view->currentPage(), 3);
  frame->routeCommand(kCmdNextPage);
  paint();
  EXPECT_EQ(view->currentPage(), 4);
  EXPECT_FALSE(view->searchHit());
  EXPECT_TRUE(view->searchText().isEmpty());
  findFromBox("zebra");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(view->searchHit()->page, 5);
}

TEST_F(TextSearchTest, AHitInTextRunningDownThePageScrollsToWhereItIs) {
  // "zebra" runs down the page from 150 points above its bottom, along x = 300.
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 612 792] >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>");
  b.setStream(4, "", "BT /F1 12 Tf 72 720 Td (first line) Tj 0 -1 1 0 300 150 Tm (zebra) Tj ET");
  b.set(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  frame->activateWindow();
  QApplication::setActiveWindow(frame.get());
  ASSERT_TRUE(frame->openFile(writePdf(b.build("/Root 1 0 R"), "down.pdf")));
  paint();
  C_PDF_View* view = frame->activeView();
  findFromBox("zebra");
  ASSERT_TRUE(view->searchHit());
  // 642 points from the top of a 792-point page: unit 17 of the page's 21.
  EXPECT_EQ(view->verticalPos(), 17);
}

}  // namespace
}  // namespace viewer_test

namespace viewer_test {
namespace {

TEST(PageTextIndex, PassesOverPagesOnlyWhereTheSearchCannotMatch) {
  PageTextIndex index;
  index.resize(3);
  PageTextLayout layout;
  std::vector<CollectedGlyph> glyphs;
  float x = 0;
  for (char16_t c : std::u16string(u"Grüße aus")) {
    if (c != u' ') {
      CollectedGlyph g;
      g.unit = c;
      g.x = x;
      g.y = 100;
      g.width = 5;
      g.height = 10;
      g.sequence = static_cast<int32_t>(glyphs.size());
      glyphs.push_back(g);
    }
    x += 5;
  }
  layout.build(glyphs);
  index.record(1, layout);
  EXPECT_TRUE(index.mayContain(2, PhraseMatcher(u"anything", false)));  // not seen yet
  EXPECT_TRUE(index.mayContain(1, PhraseMatcher(u"GRÜßE AUS", false)));
  EXPECT_TRUE(index.mayContain(1, PhraseMatcher(u"ße aus", true)));
  EXPECT_FALSE(index.mayContain(1, PhraseMatcher(u"GRÜ", true)));
  // ß reads as "ss" when case is ignored, as the search reads it.
  EXPECT_TRUE(index.mayContain(1, PhraseMatcher(u"grüsse", false)));
  EXPECT_FALSE(index.mayContain(1, PhraseMatcher(u"grüsse", true)));
  // The caller's comparison decides, asked once per pair (it sees ß as its letters).
  int asked = 0;
  PhraseMatcher loose(u"Grxxxe", false, [&](char16_t a, char16_t b) {
    ++asked;
    return (b == u'x' && (a == u'ü' || a == u's')) || a == b;
  });
  EXPECT_TRUE(index.mayContain(1, loose));
  EXPECT_TRUE(index.mayContain(1, loose));
  EXPECT_LE(asked, 12);
}

}  // namespace
}  // namespace viewer_test
