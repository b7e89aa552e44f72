// Links, the outline panel and reopening where a file was left, driven through the main window
// with the mouse and the keyboard.

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QMdiArea>
#include <QTreeWidget>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/document_navigation.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reading_positions.h"
#include "viewer/view/outline_dock.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/ui/zoom_combo_box.h"
#include "viewer/view/link_controller.h"

namespace viewer_test {

// Receives the addresses the viewer hands to the browser.
class AddressCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

namespace {

using testing_pdf::PdfBuilder;

// Four pages (objects 3 to 6). Page 1 carries links 20 ... 26, each 100 points high, one under
// another from the top; the outline has two entries.
QString linkedFile(const std::string& name) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /Outlines 30 0 R /Names << /Dests 40 0 R >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R] /Count 4 /MediaBox [0 0 612 792] >>");
  b.set(
      3,
      "<< /Type /Page /Parent 2 0 R /Annots [20 0 R 21 0 R 22 0 R 23 0 R 24 0 R 25 0 R 26 0 R] >>");
  for (int n : {4, 5, 6}) b.set(n, "<< /Type /Page /Parent 2 0 R >>");
  auto link = [](int row, const std::string& what) {
    const int top = 742 - row * 100;
    return "<< /Type /Annot /Subtype /Link /Rect [100 " + std::to_string(top - 90) + " 500 " +
           std::to_string(top) + "] " + what + " >>";
  };
  b.set(20, link(0, "/Dest [5 0 R /Fit]"));
  b.set(21, link(1, "/A << /S /GoTo /D (deep) >>"));
  b.set(22, link(2, "/A << /S /URI /URI (https://example.org/manual) >>"));
  b.set(23, link(3, "/A << /S /URI /URI (file:///etc/passwd) >>"));
  b.set(24, link(4, "/A << /S /Launch /F (/bin/sh) >>"));
  b.set(25, link(5, "/A << /S /JavaScript /JS (app.alert(1)) >>"));
  b.set(26, link(6, "/A << /S /URI /URI (mailto:help@example.org) >>"));
  b.set(30, "<< /Type /Outlines /First 31 0 R /Last 32 0 R /Count 2 >>");
  b.set(31, "<< /Title (Second page) /Parent 30 0 R /Next 32 0 R /Dest [4 0 R /Fit] >>");
  b.set(32, "<< /Title (Last page) /Parent 30 0 R /Dest [6 0 R /Fit] >>");
  // Near the bottom of page 4.
  b.set(40, "<< /Names [(deep) [6 0 R /XYZ 0 120 0]] >>");
  return writePdf(b.build("/Root 1 0 R"), name);
}

class LinkNavigationTest : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
  }

  C_PDF_View* open(const QString& path) {
    EXPECT_TRUE(frame->openFile(path));
    paint();
    return frame->activeView();
  }

  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, k, modifiers);
    paint();
  }

  // The middle of link row on page 1, in the view.
  QPoint rowCentre(C_PDF_View* view, int row) {
    PagePlacement where;
    EXPECT_TRUE(LinkController::of(view)->placement(where));
    return where.toView(300, 742 - row * 100 - 45).toPoint();
  }

  void click(C_PDF_View* view, QPoint at) {
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
    paint();
  }
};

TEST_F(LinkNavigationTest, HandOverALinkClickGoesThereAndAltLeftComesBack) {
  C_PDF_View* view = open(linkedFile("links-goto.pdf"));
  QTest::mouseMove(view->viewport(), rowCentre(view, 0));
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseMove(view->viewport(), QPoint(2, 2));
  EXPECT_NE(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(frame->action(kCmdGoBack)->isEnabled());

  click(view, rowCentre(view, 0));
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_EQ(frame->pageBox()->text(), "3 of 4");
  frame->updateCommandUi();
  EXPECT_TRUE(frame->action(kCmdGoBack)->isEnabled());
  key(Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(view->currentPage(), 1);
  frame->updateCommandUi();
  EXPECT_FALSE(frame->action(kCmdGoBack)->isEnabled());

  // A press on a link that drags away is not a click.
  const QPoint start = rowCentre(view, 0);
  QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, start);
  QTest::mouseMove(view->viewport(), start + QPoint(40, 0));
  QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, start + QPoint(40, 0));
  QApplication::processEvents();
  paint();
  EXPECT_EQ(view->currentPage(), 1);
}

