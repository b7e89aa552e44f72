#pragma once
// The About dialog: the artwork and an OK button centred below it.

#include <QDialog>

class QLabel;
class QPushButton;

namespace Corvalis::Viewer {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* owner = nullptr);
  QPushButton* okButton() const { return ok_; }

 private:
  QLabel* picture_;
  QPushButton* ok_;
};

}  // namespace Corvalis::Viewer
