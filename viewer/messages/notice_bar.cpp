#include "viewer/messages/notice_bar.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "viewer/messages/page_fault_log.h"

namespace Corvalis::Viewer {

namespace {

// A pale yellow, as notices are on this desktop; dark text on it.
constexpr char kBarStyle[] =
    "QToolBar#noticeBar { background: #fff4c2; border-bottom: 1px solid #d9c77a; }"
    "QToolBar#noticeBar QLabel { color: #202020; padding: 2px 6px; }";
constexpr int kDetailsWidth = 640;
constexpr int kDetailsHeight = 320;

}  // namespace

NoticeBar::NoticeBar(QWidget* parent)
    : QToolBar(parent),
      label_(new QLabel(this)),
      details_(new QToolButton(this)),
      close_(new QToolButton(this)) {
  setObjectName(QStringLiteral("noticeBar"));
  setMovable(false);
  setFloatable(false);
  setAllowedAreas(Qt::TopToolBarArea);
  setStyleSheet(QString::fromLatin1(kBarStyle));
  label_->setObjectName(QStringLiteral("noticeText"));
  label_->setTextFormat(Qt::PlainText);
  label_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  details_->setObjectName(QStringLiteral("noticeDetails"));
  details_->setText(tr("详细信息..."));
  close_->setObjectName(QStringLiteral("noticeClose"));
  close_->setText(QStringLiteral("\u00D7"));
  close_->setToolTip(tr("关闭"));
  close_->setAutoRaise(true);
  addWidget(label_);
  addWidget(details_);
  addWidget(close_);
  connect(details_, &QToolButton::clicked, this, &NoticeBar::showDetails);
  connect(close_, &QToolButton::clicked, this, [this] {
    if (log_) log_->dismiss();
    hide();
  });
  hide();
}

QString NoticeBar::text() const { return label_->text(); }

void NoticeBar::showFor(PageFaultLog* log) {
  log_ = log;
  if (!log || log->records().empty() || log->dismissed()) {
    hide();
    return;
  }
  label_->setText(log->noticeText());
  show();
}

QPlainTextEdit* NoticeBar::detailsView() const {
  return detailsWindow_ ? detailsWindow_->findChild<QPlainTextEdit*>() : nullptr;
}

void NoticeBar::showDetails() {
  if (!log_) return;
  if (!detailsWindow_) {
    // Not modal: the reader goes on reading with the list open.
    auto* dialog = new QDialog(window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("noticeDetailsWindow"));
    dialog->setWindowTitle(tr("页面问题"));
    auto* layout = new QVBoxLayout(dialog);
    auto* edit = new QPlainTextEdit(dialog);
    edit->setReadOnly(true);
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(kDetailsWidth, kDetailsHeight);
    detailsWindow_ = dialog;
  }
  if (QPlainTextEdit* edit = detailsView()) edit->setPlainText(log_->detailsText());
  detailsWindow_->show();
  detailsWindow_->raise();
}

}  // namespace Corvalis::Viewer