TEST_F(LinkNavigationTest, NamedDestinationShowsItsPlaceOnThePage) {
  C_PDF_View* view = open(linkedFile("links-named.pdf"));
  key(Qt::Key_S, Qt::ControlModifier);  // actual size: the page is taller than the window
  ASSERT_GT(view->pageImage().height(), view->viewport()->height());
  click(view, rowCentre(view, 1));
  EXPECT_EQ(view->currentPage(), 4);
  // y 120 of 792 lies in the lower part of the page.
  EXPECT_GT(view->verticalPos() % 21, 10);
  key(Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(view->verticalPos(), 0);
}

TEST_F(LinkNavigationTest, AddressesAskFirstAndProgramsNeverRun) {
  AddressCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "open");
  QDesktopServices::setUrlHandler("mailto", &catcher, "open");
  QDesktopServices::setUrlHandler("file", &catcher, "open");
  C_PDF_View* view = open(linkedFile("links-uri.pdf"));
  {
    MessageCapture refuse(BoxAnswer::No);
    click(view, rowCentre(view, 2));
    ASSERT_EQ(refuse.boxes.size(), 1u);
    EXPECT_TRUE(refuse.boxes[0].text.contains("https://example.org/manual"));
    EXPECT_EQ(refuse.boxes[0].buttons, BoxButtons::YesNo);
  }
  EXPECT_TRUE(catcher.urls.isEmpty());
  {
    MessageCapture agree(BoxAnswer::Yes);
    click(view, rowCentre(view, 2));
    click(view, rowCentre(view, 6));
    EXPECT_EQ(agree.boxes.size(), 2u);
  }
  ASSERT_EQ(catcher.urls.size(), 2);
  EXPECT_EQ(catcher.urls[0], QUrl("https://example.org/manual"));
  EXPECT_EQ(catcher.urls[1], QUrl("mailto:help@example.org"));
  {
    // A file address, a program and a script: each says no, and nothing is opened or run.
    MessageCapture informed(BoxAnswer::Yes);
    for (int row : {3, 4, 5}) click(view, rowCentre(view, row));
    ASSERT_EQ(informed.boxes.size(), 3u);
    EXPECT_TRUE(informed.boxes[0].text.contains("file:///etc/passwd"));
    for (const MessageBoxRequest& box : informed.boxes) EXPECT_EQ(box.buttons, BoxButtons::Ok);
  }
  EXPECT_EQ(catcher.urls.size(), 2);
  EXPECT_EQ(view->currentPage(), 1);
  for (const char* scheme : {"https", "mailto", "file"}) QDesktopServices::unsetUrlHandler(scheme);
}

TEST_F(LinkNavigationTest, OutlinePanelIsHiddenUntilF4AndShowsTheChosenPage) {
  C_PDF_View* view = open(linkedFile("outline.pdf"));
  OutlineDock* dock = frame->outlineDock();
  EXPECT_FALSE(dock->isVisible());
  key(Qt::Key_F4);
  ASSERT_TRUE(dock->isVisible());
  EXPECT_TRUE(frame->action(kCmdViewOutline)->isChecked());
  QTreeWidget* tree = dock->tree();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "Last page");
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                    tree->visualItemRect(tree->topLevelItem(1)).center());
  paint();
  EXPECT_EQ(view->currentPage(), 4);
  EXPECT_EQ(QApplication::focusWidget(), view);
  key(Qt::Key_PageUp);
  EXPECT_EQ(view->currentPage(), 3);
  key(Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(view->currentPage(), 1);
  key(Qt::Key_F4);
  EXPECT_FALSE(dock->isVisible());
  // Another document brings its own outline; none at all leaves the panel empty.
  key(Qt::Key_F4);
  open(pagesFile(2, "no-outline.pdf"));
  EXPECT_EQ(tree->topLevelItemCount(), 0);
}

