#include "viewer/ui/goto_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "viewer/messages/message_box.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/icons.h"
#include "viewer/ui/leading_number.h"

namespace Corvalis::Viewer {

C_PDF_GoToDialog::C_PDF_GoToDialog(int pageCount, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      pageCount_(pageCount),
      pageEdit_(new QLineEdit(QStringLiteral("1"), this)),
      rangeLabel_(new QLabel(QStringLiteral("of %1").arg(pageCount), this)),
      ok_(new QPushButton(tr("确定"), this)),
      cancel_(new QPushButton(tr("取消"), this)) {
  setWindowTitle(tr("转到页"));
  setObjectName(QStringLiteral("goToDialog"));
  setWindowIcon(viewerIcon(IconName::App));
  pageEdit_->setObjectName(QStringLiteral("pageEdit"));
  pageEdit_->selectAll();
  ok_->setDefault(true);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(tr("页面:"), this), 0, 0);
  layout->addWidget(pageEdit_, 0, 1);
  layout->addWidget(rangeLabel_, 0, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons, 1, 0, 1, 3);
  connect(ok_, &QPushButton::clicked, this, &C_PDF_GoToDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &C_PDF_GoToDialog::reject);
}

void C_PDF_GoToDialog::accept() {
  const int n = leadingInteger(pageEdit_->text());
  if (n < 1 || n > pageCount_) {
    showMessage(this, kCaptionViewer, kTextInvalidPage, BoxIcon::Warning);
    return;
  }
  page_ = n;
  QDialog::accept();
}

void C_PDF_GoToDialog::reject() {
  page_ = 0;
  QDialog::reject();
}

}  // namespace Corvalis::Viewer
