#include "viewer/messages/message_box.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace Corvalis::Viewer {

namespace {

QString& openingFile() {
  static QString path;
  return path;
}

MessageBoxHook& hook() {
  static MessageBoxHook instance;
  return instance;
}

QMessageBox::Icon qtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Error:
      return QMessageBox::Critical;
    case BoxIcon::Warning:
      return QMessageBox::Warning;
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return QMessageBox::Ok;
    case BoxButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::AbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case BoxButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case BoxButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

BoxAnswer fromQt(int button, BoxButtons buttons) {
  switch (button) {
    case QMessageBox::Ok:
      return BoxAnswer::Ok;
    case QMessageBox::Cancel:
      return BoxAnswer::Cancel;
    case QMessageBox::Abort:
      return BoxAnswer::Abort;
    case QMessageBox::Retry:
      return BoxAnswer::Retry;
    case QMessageBox::Ignore:
      return BoxAnswer::Ignore;
    case QMessageBox::Yes:
      return BoxAnswer::Yes;
    case QMessageBox::No:
      return BoxAnswer::No;
    default:
      break;
  }
  return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

}  // namespace

void setMessageBoxHook(MessageBoxHook h) { hook() = std::move(h); }

OpeningFileScope::OpeningFileScope(const QString& path) : previous_(openingFile()) {
  openingFile() =
      path.isEmpty() ? QString() : QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

OpeningFileScope::~OpeningFileScope() { openingFile() = previous_; }

BoxAnswer showMessageBox(const MessageBoxRequest& given) {
  MessageBoxRequest request = given;
  if (const QString& file = openingFile(); !file.isEmpty() && !request.text.contains(file))
    request.text = file + QStringLiteral("\n\n") + request.text;
  if (hook()) return hook()(request);
  QPointer<QMessageBox> box = new QMessageBox(qtIcon(request.icon), request.caption, request.text,
                                              qtButtons(request.buttons), request.owner);
  box->setAttribute(Qt::WA_DeleteOnClose, false);
  if (request.buttons == BoxButtons::AbortRetryIgnore) box->setEscapeButton(QMessageBox::Ignore);
  const int result = box->exec();
  // The owner may have gone while the box was open.
  if (box) delete box;
  return fromQt(result, request.buttons);
}

void showMessage(QWidget* owner, const QString& caption, const QString& text, BoxIcon icon) {
  showMessageBox({owner, caption, text, icon, BoxButtons::Ok});
}

}  // namespace Corvalis::Viewer
