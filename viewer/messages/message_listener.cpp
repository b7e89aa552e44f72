#include "viewer/messages/message_listener.h"

#include <QTimer>
#include <cstdio>
#include <utility>
#include <vector>

#include "viewer/messages/message_box.h"
#include "viewer/messages/page_fault_log.h"

namespace Corvalis::Viewer {

namespace Messages = PDFConverter::Messages;

namespace {

// Queued notifications; a flood from a broken page is not kept beyond this many.
constexpr std::size_t kMaxDeferred = 32;

int g_deferralDepth = 0;
std::vector<std::pair<int, QString>> g_deferred;
MessageListener* g_installed = nullptr;

struct Look {
  const char* caption;
  BoxIcon icon;
};

// Caption and icon of a severity; false for severities that show nothing.
bool notifyLook(int severity, Look& look) {
  switch (severity) {
    case 0:
    case 1:
      look = {"Error", BoxIcon::Error};
      return true;
    case 2:
      look = {"Warning", BoxIcon::Warning};
      return true;
    case 3:
    case 4:
      look = {"Information", BoxIcon::Information};
      return true;
    default:
      return false;
  }
}

}  // namespace

MessageListener::~MessageListener() {
  if (g_installed == this) {
    Messages::SetMessageListener(nullptr);
    g_installed = nullptr;
  }
}

void MessageListener::install() {
  Messages::SetMessageListener(this);
  g_installed = this;
}

void MessageListener::Notify(int severity, const std::string& text) {
  Look look;
  if (!notifyLook(severity, look)) return;
  const QString message = QString::fromStdString(text);
  if (g_deferralDepth > 0) {
    if (g_deferred.size() < kMaxDeferred) g_deferred.emplace_back(severity, message);
    return;
  }
  show(severity, message);
}

void MessageListener::show(int severity, const QString& text) {
  Look look;
  if (!notifyLook(severity, look)) return;
  try {
    showMessage(mainWindow_.data(), QString::fromLatin1(look.caption), text, look.icon);
  } catch (...) {
    // A failing box must never take the engine down with it.
  }
}

void MessageListener::flushDeferred() {
  std::vector<std::pair<int, QString>> pending;
  pending.swap(g_deferred);
  for (const auto& [severity, text] : pending) show(severity, text);
}

void MessageListener::NotifyPageFault(const Messages::PageFault& fault) {
  PageFaultLog* log = PageFaultLog::current();
  // Without a document to keep it for, the log on standard error is all there is.
  if (log && !log->add(fault)) return;
  PageFaultRecord record;
  record.page = fault.page;
  record.leftOut = QString::fromStdString(fault.leftOut);
  QString line = pageFaultText(record);
  if (!fault.text.empty())
    line += QStringLiteral(" Engine message %1: %2")
                .arg(fault.number)
                .arg(QString::fromStdString(fault.text));
  std::fprintf(stderr, "brevia: %s\n", line.replace('\n', ' ').toLocal8Bit().constData());
}

int MessageListener::Ask(int severity, int buttons, const std::string& text) {
  MessageBoxRequest request;
  request.owner = mainWindow_.data();
  request.text = QString::fromStdString(text);
  switch (severity) {
    case 0:
    case 1:
      request.caption = "Error";
      request.icon = BoxIcon::Error;
      break;
    case 2:
      request.caption = "Warning";
      request.icon = BoxIcon::Warning;
      break;
    case 3:
    case 4:
      request.caption = kCaptionReader;
      request.icon = BoxIcon::Question;
      break;
    default:
      return Messages::kAnswerCancel;
  }
  switch (buttons) {
    case Messages::kButtonsAbortRetryIgnore:
      request.buttons = BoxButtons::AbortRetryIgnore;
      break;
    case Messages::kButtonsOkCancel:
      request.buttons = BoxButtons::OkCancel;
      break;
    case Messages::kButtonsRetryCancel:
      request.buttons = BoxButtons::RetryCancel;
      break;
    case Messages::kButtonsYesNo:
      request.buttons = BoxButtons::YesNo;
      break;
    case Messages::kButtonsYesNoCancel:
      request.buttons = BoxButtons::YesNoCancel;
      break;
    default:
      request.buttons = BoxButtons::OkCancel;
      break;
  }
  try {
    switch (showMessageBox(request)) {
      case BoxAnswer::Ok:
        return Messages::kAnswerOk;
      case BoxAnswer::Yes:
        return Messages::kAnswerYes;
      case BoxAnswer::No:
        return Messages::kAnswerNo;
      case BoxAnswer::Cancel:
        return Messages::kAnswerCancel;
      case BoxAnswer::Abort:
        return Messages::kAnswerAbort;
      case BoxAnswer::Retry:
        return Messages::kAnswerRetry;
      case BoxAnswer::Ignore:
        return Messages::kAnswerIgnore;
    }
  } catch (...) {
  }
  return Messages::kAnswerCancel;
}

MessageListener::Deferral::Deferral() { ++g_deferralDepth; }

MessageListener::Deferral::~Deferral() {
  if (--g_deferralDepth > 0 || g_deferred.empty()) return;
  QTimer::singleShot(0, [] {
    if (g_deferralDepth == 0 && g_installed) g_installed->flushDeferred();
  });
}

}  // namespace Corvalis::Viewer
