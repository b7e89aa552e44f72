#pragma once
// C_ZoomComboBox: the toolbar's editable zoom list. Choosing an item, or Enter while the list
// is closed, hands the box's text on.

#include <QComboBox>

namespace Corvalis::Viewer {

class C_ZoomComboBox : public QComboBox {
  Q_OBJECT
 public:
  static constexpr int kWidth = 81;
  static constexpr int kDropDownHeight = 300;

  explicit C_ZoomComboBox(QWidget* parent = nullptr);

  // Shows text in the edit field without handing it on.
  void setLabel(const QString& text);

 signals:
  void textEntered(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showPopup() override;
};

}  // namespace Corvalis::Viewer
