#include "viewer/ui/zoom_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

namespace Corvalis::Viewer {

C_ZoomComboBox::C_ZoomComboBox(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("zoomBox"));
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  // The typed text is taken as it stands, never completed from the list.
  setCompleter(nullptr);
  addItems({QStringLiteral("400%"), QStringLiteral("300%"), QStringLiteral("200%"),
            QStringLiteral("150%"), QStringLiteral("125%"), QStringLiteral("100%"),
            QStringLiteral("75%"), QStringLiteral("66.67%"), QStringLiteral("50%"),
            QStringLiteral("33.33%"), QStringLiteral("25%"), QStringLiteral("12.5%"),
            QStringLiteral("5%"), QStringLiteral("Actual Size"), QStringLiteral("Fit Page"),
            QStringLiteral("Fit Width")});
  setMaxVisibleItems(count());
  setCurrentIndex(findText(QStringLiteral("Fit Page")));
  // Wide enough for the longest label with the style's frame and arrow around it.
  int widest = 0;
  for (int i = 0; i < count(); ++i)
    widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QSize needed = style()->sizeFromContents(
      QStyle::CT_ComboBox, &option,
      QSize(widest + fontMetrics().averageCharWidth(), fontMetrics().height()), this);
  setFixedWidth(std::max(kWidth, needed.width()));
  lineEdit()->installEventFilter(this);
  connect(this, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { emit textEntered(itemText(index)); });
}

void C_ZoomComboBox::setLabel(const QString& text) {
  const QSignalBlocker block(this);
  // The list opens on the item the zoom stands at.
  setCurrentIndex(findText(text, Qt::MatchFixedString));
  if (lineEdit()) {
    lineEdit()->setText(text);
    // The beginning of a label is what tells it apart.
    lineEdit()->setCursorPosition(0);
  }
}

void C_ZoomComboBox::showPopup() {
  QComboBox::showPopup();
  if (QWidget* popup = view() ? view()->window() : nullptr)
    popup->setMaximumHeight(kDropDownHeight);
}

bool C_ZoomComboBox::enterPressed(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
  if (view() && view()->isVisible()) return false;
  event->accept();
  emit textEntered(currentText());
  return true;
}

void C_ZoomComboBox::keyPressEvent(QKeyEvent* event) {
  if (enterPressed(event)) return;
  QComboBox::keyPressEvent(event);
}

bool C_ZoomComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lineEdit() && event->type() == QEvent::KeyPress &&
      enterPressed(static_cast<QKeyEvent*>(event)))
    return true;
  return QComboBox::eventFilter(watched, event);
}

}  // namespace Corvalis::Viewer
