#pragma once
// A private message from a toolbar box to the page views: the message number and the box's
// text.

#include <QEvent>
#include <QString>

namespace Corvalis::Viewer {

class PrivateMessageEvent : public QEvent {
 public:
  // All private messages share one event type; the message number tells them apart.
  static QEvent::Type eventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  PrivateMessageEvent(int message, QString text)
      : QEvent(eventType()), message_(message), text_(std::move(text)) {}

  int message() const { return message_; }
  const QString& text() const { return text_; }

 private:
  int message_;
  QString text_;
};

}  // namespace Corvalis::Viewer
