#include "viewer/ui/toolbar_boxes.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <QStyle>
#include <QStyleOptionFrame>

#include "viewer/messages/command_ids.h"

namespace Corvalis::Viewer {

namespace {

bool isEnter(const QKeyEvent* event) {
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// What a line edit keeps beside its text on either side, and the cursor's width.
constexpr int kLineEditMargin = 2;
constexpr int kCursorWidth = 1;

}  // namespace

PageBox::PageBox(QWidget* parent) : QLineEdit(QString::fromLatin1(kTextNoPages), parent) {
  setObjectName(QStringLiteral("pageBox"));
  setFixedSize(kWidth, kHeight);
}

int PageBox::widthFor(const QString& text) const {
  QStyleOptionFrame option;
  initStyleOption(&option);
  const QMargins margins = textMargins();
  const int inner = fontMetrics().horizontalAdvance(text) + 2 * kLineEditMargin + kCursorWidth +
                    margins.left() + margins.right();
  return style()
      ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(inner, fontMetrics().height()), this)
      .width();
}

void PageBox::fitPageCount(int pageCount) {
  QString widestDigit = QStringLiteral("0");
  for (char d = '1'; d <= '9'; ++d)
    if (fontMetrics().horizontalAdvance(QLatin1Char(d)) >
        fontMetrics().horizontalAdvance(widestDigit))
      widestDigit = QString(QLatin1Char(d));
  const QString number = widestDigit.repeated(QString::number(std::max(1, pageCount)).size());
  const int wanted = std::max(kWidth, widthFor(number + QStringLiteral(" of ") + number));
  if (wanted != width()) setFixedWidth(wanted);
}

void PageBox::setDisplayText(const QString& text) {
  // Never cut: "415 of 2415" on the last page of a long document reads as another page.
  if (const int wanted = widthFor(text); wanted > width()) setFixedWidth(wanted);
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
  // Any text put in the box, typed or set, is a phrase; only the box itself shows the placeholder.
  connect(this, &QLineEdit::textChanged, this, [this] { placeholderShown_ = false; });
  setObjectName(QStringLiteral("findBox"));
  setFixedSize(kWidth, kHeight);
}

void FindBox::simulateEnter() {
  if (!phrase().isEmpty()) emit entered(phrase());
}

QString FindBox::phrase() const { return placeholderShown_ ? QString() : text(); }

void FindBox::takeFocus() {
  setFocus(Qt::ShortcutFocusReason);
  selectAll();
}

void FindBox::focusInEvent(QFocusEvent* event) {
  if (placeholderShown_) clear();
  selectOnRelease_ = event->reason() == Qt::MouseFocusReason;
  QLineEdit::focusInEvent(event);
}

void FindBox::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  // A drag that chose part of the text keeps its choice.
  if (selectOnRelease_ && !hasSelectedText()) selectAll();
  selectOnRelease_ = false;
}

void FindBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() == Qt::PopupFocusReason) return;
  if (text().isEmpty()) {
    setText(QString::fromLatin1(kTextFindPlaceholder));
    placeholderShown_ = true;
  }
}

void FindBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit escaped();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void FindBox::keyReleaseEvent(QKeyEvent* event) {
  if (isEnter(event) && !event->isAutoRepeat()) {
    if (event->modifiers() & Qt::ShiftModifier) {
      if (!text().isEmpty()) emit enteredBackward(text());
    } else {
      simulateEnter();
    }
    return;
  }
  QLineEdit::keyReleaseEvent(event);
}

}  // namespace Corvalis::Viewer
