#include "engine/messages/message_listener.h"

#include <gtest/gtest.h>

#include <thread>

#include "engine/messages/message_catalogue.h"

namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

class Recorder : public Messages::IMessageListener {
 public:
  void Notify(int severity, const std::string& text) override {
    severities.push_back(severity);
    texts.push_back(text);
  }
  bool InteractiveQuery() override { return true; }
  int Ask(int severity, int buttons, const std::string& text) override {
    asked = text;
    askedSeverity = severity;
    askedButtons = buttons;
    return Messages::kAnswerYes;
  }
  std::vector<int> severities;
  std::vector<std::string> texts;
  std::string asked;
  int askedSeverity = -1, askedButtons = -1;
};

TEST(Messages, ArgumentsAndCatalogue) {
  Recorder r;
  Messages::SetMessageListener(&r);
  Messages::ReportWithArgument(150, 1, "Adobe-Japan1-UCS2");
  Messages::ReportWithArgument(8, 1, "extra");
  Messages::ReportWithNarrowArgument(3, "LZW\xE9");
  Messages::ReportWithNarrowArgument(4, nullptr);
  Messages::Report(999, 2);
  ASSERT_EQ(r.texts.size(), 5u);
  EXPECT_EQ(r.texts[0], "Cannot find required CMap file: \"Adobe-Japan1-UCS2\"");
  EXPECT_EQ(r.texts[1], "Windows Font Corrupted - Try Re-Installing Microsoft Windows\nextra");
  EXPECT_NE(r.texts[2].find("process LZW\xC3\xA9 stream"),
            std::string::npos);  // Latin-1 taken as such
  EXPECT_EQ(r.severities[2], 2);
  EXPECT_NE(r.texts[3].find("process  stream"), std::string::npos);
  EXPECT_EQ(r.texts[4], "");

  EXPECT_EQ(Messages::AskDownloadCMap("UniGB-UCS2-H"), Messages::kAnswerYes);
  EXPECT_EQ(r.asked,
            "Cannot find required CMap file: \"UniGB-UCS2-H\"\nDo you want to download this file "
            "from the official web site?");
  EXPECT_EQ(r.askedSeverity, 1);
  EXPECT_EQ(r.askedButtons, Messages::kButtonsYesNo);
  EXPECT_TRUE(Messages::InteractiveQuery());

  // Texts are limited to 4,096 UTF-16 units, never cut inside a character.
  Messages::ReportWithArgument(155, 1, std::string(5000, 'x'));
  EXPECT_EQ(r.texts.back().size(), Messages::kMaxMessageLength);
  std::string wide;
  for (int i = 0; i < 3000; ++i) wide += "\xF0\x9F\x98\x80";  // two units each
  Messages::ReportWithArgument(155, 1, wide);
  EXPECT_EQ(r.texts.back().size(), std::string("Internet connection error: ").size() + 2034 * 4);

  Messages::SetMessageListener(nullptr);
  EXPECT_EQ(Messages::AskDownloadCMap("x"), Messages::kAnswerCancel);
  EXPECT_FALSE(Messages::InteractiveQuery());
  Messages::Report(11, 1);  // nothing to show it: nothing happens
}

TEST(Messages, EachThreadHasItsOwnListener) {
  Recorder here;
  Messages::SetMessageListener(&here);
  Recorder there;
  std::thread([&] {
    // Nothing registered on this thread yet: the other thread's listener hears nothing.
    EXPECT_EQ(Messages::GetMessageListener(), nullptr);
    EXPECT_EQ(Messages::AskDownloadCMap("x"), Messages::kAnswerCancel);
    Messages::Report(11, 1);
    Messages::SetMessageListener(&there);
    Messages::Report(8, 1);
    Messages::SetMessageListener(nullptr);
  }).join();
  EXPECT_TRUE(here.texts.empty());
  ASSERT_EQ(there.texts.size(), 1u);
  EXPECT_EQ(Messages::GetMessageListener(), &here);
  Messages::SetMessageListener(nullptr);
}

TEST(Messages, ExceptionTexts) {
  EXPECT_EQ(Messages::ExceptionText(2),
            std::string("Document Damaged - Please Report to ") + Messages::kSupportAddress);
  EXPECT_EQ(Messages::ExceptionText(4), "Document Encrypted with Unsupported Encryption Algorithm");
  EXPECT_EQ(Messages::ExceptionText(3), "");
  EXPECT_EQ(Messages::CatalogueText(123), " in");
}

}  // namespace
