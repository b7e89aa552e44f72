#include "viewer/ui/password_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "engine/document/pdf_document.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"

namespace viewer_test {
namespace {

TEST(PasswordDialog, LooksAsItShould) {
  C_PDF_PasswordDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), "密码");
  QStringList labels;
  for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
  EXPECT_TRUE(labels.contains("该文档受密码保护。"));
  EXPECT_TRUE(labels.contains("请输入密码:"));
  EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
  // One button, OK; there is no Cancel.
  const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 1);
  EXPECT_EQ(buttons[0]->text(), "确定");
}

TEST(PasswordDialog, TypedTextOrNothingWhenCancelled) {
  C_PDF_PasswordDialog dialog;
  onNextModal([&](QWidget* modal) {
    ASSERT_EQ(modal, &dialog);
    QTest::keyClicks(dialog.passwordEdit(), "s3cret");
    QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return);
  });
  EXPECT_EQ(dialog.askPassword(), std::optional<std::string>("s3cret"));

  onNextModal([&](QWidget*) {
    // Asked again, the field starts empty.
    EXPECT_TRUE(dialog.passwordEdit()->text().isEmpty());
    QTest::keyClicks(dialog.passwordEdit(), "abc");
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(dialog.askPassword(), std::nullopt);

  onNextModal([&](QWidget*) { dialog.close(); });
  EXPECT_EQ(dialog.askPassword(), std::nullopt);
}

class PasswordOpenTest : public ::testing::Test {
 protected:
  // Answers each dialog in turn with the given texts (nullopt: Escape), noting what the
  // field held when the dialog came up.
  void answer(std::vector<std::optional<QString>> texts) {
    answers_ = std::move(texts);
    answerNext();
  }
  void answerNext() {
    onNextModal([this](QWidget* modal) {
      auto* dialog = qobject_cast<C_PDF_PasswordDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      fieldsSeen.push_back(dialog->passwordEdit()->text());
      busyWhenAsked.push_back(C_PDF_Doc::engineBusy());
      const std::optional<QString> text = answers_.front();
      answers_.erase(answers_.begin());
      if (!answers_.empty()) answerNext();
      if (text) {
        QTest::keyClicks(dialog->passwordEdit(), *text);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
      } else {
        QTest::keyClick(dialog, Qt::Key_Escape);
      }
    });
  }
  std::vector<std::optional<QString>> answers_;
  std::vector<QString> fieldsSeen;
  // Whether an engine call was under way while the dialog ran its event loop.
  std::vector<bool> busyWhenAsked;
};

TEST_F(PasswordOpenTest, WrongThenRightPassword) {
  answer({QString("wrong"), QString("user")});
  MessageCapture capture;
  C_PDF_Doc doc;
  EXPECT_TRUE(doc.onOpenDocument(qtestData("pdf/rc4_40.pdf")));
  EXPECT_EQ(fieldsSeen, (std::vector<QString>{"", ""}));
  // The user is asked between the engine's readings of the file, never inside one.
  EXPECT_EQ(busyWhenAsked, (std::vector<bool>{false, false}));
  EXPECT_TRUE(capture.boxes.empty());
  ASSERT_NE(doc.document(), nullptr);
  EXPECT_TRUE(doc.document()->encrypted());
}

TEST_F(PasswordOpenTest, OwnerPasswordOpensToo) {
  answer({QString("owner")});
  C_PDF_Doc doc;
  EXPECT_TRUE(doc.onOpenDocument(qtestData("pdf/rc4_40.pdf")));
  EXPECT_EQ(fieldsSeen.size(), 1u);
}

TEST_F(PasswordOpenTest, CancellingEndsTheOpenWithoutAMessage) {
  answer({QString("nope"), std::nullopt});
  MessageCapture capture;
  C_PDF_Doc doc;
  EXPECT_FALSE(doc.onOpenDocument(qtestData("pdf/rc4_40.pdf")));
  EXPECT_EQ(fieldsSeen.size(), 2u);
  EXPECT_TRUE(capture.boxes.empty());
}

}  // namespace
}  // namespace viewer_test
