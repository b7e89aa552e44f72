#pragma once
// The page box and the find box of the toolbar: edits that hand their text on when Enter is
// released, with their own focus behaviour.

#include <QLineEdit>

namespace Corvalis::Viewer {

// Shows "n of N"; focusing it empties it for typing, leaving it brings the text back.
class PageBox : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr int kWidth = 78;
  static constexpr int kHeight = 20;

  explicit PageBox(QWidget* parent = nullptr);
  // The text to show; while the box is being typed in it is what leaving the box restores.
  void setDisplayText(const QString& text);

 signals:
  void entered(const QString& text);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  QString saved_;
  bool editing_ = false;
};

// Shows "Find..." while empty and unfocused.
class FindBox : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr int kWidth = 118;
  static constexpr int kHeight = 20;

  explicit FindBox(QWidget* parent = nullptr);
  // As if Enter had been released in the box.
  void simulateEnter();

 signals:
  void entered(const QString& text);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
};

}  // namespace Corvalis::Viewer
