#pragma once
// The message listener through which the engine reports warnings and asks questions, one per
// thread. The viewer registers a listener that shows message boxes; the command-line tool
// registers one that writes to stderr and answers every question "no". Without a listener
// nothing is shown.

#include <cstdint>
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

// Something a page was drawn without: a resource it names but does not have, an image that
// cannot be decoded, a font that cannot be loaded. The rest of the page is drawn; nothing has
// stopped.
struct PageFault {
  // The catalogue message that reports it (0 for none) with its severity and formatted text.
  int number = 0;
  int severity = 0;
  std::string text;
  // What the page is shown without, as a phrase: "the image or form /Im1, which ...".
  std::string leftOut;
  // The page being drawn or scanned when it happened; 0 outside a drawing.
  int32_t page = 0;
};

// Severities: 0 and 1 error, 2 warning, 3 and 4 information or question; others show nothing.
class IMessageListener {
 public:
  virtual ~IMessageListener() = default;
  virtual void Notify(int severity, const std::string& text) = 0;
  virtual bool InteractiveQuery() = 0;
  virtual int Ask(int severity, int buttons, const std::string& text) = 0;
  // A listener that does not tell faults apart hears their catalogue message as any other.
  virtual void NotifyPageFault(const PageFault& fault) {
    if (fault.number != 0) Notify(fault.severity, fault.text);
  }
};

// For readings nobody watches (background threads, tools run unattended): every report is
// dropped and every question answered no.
class QuietListener : public IMessageListener {
 public:
  void Notify(int, const std::string&) override {}
  bool InteractiveQuery() override { return false; }
  int Ask(int, int, const std::string&) override { return kAnswerNo; }
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

// Reports a page fault: the catalogue message number (0 for none) with its severity and
// argument, and what was left out. The page is the one being drawn on this thread.
void ReportPageFault(int number, int severity, std::string_view argument, std::string_view leftOut);

// While one lives, faults reported on this thread name this page.
class DrawingPage {
 public:
  explicit DrawingPage(int32_t page);
  ~DrawingPage();
  DrawingPage(const DrawingPage&) = delete;
  DrawingPage& operator=(const DrawingPage&) = delete;
  static int32_t current();

 private:
  int32_t previous_;
};

// Formats a catalogue text with an argument as ReportWithArgument does, without reporting it.
std::string FormatWithArgument(int number, std::string_view argument);

// Longest text handed to the listener, in UTF-16 code units.
inline constexpr std::size_t kMaxMessageLength = 4096;

}  // namespace Corvalis::PDFConverter::Messages
