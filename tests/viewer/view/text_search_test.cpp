// Searching from the find box through the real main window: the hit's page and highlight, F3,
// the wrap-around, "No matches found." and the progress window.

#include <QAction>
#include <QClipboard>
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
    paint();
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
  const QString bom(QChar(0xFEFF));
  findFromBox("pdf f");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(copyWithKeys(), bom + "PDF f");
  EXPECT_TRUE(view->searchHit());
  EXPECT_GT(blueShare(view), 0.3);
  findFromBox("format ends");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(copyWithKeys(), bom + "format\r\nends");
  // A ligature is copied as its letters.
  findFromBox("file");
  ASSERT_TRUE(view->searchHit());
  EXPECT_EQ(copyWithKeys(), bom + "file");
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
