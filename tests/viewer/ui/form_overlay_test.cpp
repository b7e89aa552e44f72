#include "viewer/ui/form_overlay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

using testing_pdf::PdfBuilder;

// A two-page form: page 1 has one widget of every kind the overlay shows, page 2 none.
std::string formDocument() {
  PdfBuilder b;
  b.set(1,
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 11 0 R 12 0 R 13 0 R 14 0 R "
        "15 0 R 16 0 R 17 0 R 18 0 R 19 0 R 20 0 R] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Annots [10 0 R 11 0 R 12 0 R 13 0 R "
        "14 0 R 15 0 R 16 0 R 17 0 R 18 0 R 21 0 R 22 0 R 19 0 R] >>");
  b.set(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] >>");
  b.set(10, "<< /Subtype /Widget /FT /Tx /V (Jane) /Rect [100 700 300 720] /MK << /BC [0] >> >>");
  b.set(11, "<< /Subtype /Widget /FT /Tx /Ff 4096 /V (one\ntwo) /Q 1 /Rect [100 500 300 600] >>");
  b.set(12, "<< /Subtype /Widget /FT /Btn /AS /Yes /Rect [100 450 120 470] >>");
  b.set(13, "<< /Subtype /Widget /FT /Btn /AS /Off /Rect [130 450 150 470] >>");
  b.set(14,
        "<< /Subtype /Widget /FT /Ch /Ff 131072 /V (Green) /Opt [(Red) (Green)] /Rect [100 400 250 "
        "420] >>");
  b.set(15,
        "<< /Subtype /Widget /FT /Ch /V (m) /Opt [[(s) (Small)] [(m) (Medium)]] /Rect [300 400 400 "
        "300] >>");
  b.set(16, "<< /Subtype /Widget /FT /Tx /Ff 1 /V (12.5) /Q 2 /Rect [100 250 200 270] >>");
  b.set(17,
        "<< /Subtype /Widget /FT /Btn /Ff 65536 /MK << /CA (Send) >> /Rect [100 200 200 230] >>");
  b.set(18, "<< /Subtype /Widget /FT /Btn /Ff 65536 /Rect [300 200 400 230] >>");  // no caption
  // Plain text that only starts with a number is shown whole.
  b.set(19, "<< /Subtype /Widget /FT /Tx /Ff 1 /V (12 apples) /Rect [300 250 400 270] >>");
  // A radio group whose widgets take type and flags from their field.
  b.set(20, "<< /FT /Btn /Ff 49152 /V /A /Kids [21 0 R 22 0 R] >>");
  b.set(21, "<< /Subtype /Widget /Parent 20 0 R /AS /A /Rect [300 450 320 470] >>");
  b.set(22, "<< /Subtype /Widget /Parent 20 0 R /AS /Off /Rect [330 450 350 470] >>");
  return b.build("/Root 1 0 R");
}

template <typename T>
T* controlAs(const FormOverlay& overlay, int row) {
  return qobject_cast<T*>(overlay.control(row));
}

class FormOverlayTest : public FrameFixture {
 protected:
  C_PDF_View* openForm() {
    EXPECT_TRUE(frame->openFile(writePdf(formDocument(), "form.pdf")));
    paint();
    return frame->activeView();
  }
};

TEST_F(FormOverlayTest, EveryKindShowsItsValueAndOnlyReadOnlyOnesAreFixed) {
  C_PDF_View* view = openForm();
  ASSERT_NE(view, nullptr);
  const FormOverlay& overlay = view->formOverlay();
  // Every widget but the push button without a caption has a control.
  ASSERT_EQ(overlay.rowCount(), 11);
  // The page's drawing shows each of these fields (built from its value): their controls stay
  // hidden, so no value is shown twice.
  for (int row = 0; row < overlay.rowCount(); ++row)
    EXPECT_FALSE(overlay.control(row)->isVisibleTo(view)) << row;

  auto* name = controlAs<QLineEdit>(overlay, 0);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text(), "Jane");
  EXPECT_FALSE(name->isReadOnly());
  EXPECT_TRUE(name->hasFrame());
  auto* notes = controlAs<QPlainTextEdit>(overlay, 1);
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->toPlainText(), "one\ntwo");
  EXPECT_FALSE(notes->isReadOnly());
  EXPECT_EQ(notes->document()->defaultTextOption().alignment(), Qt::AlignHCenter);

  auto* on = controlAs<QCheckBox>(overlay, 2);
  auto* off = controlAs<QCheckBox>(overlay, 3);
  ASSERT_TRUE(on && off);
  EXPECT_TRUE(on->isChecked());
  EXPECT_FALSE(off->isChecked());

  auto* combo = controlAs<QComboBox>(overlay, 4);
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->isEnabled());
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->currentText(), "Green");
  auto* list = controlAs<QListWidget>(overlay, 5);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), "Medium");  // the display text of a two-element option
  EXPECT_TRUE(list->item(1)->isSelected());
  EXPECT_FALSE(list->item(0)->isSelected());

  auto* total = controlAs<QLabel>(overlay, 6);
  ASSERT_NE(total, nullptr);
  EXPECT_EQ(total->text(), "12.50");
  EXPECT_TRUE(total->alignment() & Qt::AlignRight);
  auto* send = controlAs<QPushButton>(overlay, 7);
  ASSERT_NE(send, nullptr);
  EXPECT_EQ(send->text(), "Send");

  // Radio buttons of one field: each shows its own state.
  auto* a = controlAs<QRadioButton>(overlay, 8);
  auto* b = controlAs<QRadioButton>(overlay, 9);
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(a->isChecked());
  EXPECT_FALSE(b->isChecked());

  auto* apples = controlAs<QLabel>(overlay, 10);
  ASSERT_NE(apples, nullptr);
  EXPECT_EQ(apples->text(), "12 apples");
}

