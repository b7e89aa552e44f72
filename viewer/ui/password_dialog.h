#pragma once
// Asks for the password of an encrypted document. There is no Cancel button: closing the
// dialog or pressing Escape cancels.

#include <QDialog>
#include <optional>
#include <string>

#include "engine/document/document_hooks.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace Corvalis::Viewer {

class C_PDF_PasswordDialog : public QDialog, public IPasswordProvider {
  Q_OBJECT
 public:
  explicit C_PDF_PasswordDialog(QWidget* owner = nullptr);

  // Shows the dialog with an empty field; the typed text (UTF-8), or nullopt when cancelled.
  std::optional<std::string> askPassword() override;

  QLineEdit* passwordEdit() const { return edit_; }
  QPushButton* okButton() const { return ok_; }

 private:
  QLabel* protectedLabel_;
  QLabel* promptLabel_;
  QLineEdit* edit_;
  QPushButton* ok_;
};

}  // namespace Corvalis::Viewer
