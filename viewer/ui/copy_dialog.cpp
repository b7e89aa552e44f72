#include "viewer/ui/copy_dialog.h"

#include <QHBoxLayout>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "viewer/ui/icons.h"

namespace Corvalis::Viewer {

namespace {

// Where the dialog sits relative to the centre of the main window's client area.
constexpr int kShiftLeft = 10;
constexpr int kShiftDown = 20;
constexpr int kWidth = 480;
constexpr int kHeight = 360;
constexpr int kNoteHeight = 40;

}  // namespace

CDlgCopy2Clipboard::CDlgCopy2Clipboard(const QString& copied, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      note_(new QPlainTextEdit(this)),
      text_(new QPlainTextEdit(this)),
      ok_(new QPushButton(tr("确定"), this)) {
  setObjectName(QStringLiteral("copyDialog"));
  setWindowTitle(tr("\"复制\"到剪贴板成功"));
  setWindowIcon(viewerIcon(IconName::App));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  note_->setObjectName(QStringLiteral("edit1027"));
  note_->setReadOnly(true);
  note_->setFixedHeight(kNoteHeight);
  text_->setObjectName(QStringLiteral("edit1013"));
  text_->setFrameShape(QFrame::StyledPanel);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The edit shows the text without the byte-order mark it starts with on the clipboard.
  QString shown = copied;
  if (shown.startsWith(QChar(0xFEFF))) shown.remove(0, 1);
  text_->setPlainText(shown);
  ok_->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note_);
  layout->addWidget(text_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  resize(kWidth, kHeight);

  QWidget* main = owner ? owner->window() : nullptr;
  if (auto* frame = qobject_cast<QMainWindow*>(main); frame && frame->centralWidget()) {
    QWidget* client = frame->centralWidget();
    const QPoint centre = client->mapToGlobal(client->rect().center());
    move(centre - QPoint(width() / 2, height() / 2) + QPoint(-kShiftLeft, kShiftDown));
  } else if (main) {
    move(main->frameGeometry().center() - QPoint(width() / 2, height() / 2) +
         QPoint(-kShiftLeft, kShiftDown));
  }
}

}  // namespace Corvalis::Viewer