TEST_F(FormOverlayTest, ControlsSitOverTheirRectanglesAndFollowThePage) {
  C_PDF_View* view = openForm();
  ASSERT_NE(view, nullptr);
  const FormOverlay& overlay = view->formOverlay();
  ASSERT_GT(overlay.rowCount(), 5);
  const double scale = view->pageImage().width() / 600.0;
  const QPoint origin = view->pageOrigin();
  // [100 700 300 720] on an 800-point page: 80 points below the top edge.
  const QRect name = overlay.control(0)->geometry();
  EXPECT_NEAR(name.left(), origin.x() + 100 * scale, 1.0);
  EXPECT_NEAR(name.top(), origin.y() + 80 * scale, 1.0);
  EXPECT_NEAR(name.width(), 200 * scale, 2.0);
  // A rectangle given upside down is normalised.
  const QRect list = overlay.control(5)->geometry();
  EXPECT_NEAR(list.top(), origin.y() + 400 * scale, 1.0);
  EXPECT_NEAR(list.height(), 100 * scale, 2.0);

  // Zooming in moves them with the page.
  frame->routeCommand(kCmdZoomIn);
  paint();
  const double zoomed = view->pageImage().width() / 600.0;
  EXPECT_GT(zoomed, scale);
  EXPECT_NEAR(overlay.control(0)->geometry().left(), view->pageOrigin().x() + 100 * zoomed, 1.0);

  // A turned view shows none; turning back builds them again.
  frame->routeCommand(kCmdRotateClockwise);
  paint();
  EXPECT_EQ(overlay.rowCount(), 0);
  frame->routeCommand(kCmdRotateCounterClockwise);
  paint();
  EXPECT_EQ(overlay.rowCount(), 11);

  // A page without widgets has none.
  frame->routeCommand(kCmdNextPage);
  paint();
  EXPECT_EQ(view->currentPage(), 2);
  EXPECT_EQ(overlay.rowCount(), 0);
}

TEST_F(FormOverlayTest, ManyOrHugeWidgetsStayBounded) {
  PdfBuilder b;
  std::string kids;
  const int count = FormOverlay::kMaxRows + 20;
  for (int i = 0; i < count; ++i) {
    const int number = 10 + i;
    const int x = (i % 50) * 10, y = (i / 50) * 20;
    // The first is far larger than any window.
    const std::string far = i == 0 ? "2000000000" : std::to_string(y + 10);
    b.set(number, "<< /Subtype /Widget /FT /Tx /V (x) /Rect [" + std::to_string(x) + " " +
                      std::to_string(y) + " " + std::to_string(x + 8) + " " + far + "] >>");
    kids += std::to_string(number) + " 0 R ";
  }
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [" + kids + "] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 500 1000] /Annots [" + kids + "] >>");
  ASSERT_TRUE(frame->openFile(writePdf(b.build("/Root 1 0 R"), "many.pdf")));
  paint();
  ASSERT_NE(frame->activeView(), nullptr);
  EXPECT_EQ(frame->activeView()->formOverlay().rowCount(), FormOverlay::kMaxRows);
}

TEST(FormOverlayText, StringsOfTheFile) {
  EXPECT_EQ(pdfTextString(std::string("\xFE\xFF\x00\x41\x04\x14", 6)),
            QString::fromUtf8("A\u0414"));
  EXPECT_EQ(pdfTextString(std::string("\xFE\xFF\x00\x41\x00", 5)), "A");  // an odd byte is dropped
  EXPECT_EQ(pdfTextString("caf\xE9"), QString::fromUtf8("caf\u00E9"));
}

}  // namespace
}  // namespace viewer_test
