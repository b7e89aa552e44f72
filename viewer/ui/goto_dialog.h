#pragma once
// The Go To Page dialog: a page number within 1 ... page count, or 0 when cancelled.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace Corvalis::Viewer {

class C_PDF_GoToDialog : public QDialog {
  Q_OBJECT
 public:
  C_PDF_GoToDialog(int pageCount, QWidget* owner = nullptr);

  // The chosen page after OK; 0 after Cancel.
  int page() const { return page_; }

  QLineEdit* pageEdit() const { return pageEdit_; }
  QLabel* rangeLabel() const { return rangeLabel_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

  void accept() override;
  void reject() override;

 private:
  int pageCount_;
  int page_ = 0;
  QLineEdit* pageEdit_;
  QLabel* rangeLabel_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace Corvalis::Viewer
