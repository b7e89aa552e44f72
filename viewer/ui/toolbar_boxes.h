#pragma once
// The page box and the find box of the toolbar: edits that hand their text on when Enter is
// released, with their own focus behaviour.

#include <QLineEdit>

namespace Corvalis::Viewer {

// Shows "n of N"; focusing it empties it for typing, leaving it brings the text back.
class PageBox : public QLineEdit {
  Q_OBJECT
 public:
  // The narrowest the box gets; it widens for long page counts.
  static constexpr int kWidth = 78;
  static constexpr int kHeight = 20;

  explicit PageBox(QWidget* parent = nullptr);
  // The text to show; while the box is being typed in it is what leaving the box restores. The
  // box widens when the text would not fit whole.
  void setDisplayText(const QString& text);
  // Makes the box just wide enough for "N of N" with the widest digits of pageCount's length
  // (the largest page count of the open documents), and never narrower than kWidth.
  void fitPageCount(int pageCount);
  // The width at which text shows whole.
  int widthFor(const QString& text) const;

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

// Shows "Find..." while empty and unfocused. Enter finds the next hit, Shift+Enter the previous
// one; Escape gives the keys back to the page.
class FindBox : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr int kWidth = 118;
  static constexpr int kHeight = 20;

  explicit FindBox(QWidget* parent = nullptr);
  // As if Enter had been released in the box.
  void simulateEnter();
  // The text to find: empty while the box shows its placeholder, which is not a phrase.
  QString phrase() const;
  // The cursor in the box with its whole text selected, ready to be typed over.
  void takeFocus();

 signals:
  void entered(const QString& text);
  void enteredBackward(const QString& text);
  void escaped();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The click that brought the focus selects the whole text, as Ctrl+F does.
  bool selectOnRelease_ = false;
  bool placeholderShown_ = true;
};

}  // namespace Corvalis::Viewer