TEST_F(LinkNavigationTest, AFileReopensAtThePageAndZoomItWasClosedAt) {
  const QString path = pagesFile(6, "reopen.pdf");
  C_PDF_View* view = open(path);
  for (int i = 0; i < 3; ++i) key(Qt::Key_PageDown);
  key(Qt::Key_S, Qt::ControlModifier);
  key(Qt::Key_Plus, Qt::ControlModifier);
  ASSERT_EQ(view->currentPage(), 4);
  ASSERT_DOUBLE_EQ(view->zoom(), 1.25);
  key(Qt::Key_W, Qt::ControlModifier);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  ASSERT_TRUE(frame->mdiArea()->subWindowList().isEmpty());

  view = open(path);
  EXPECT_EQ(view->currentPage(), 4);
  EXPECT_DOUBLE_EQ(view->zoom(), 1.25);
  EXPECT_EQ(frame->zoomBox()->currentText(), "125%");
  EXPECT_EQ(frame->pageBox()->text(), "4 of 6");

  // Positions are kept for the recent files only.
  QStringList recentNine;
  for (int i = 0; i < 9; ++i) recentNine << QStringLiteral("/tmp/recent-%1.pdf").arg(i);
  for (int i = 0; i < 9; ++i)
    ReadingPositions::remember(recentNine[i], {i + 2, "Fit Width"}, recentNine.mid(i, 8));
  EXPECT_FALSE(ReadingPositions::recall(path).has_value());
  EXPECT_FALSE(ReadingPositions::recall(recentNine[0]).has_value());
  ASSERT_TRUE(ReadingPositions::recall(recentNine[8]).has_value());
  EXPECT_EQ(ReadingPositions::recall(recentNine[8])->page, 10);
  EXPECT_EQ(ReadingPositions::recall(recentNine[8])->zoom, "Fit Width");
}

TEST_F(LinkNavigationTest, TheHyperrefManualLinksAndOutlineWork) {
  const QString manual = "/usr/share/doc/texlive-doc/latex/hyperref/hyperref.pdf";
  if (!QFile::exists(manual)) GTEST_SKIP() << "the hyperref manual is not installed";
  C_PDF_View* view = open(manual);
  DocumentNavigation& navigation = DocumentNavigation::of(*view->pdfDocument());
  const Outline& outline = navigation.outline();
  ASSERT_GT(outline.items.size(), 5u);
  EXPECT_FALSE(outline.items[0].title.empty());
  int internal = 0;
  const LinkAnnotation* first = nullptr;
  for (const LinkAnnotation& link : navigation.links(2))
    if (link.target.kind == LinkTarget::Kind::GoTo && link.target.destination.valid() &&
        ++internal == 1)
      first = &link;
  ASSERT_NE(first, nullptr);
  // Reading the tree of 500 pages showed a progress window; the window manager hands the
  // activation back when it goes, which the test platform leaves to us.
  QApplication::setActiveWindow(frame.get());
  click(view, QPoint(2, 2));
  key(Qt::Key_PageDown);
  ASSERT_EQ(view->currentPage(), 2);
  PagePlacement where;
  ASSERT_TRUE(LinkController::of(view)->placement(where));
  const int target = first->target.destination.pageNumber;
  click(view, where.toView((first->x1 + first->x2) / 2, (first->y1 + first->y2) / 2).toPoint());
  EXPECT_EQ(view->currentPage(), target);
  key(Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(view->currentPage(), 2);
}

TEST(PagePlacement, QuarterTurnsKeepTheCornersInPlace) {
  PagePlacement p;
  p.width = 200;
  p.height = 100;
  p.originX = 10;
  p.originY = 20;
  p.pixelsPerPoint = 2;
  p.imageOrigin = QPoint(5, 7);
  // The page's top left corner (10, 120) for each turn.
  const QPointF expected[] = {{5, 7}, {5 + 200, 7}, {5 + 400, 7 + 200}, {5, 7 + 400}};
  for (int turn = 0; turn < 4; ++turn) {
    p.rotation = turn * 90;
    EXPECT_EQ(p.toView(10, 120), expected[turn]) << p.rotation;
  }
}

}  // namespace
}  // namespace viewer_test

#include "link_navigation_test.moc"
