#include "viewer/ui/goto_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/messages/viewer_texts.h"

namespace viewer_test {
namespace {

TEST(GoToDialog, StartsAtOneWithTheRange) {
  C_PDF_GoToDialog dialog(12);
  EXPECT_EQ(dialog.windowTitle(), "转到页");
  EXPECT_EQ(dialog.pageEdit()->text(), "1");
  EXPECT_EQ(dialog.rangeLabel()->text(), "of 12");
}

TEST(GoToDialog, InvalidEntriesKeepTheDialogOpen) {
  for (const char* text : {"0", "", "13", "-2", "abc"}) {
    C_PDF_GoToDialog dialog(12);
    MessageCapture capture;
    onNextModal([&](QWidget*) {
      dialog.pageEdit()->setText(text);
      QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
      EXPECT_TRUE(dialog.isVisible()) << text;
      dialog.pageEdit()->setText("7");
      QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.page(), 7);
    ASSERT_EQ(capture.boxes.size(), 1u) << text;
    EXPECT_EQ(capture.boxes[0].text, kTextInvalidPage);
    EXPECT_EQ(capture.boxes[0].caption, kCaptionViewer);
    EXPECT_EQ(capture.boxes[0].owner, &dialog);
  }
}

TEST(GoToDialog, CancelReturnsZero) {
  C_PDF_GoToDialog dialog(12);
  onNextModal([&](QWidget*) { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_EQ(dialog.page(), 0);
}

}  // namespace
}  // namespace viewer_test
