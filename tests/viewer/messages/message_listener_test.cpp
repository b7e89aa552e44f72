#include "viewer/messages/message_listener.h"

#include "engine/messages/message_catalogue.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/app/quillon_application.h"

namespace viewer_test {
namespace {

namespace Messages = Corvalis::PDFConverter::Messages;

TEST(MessageListener, NotifyCaptionsAndIconsBySeverity) {
  MessageListener listener;
  QWidget owner;
  listener.setMainWindow(&owner);
  MessageCapture capture;
  const std::pair<int, std::pair<const char*, BoxIcon>> cases[] = {
      {0, {"Error", BoxIcon::Error}},
      {1, {"Error", BoxIcon::Error}},
      {2, {"Warning", BoxIcon::Warning}},
      {3, {"Information", BoxIcon::Information}},
      {4, {"Information", BoxIcon::Information}},
  };
  for (const auto& [severity, look] : cases) listener.Notify(severity, "text");
  listener.Notify(5, "nothing");
  listener.Notify(-1, "nothing");
  ASSERT_EQ(capture.boxes.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(capture.boxes[i].caption, cases[i].second.first);
    EXPECT_EQ(capture.boxes[i].icon, cases[i].second.second);
    EXPECT_EQ(capture.boxes[i].buttons, BoxButtons::Ok);
    EXPECT_EQ(capture.boxes[i].owner, &owner);
  }
}

TEST(MessageListener, AskButtonsAndAnswers) {
  MessageListener listener;
  {
    MessageCapture capture(BoxAnswer::No);
    EXPECT_EQ(listener.Ask(1, Messages::kButtonsYesNo, "download?"), Messages::kAnswerNo);
    ASSERT_EQ(capture.boxes.size(), 1u);
    EXPECT_EQ(capture.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(capture.boxes[0].caption, "Error");
    EXPECT_EQ(capture.boxes[0].owner, nullptr);
  }
  {
    MessageCapture capture(BoxAnswer::Retry);
    EXPECT_EQ(listener.Ask(3, Messages::kButtonsRetryCancel, "q"), Messages::kAnswerRetry);
    EXPECT_EQ(capture.boxes[0].caption, kCaptionReader);
    EXPECT_EQ(capture.boxes[0].icon, BoxIcon::Question);
  }
  {
    MessageCapture capture(BoxAnswer::Ignore);
    EXPECT_EQ(listener.Ask(2, Messages::kButtonsAbortRetryIgnore, "q"), Messages::kAnswerIgnore);
    EXPECT_EQ(capture.boxes[0].icon, BoxIcon::Warning);
    listener.Ask(2, 99, "q");
    EXPECT_EQ(capture.boxes[1].buttons, BoxButtons::OkCancel);
  }
  MessageCapture none;
  EXPECT_EQ(listener.Ask(-1, Messages::kButtonsYesNo, "q"), Messages::kAnswerCancel);
  EXPECT_EQ(listener.Ask(7, Messages::kButtonsYesNo, "q"), Messages::kAnswerCancel);
  EXPECT_TRUE(none.boxes.empty());
  EXPECT_TRUE(listener.InteractiveQuery());
}

TEST(MessageListener, EngineReportsReachTheRegisteredListener) {
  // The application registered its listener at start-up.
  ASSERT_NE(Messages::GetMessageListener(), nullptr);
  MessageCapture capture;
  Messages::ReportWithArgument(Messages::kMsgCMapNotFound, 1, "Adobe-Japan1-UCS2");
  ASSERT_EQ(capture.boxes.size(), 1u);
  EXPECT_TRUE(capture.boxes[0].text.contains("\"Adobe-Japan1-UCS2\""));
  EXPECT_EQ(capture.boxes[0].caption, "Error");
}

TEST(MessageListener, NotificationsDuringAPaintWaitForTheEventLoop) {
  MessageListener& listener = qobject_cast<C_Quillon_Application*>(qApp)->messageListener();
  MessageCapture capture;
  {
    MessageListener::Deferral painting;
    Messages::Report(Messages::kMsgFontCorrupted, 1);
    EXPECT_TRUE(capture.boxes.empty());
  }
  EXPECT_TRUE(capture.boxes.empty());
  QApplication::processEvents();
  ASSERT_EQ(capture.boxes.size(), 1u);
  EXPECT_EQ(capture.boxes[0].text.toStdString(),
            Messages::CatalogueText(Messages::kMsgFontCorrupted));
  EXPECT_EQ(Messages::GetMessageListener(), &listener);
}

}  // namespace
}  // namespace viewer_test
