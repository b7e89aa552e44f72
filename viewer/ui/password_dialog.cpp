#include "viewer/ui/password_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "viewer/ui/icons.h"

namespace Corvalis::Viewer {

namespace {

// 186 × 57 dialog units.
constexpr int kDialogWidth = 279;
constexpr int kDialogHeight = 93;

}  // namespace

C_PDF_PasswordDialog::C_PDF_PasswordDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      protectedLabel_(new QLabel(tr("该文档受密码保护。"), this)),
      promptLabel_(new QLabel(tr("请输入密码:"), this)),
      edit_(new QLineEdit(this)),
      ok_(new QPushButton(tr("确定"), this)) {
  setWindowTitle(tr("密码"));
  setWindowIcon(viewerIcon(IconName::Password));
  setObjectName(QStringLiteral("passwordDialog"));
  edit_->setObjectName(QStringLiteral("passwordEdit"));
  edit_->setEchoMode(QLineEdit::Password);
  ok_->setDefault(true);
  auto* layout = new QGridLayout(this);
  layout->addWidget(protectedLabel_, 0, 0, 1, 2);
  layout->addWidget(promptLabel_, 1, 0);
  layout->addWidget(edit_, 1, 1);
  layout->addWidget(ok_, 2, 1, Qt::AlignRight);
  setMinimumSize(kDialogWidth, kDialogHeight);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

std::optional<std::string> C_PDF_PasswordDialog::askPassword() {
  edit_->clear();
  edit_->setFocus();
  if (exec() != QDialog::Accepted) return std::nullopt;
  const std::string typed = edit_->text().toStdString();
  edit_->clear();
  return typed;
}

}  // namespace Corvalis::Viewer
