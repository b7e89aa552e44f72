#pragma once
// The viewer's engine message listener: engine reports become message boxes over the main
// window, questions become boxes with buttons.

#include <QPointer>
#include <QWidget>

#include "engine/messages/message_listener.h"

namespace Corvalis::Viewer {

class MessageListener : public PDFConverter::Messages::IMessageListener {
 public:
  MessageListener() = default;
  ~MessageListener() override;

  // The owner of the boxes; without one they have no owner.
  void setMainWindow(QWidget* window) { mainWindow_ = window; }

  void Notify(int severity, const std::string& text) override;
  bool InteractiveQuery() override { return true; }
  int Ask(int severity, int buttons, const std::string& text) override;
  // A page shown without a part of it is not an error box: the fault goes to its document's log
  // (once per document), which the main window tells without stopping the reader, and to the
  // log on standard error.
  void NotifyPageFault(const PDFConverter::Messages::PageFault& fault) override;

  // Registers this listener as the process-wide one (and removes it when destroyed).
  void install();

  // While one of these lives (a page view is painting), notifications are queued and shown as
  // soon as the event loop is back: a modal box must not run inside a paint.
  class Deferral {
   public:
    Deferral();
    ~Deferral();
    Deferral(const Deferral&) = delete;
    Deferral& operator=(const Deferral&) = delete;
  };

 private:
  void show(int severity, const QString& text);
  void flushDeferred();

  QPointer<QWidget> mainWindow_;
};

}  // namespace Corvalis::Viewer
