#include "engine/messages/message_listener.h"

#include "engine/messages/message_catalogue.h"

namespace Corvalis::PDFConverter::Messages {

namespace {

// Each thread has its own listener: a page drawn ahead on a background thread never raises a
// box on the interface thread, and whoever drew it decides what becomes of its messages.
thread_local IMessageListener* g_listener = nullptr;
thread_local int32_t g_drawingPage = 0;

// Length in bytes of the UTF-8 sequence that starts with lead, or 1 for a stray byte.
std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// Cuts text after maxUnits UTF-16 code units, never inside a character.
void limitLength(std::string& text, std::size_t maxUnits) {
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t len = sequenceLength(static_cast<unsigned char>(text[i]));
    std::size_t cost = len == 4 ? 2 : 1;
    if (units + cost > maxUnits || i + len > text.size()) break;
    units += cost;
    i += len;
  }
  text.resize(i);
}

// Narrow engine texts may come in any 8-bit encoding; valid UTF-8 is kept, other bytes are
// taken as Latin-1.
std::string narrowToUtf8(const char* text) {
  std::string out;
  if (!text) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    std::size_t len = sequenceLength(*p);
    bool valid = len > 1 || *p < 0x80;
    for (std::size_t k = 1; valid && k < len; ++k) valid = (p[k] & 0xC0) == 0x80;
    if (valid) {
      out.append(reinterpret_cast<const char*>(p), len);
      p += len;
    } else {
      out.push_back(static_cast<char>(0xC0 | (*p >> 6)));
      out.push_back(static_cast<char>(0x80 | (*p & 0x3F)));
      ++p;
    }
  }
  return out;
}

}  // namespace

void SetMessageListener(IMessageListener* listener) { g_listener = listener; }
IMessageListener* GetMessageListener() { return g_listener; }

void Report(int number, int severity) {
  if (!g_listener) return;
  g_listener->Notify(severity, CatalogueText(number));
}

std::string FormatWithArgument(int number, std::string_view argument) {
  std::string text = CatalogueText(number);
  std::size_t at = text.find("%s");
  if (at != std::string::npos) {
    text.replace(at, 2, argument);
  } else {
    text += "\n";
    text += argument;
  }
  limitLength(text, kMaxMessageLength);
  return text;
}

void ReportWithArgument(int number, int severity, std::string_view argument) {
  if (!g_listener) return;
  g_listener->Notify(severity, FormatWithArgument(number, argument));
}

void ReportWithNarrowArgument(int number, const char* argument) {
  if (!g_listener) return;
  ReportWithArgument(number, 2, narrowToUtf8(argument));
}

int AskDownloadCMap(std::string_view name) {
  if (!g_listener) return kAnswerCancel;
  try {
    return g_listener->Ask(1, kButtonsYesNo, FormatWithArgument(kMsgAskDownloadCMap, name));
  } catch (...) {
    // The listener is the caller's code (a dialog): whatever it throws must not unwind through
    // the font loading that asked, and reads as no answer.
    return kAnswerCancel;
  }
}

bool InteractiveQuery() { return g_listener ? g_listener->InteractiveQuery() : false; }

void ReportPageFault(int number, int severity, std::string_view argument,
                     std::string_view leftOut) {
  if (!g_listener) return;
  PageFault fault;
  fault.number = number;
  fault.severity = severity;
  if (number != 0)
    fault.text = argument.empty() ? CatalogueText(number) : FormatWithArgument(number, argument);
  fault.leftOut = std::string(leftOut);
  limitLength(fault.leftOut, kMaxMessageLength);
  fault.page = g_drawingPage;
  g_listener->NotifyPageFault(fault);
}

DrawingPage::DrawingPage(int32_t page) : previous_(g_drawingPage) { g_drawingPage = page; }
DrawingPage::~DrawingPage() { g_drawingPage = previous_; }
int32_t DrawingPage::current() { return g_drawingPage; }

}  // namespace Corvalis::PDFConverter::Messages
