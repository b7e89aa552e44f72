#include "viewer/ui/zoom_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

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
  setFixedWidth(kWidth);
  lineEdit()->installEventFilter(this);
  connect(this, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { emit textEntered(itemText(index)); });
}

void C_ZoomComboBox::setLabel(const QString& text) {
  const QSignalBlocker block(this);
  if (lineEdit()) lineEdit()->setText(text);
}

void C_ZoomComboBox::showPopup() {
  QComboBox::showPopup();
  if (QWidget* popup = view() ? view()->window() : nullptr)
    popup->setMaximumHeight(kDropDownHeight);
}

bool C_ZoomComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !view()->isVisible()) {
      emit textEntered(lineEdit()->text());
      return true;
    }
  }
  return QComboBox::eventFilter(watched, event);
}

}  // namespace Corvalis::Viewer
