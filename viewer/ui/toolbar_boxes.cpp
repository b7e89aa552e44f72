#include "viewer/ui/toolbar_boxes.h"

#include <QKeyEvent>

#include "viewer/app/command_ids.h"

namespace Corvalis::Viewer {

namespace {

bool isEnter(const QKeyEvent* event) {
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

}  // namespace

PageBox::PageBox(QWidget* parent) : QLineEdit(QString::fromLatin1(kTextNoPages), parent) {
  setObjectName(QStringLiteral("pageBox"));
  setFixedSize(kWidth, kHeight);
}

void PageBox::setDisplayText(const QString& text) {
  if (editing_) {
    saved_ = text;
  } else {
    // Painted with the next flush: this may run inside another widget's paint.
    setText(text);
  }
}

void PageBox::focusInEvent(QFocusEvent* event) {
  if (!editing_) {
    saved_ = text();
    editing_ = true;
    clear();
  }
  QLineEdit::focusInEvent(event);
}

void PageBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A pop-up menu takes the focus only for a moment.
  if (event->reason() == Qt::PopupFocusReason) return;
  if (editing_) {
    editing_ = false;
    setText(saved_);
  }
}

void PageBox::keyReleaseEvent(QKeyEvent* event) {
  if (isEnter(event) && !event->isAutoRepeat() && !text().isEmpty()) {
    emit entered(text());
    return;
  }
  QLineEdit::keyReleaseEvent(event);
}

FindBox::FindBox(QWidget* parent) : QLineEdit(QString::fromLatin1(kTextFindPlaceholder), parent) {
  setObjectName(QStringLiteral("findBox"));
  setFixedSize(kWidth, kHeight);
}

void FindBox::simulateEnter() {
  if (!text().isEmpty()) emit entered(text());
}

void FindBox::focusInEvent(QFocusEvent* event) {
  if (text() == QLatin1String(kTextFindPlaceholder)) clear();
  QLineEdit::focusInEvent(event);
}

void FindBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() == Qt::PopupFocusReason) return;
  if (text().isEmpty()) setText(QString::fromLatin1(kTextFindPlaceholder));
}

void FindBox::keyReleaseEvent(QKeyEvent* event) {
  if (isEnter(event) && !event->isAutoRepeat()) {
    simulateEnter();
    return;
  }
  QLineEdit::keyReleaseEvent(event);
}

}  // namespace Corvalis::Viewer
