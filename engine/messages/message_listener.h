#pragma once
// The message listener through which the engine reports warnings and asks questions, one per
// thread. The viewer registers a listener that shows message boxes; the command-line tool
// registers one that writes to stderr and answers every question "no". Without a listener
// nothing is shown.

#include <string>
#include <string_view>

namespace Corvalis::PDFConverter::Messages {

// Answers of Ask().
enum Answer : int {
  kAnswerOk = 0,
  kAnswerYes = 1,
  kAnswerNo = 2,
  kAnswerCancel = 3,
  kAnswerAbort = 4,
  kAnswerRetry = 5,
  kAnswerIgnore = 6,
};

// Button sets of Ask().
enum Buttons : int {
  kButtonsAbortRetryIgnore = 0,
  kButtonsOkCancel = 1,
  kButtonsRetryCancel = 2,
  kButtonsYesNo = 3,
  kButtonsYesNoCancel = 4,
};

// Severities: 0 and 1 error, 2 warning, 3 and 4 information or question; others show nothing.
class IMessageListener {
 public:
  virtual ~IMessageListener() = default;
  virtual void Notify(int severity, const std::string& text) = 0;
  virtual bool InteractiveQuery() = 0;
  virtual int Ask(int severity, int buttons, const std::string& text) = 0;
};

// Registers the calling thread's listener (nullptr removes it). The listener is not owned.
void SetMessageListener(IMessageListener* listener);
IMessageListener* GetMessageListener();

// Reporting operations. Texts are UTF-8.
void Report(int number, int severity);
void ReportWithArgument(int number, int severity, std::string_view argument);
// The argument is in the system's narrow encoding; shown with severity 2.
void ReportWithNarrowArgument(int number, const char* argument);
// Asks whether the named CMap may be downloaded; returns an Answer.
int AskDownloadCMap(std::string_view name);
bool InteractiveQuery();

// Formats a catalogue text with an argument as ReportWithArgument does, without reporting it.
std::string FormatWithArgument(int number, std::string_view argument);

// Longest text handed to the listener, in UTF-16 code units.
inline constexpr std::size_t kMaxMessageLength = 4096;

}  // namespace Corvalis::PDFConverter::Messages
