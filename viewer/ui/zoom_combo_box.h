#pragma once
// C_ZoomComboBox: the toolbar's editable zoom list. Choosing an item, or Enter while the list
// is closed, hands the box's text on.

#include <QComboBox>

namespace Corvalis::Viewer {

class C_ZoomComboBox : public QComboBox {
  Q_OBJECT
 public:
  // The narrowest the box gets; it widens so that the longest label shows whole.
  static constexpr int kWidth = 81;
  static constexpr int kDropDownHeight = 300;

  explicit C_ZoomComboBox(QWidget* parent = nullptr);

  // Shows text in the edit field without handing it on; the list marks the item of that text,
  // or none.
  void setLabel(const QString& text);

 signals:
  void textEntered(const QString& text);

 protected:
  // Enter reaches the box itself (its edit field forwards its focus here) or, when the edit
  // field was given the focus directly, the field.
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showPopup() override;

 private:
  bool enterPressed(QKeyEvent* event);
};

}  // namespace Corvalis::Viewer
