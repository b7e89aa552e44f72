// What a page is shown without, through the real main window: told once per document in the bar
// above the pages, never in a box, never as "fatal", whatever redraws the page.

#include "viewer/messages/page_fault_log.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QToolButton>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/message_listener.h"
#include "viewer/messages/notice_bar.h"

namespace viewer_test {
namespace {

namespace Messages = Corvalis::PDFConverter::Messages;

// Three pages; page 2 draws an image its resources do not name, page 3 a graphics state.
std::string brokenDocument() {
  const std::vector<std::string> contents = {"0 0 1 rg 100 100 200 200 re f",
                                             "q 100 0 0 100 72 72 cm /Missing Do Q",
                                             "/NoGS gs 0 0 1 rg 100 100 200 200 re f"};
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [10 0 R 12 0 R 14 0 R] /Count 3 /MediaBox [0 0 612 792] >>");
  for (int i = 0; i < 3; ++i) {
    b.set(10 + 2 * i, "<< /Type /Page /Parent 2 0 R /Contents " + std::to_string(11 + 2 * i) +
                          " 0 R /Resources << >> >>");
    b.setStream(11 + 2 * i, "", contents[static_cast<std::size_t>(i)]);
  }
  return b.build("/Root 1 0 R");
}

class PageFaultTest : public FrameFixture {
 protected:
  C_PDF_View* open(const std::string& bytes, const std::string& name) {
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
    EXPECT_TRUE(frame->openFile(writePdf(bytes, name)));
    paint();
    return frame->activeView();
  }
  void run(int command) {
    frame->routeCommand(command);
    paint();
    // The bar follows the log once the paint is over.
    QApplication::processEvents();
  }
};

TEST_F(PageFaultTest, AMissingImageNameIsToldOnceInTheBarWithoutABox) {
  MessageCapture boxes;
  C_PDF_View* view = open(brokenDocument(), "missing_image.pdf");
  view->setPrefetchEnabled(false);
  NoticeBar* bar = frame->noticeBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->isVisible());
  run(kCmdNextPage);
  ASSERT_EQ(view->currentPage(), 2);
  PageFaultLog* log = PageFaultLog::of(view->pdfDocument());
  ASSERT_EQ(log->records().size(), 1u);
  EXPECT_EQ(log->records()[0].page, 2);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->text(),
            "Left out on page 2: the image or form /Missing, which is not in the page's "
            "resources.");
  EXPECT_FALSE(bar->text().contains(QStringLiteral("Fatal")));
  // Every redraw of the page: zoom, rotation, clicks, coming back to it.
  for (int command : {kCmdZoomIn, kCmdZoomOut, kCmdRotateClockwise, kCmdRotateCounterClockwise,
                      kCmdFitWidth, kCmdPreviousPage, kCmdNextPage})
    run(command);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
  paint();
  EXPECT_EQ(log->count(), 1u);
  EXPECT_TRUE(boxes.boxes.empty());

  // Details keep the engine's own message.
  QTest::mouseClick(bar->detailsButton(), Qt::LeftButton);
  ASSERT_NE(bar->detailsView(), nullptr);
  EXPECT_TRUE(bar->detailsView()->toPlainText().contains(QStringLiteral("#16")));
  bar->detailsView()->window()->close();

  // Closed, the bar stays away for this document; what comes later is still kept.
  QTest::mouseClick(bar->closeButton(), Qt::LeftButton);
  EXPECT_FALSE(bar->isVisible());
  run(kCmdNextPage);
  ASSERT_EQ(view->currentPage(), 3);
  EXPECT_EQ(log->count(), 2u);
  EXPECT_TRUE(log->records()[1].leftOut.contains(QStringLiteral("/NoGS")));
  EXPECT_FALSE(bar->isVisible());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PageFaultTest, TheBarFollowsTheActiveDocumentAndOpenErrorsStayBoxes) {
  MessageCapture boxes;
  C_PDF_View* broken = open(brokenDocument(), "broken_first.pdf");
  broken->setPrefetchEnabled(false);
  run(kCmdNextPage);
  EXPECT_TRUE(frame->noticeBar()->isVisible());
  C_PDF_View* clean = open(testing_pdf::simpleDocument(2, "0 0 1 rg 0 0 9 9 re f"), "clean.pdf");
  ASSERT_NE(clean, broken);
  QApplication::processEvents();
  EXPECT_FALSE(frame->noticeBar()->isVisible());
  frame->mdiArea()->setActiveSubWindow(frame->mdiArea()->subWindowList().first());
  QApplication::processEvents();
  EXPECT_EQ(frame->activeView(), broken);
  EXPECT_TRUE(frame->noticeBar()->isVisible());
  EXPECT_TRUE(boxes.boxes.empty());
  // A file that cannot be opened still says so in a box.
  EXPECT_FALSE(frame->openFile(writePdf("not a pdf at all", "garbage.pdf")));
  EXPECT_FALSE(boxes.boxes.empty());
}

TEST(PageFaultLog, KeepsEachFaultOnceAndCountsBeyondItsRecords) {
  PageFaultLog log;
  Messages::PageFault fault;
  fault.number = 60;
  fault.text = "Fatal Internal Error #16. Please report to support@corvalis.com";
  fault.leftOut = "the image or form /Im1, which is not in the page's resources";
  fault.page = 4;
  EXPECT_TRUE(log.add(fault));
  EXPECT_FALSE(log.add(fault));
  fault.page = 5;
  EXPECT_TRUE(log.add(fault));
  EXPECT_EQ(log.noticeText(),
            "Left out on page 4: the image or form /Im1, which is not in the page's "
            "resources. One more problem: see Details.");
  for (std::size_t i = 0; i < PageFaultLog::kMaxRecords + 10; ++i) {
    fault.page = static_cast<int32_t>(100 + i);
    log.add(fault);
  }
  EXPECT_EQ(log.records().size(), PageFaultLog::kMaxRecords);
  EXPECT_EQ(log.count(), PageFaultLog::kMaxRecords + 12);
  EXPECT_TRUE(log.detailsText().endsWith(QStringLiteral("... and 12 more.")));
  // A fault outside any drawing names no page.
  PageFaultRecord record;
  record.leftOut = QStringLiteral("a part");
  EXPECT_EQ(pageFaultText(record), "Left out: a part.");
}

TEST(PageFaultLog, ScopesNestAndTheListenerKeepsFaultsOutOfBoxes) {
  PageFaultLog outer, inner;
  MessageListener listener;
  MessageCapture boxes;
  Messages::PageFault fault;
  fault.number = 60;
  fault.text = "Fatal Internal Error #16.";
  fault.leftOut = "the shading /Sh, which is not in the page's resources";
  {
    const PageFaultLog::Scope a(&outer);
    {
      const PageFaultLog::Scope b(&inner);
      EXPECT_EQ(PageFaultLog::current(), &inner);
      listener.NotifyPageFault(fault);
    }
    EXPECT_EQ(PageFaultLog::current(), &outer);
    listener.NotifyPageFault(fault);
    listener.NotifyPageFault(fault);
  }
  EXPECT_EQ(inner.count(), 1u);
  EXPECT_EQ(outer.count(), 1u);
  // With no document to keep it for, it is only logged.
  listener.NotifyPageFault(fault);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace viewer_test
