#pragma once
// The confirmation after a copy: a modeless dialog that shows the text put on the clipboard.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace Corvalis::Viewer {

class CDlgCopy2Clipboard : public QDialog {
  Q_OBJECT
 public:
  // Deletes itself when closed. Placed at the centre of the main window's client area, a little
  // left and down.
  CDlgCopy2Clipboard(const QString& copied, QWidget* owner);

  // The copied text (control 1013) and the note above it, left empty (control 1027).
  QPlainTextEdit* textEdit() const { return text_; }
  QPlainTextEdit* noteEdit() const { return note_; }
  QPushButton* okButton() const { return ok_; }

 private:
  QPlainTextEdit* note_;
  QPlainTextEdit* text_;
  QPushButton* ok_;
};

}  // namespace Corvalis::Viewer
