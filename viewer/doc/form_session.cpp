#include "viewer/doc/form_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/document/pdf_document.h"
#include "platform/system/file_store.h"
#include "viewer/doc/file_watcher.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reload_controller.h"
#include "viewer/doc/reload_worker.h"
#include "viewer/messages/message_box.h"

namespace Corvalis::Viewer {

namespace {

// The whole file, or no value when it cannot be read or is larger than the writer takes.
std::optional<std::string> fileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > FormSession::kMaxFileBytes) return {};
  std::string bytes(static_cast<std::size_t>(file.size()), '\0');
  qint64 done = 0;
  while (done < file.size()) {
    const qint64 n = file.read(bytes.data() + done, file.size() - done);
    if (n <= 0) return {};
    done += n;
  }
  return bytes;
}

}  // namespace

FormSession& FormSession::of(C_PDF_Doc& document) {
  if (FormSession* found = find(&document)) return *found;
  return *new FormSession(document);
}

FormSession* FormSession::find(const C_PDF_Doc* document) {
  return document ? document->findChild<FormSession*>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

FormSession::FormSession(C_PDF_Doc& document) : QObject(&document), document_(&document) {}

FormSession::~FormSession() = default;

const FieldValueChange* FormSession::changed(int32_t objectNumber, int32_t generation) const {
  auto found = changes_.find({objectNumber, generation});
  return found == changes_.end() ? nullptr : &found->second;
}

void FormSession::fail(QWidget* owner, const QString& text) {
  lastError_ = text;
  showMessage(owner, kCaptionReader, text, BoxIcon::Warning);
}

bool FormSession::prepareBase(std::string& error) {
  if (base_) return true;
  std::optional<std::string> bytes = fileBytes(document_->path());
  if (!bytes) {
    error = "The file " + document_->path().toStdString() + " cannot be read.";
    return false;
  }
  const std::string& typed = document_->password();
  const std::string password =
      typed.empty() && document_->document() ? document_->document()->password() : typed;
  ReloadOutcome reading =
      ReloadWorker::read(QFile::encodeName(document_->path()).toStdString(), password, true);
  if (!reading.document) {
    error = reading.reason.empty() ? "The file cannot be read again." : reading.reason;
    return false;
  }
  original_ = std::move(*bytes);
  base_ = std::move(reading.document);
  return true;
}

std::optional<std::string> FormSession::updatedFile(std::string& error) {
  if (!prepareBase(error)) return {};
  std::vector<FieldValueChange> all;
  all.reserve(changes_.size());
  for (const auto& [key, change] : changes_) all.push_back(change);
  FormSaveResult result = saveFieldValues(*base_, original_, all);
  if (!result.bytes) error = result.error;
  return std::move(result.bytes);
}

bool FormSession::show(const QString& path) {
  const std::string& typed = document_->password();
  const std::string password =
      typed.empty() && document_->document() ? document_->document()->password() : typed;
  ReloadOutcome reading = ReloadWorker::read(QFile::encodeName(path).toStdString(), password, true);
  if (!reading.document) return false;
  document_->replaceEngine(std::move(reading.document));
  return true;
}

bool FormSession::change(const FieldValueChange& change, QWidget* owner) {
  if (!document_) return false;
  if (C_PDF_Doc::engineBusy()) {
    // The engine is inside a long call that lets events through: its reading must not be
    // replaced under it. The value is taken once it has returned.
    QTimer::singleShot(kBusyRetryMs, this, [this, change, guard = QPointer<QWidget>(owner)] {
      this->change(change, guard.data());
    });
    return true;
  }
  const auto key = std::make_pair(change.objectNumber, change.generation);
  std::optional<FieldValueChange> before;
  if (auto found = changes_.find(key); found != changes_.end()) before = found->second;
  changes_[key] = change;
  auto undo = [&] {
    if (before)
      changes_[key] = *before;
    else
      changes_.erase(key);
  };
  std::string error;
  std::optional<std::string> bytes = updatedFile(error);
  if (!bytes) {
    undo();
    fail(owner,
         QStringLiteral("The new value cannot be kept.\n\n") + QString::fromStdString(error));
    return false;
  }
  // The views read the update from a file of its own while it is shown.
  auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                               QStringLiteral("/brevia-form-XXXXXX.pdf"));
  if (!file->open() || file->write(bytes->data(), qint64(bytes->size())) != qint64(bytes->size()) ||
      !file->flush()) {
    undo();
    fail(owner, QStringLiteral("The new value cannot be shown: the temporary folder %1 cannot be "
                               "written.")
                    .arg(QDir::tempPath()));
    return false;
  }
  file->close();
  if (!show(file->fileName())) {
    undo();
    fail(owner, QStringLiteral("The new value cannot be shown: its update cannot be read."));
    return false;
  }
  // The previous update goes once no reading draws from it.
  shown_ = std::move(file);
  document_->setModifiedFlag(true);
  return true;
}

bool FormSession::save(const QString& target, QWidget* owner) {
  if (!document_) return false;
  const QString path = QFileInfo(target.isEmpty() ? document_->path() : target).absoluteFilePath();
  std::string error;
  std::optional<std::string> bytes =
      changes_.empty() ? fileBytes(document_->path()) : updatedFile(error);
  if (!bytes) {
    fail(owner, QStringLiteral("The document was not saved.\n\n") +
                    QString::fromStdString(error.empty() ? "Its file cannot be read." : error));
    return false;
  }
  const QFileInfo where(path);
  errno = 0;
  const std::string stored = brevia::platform::writeFileAtomically(
      QFile::encodeName(where.absolutePath()).toStdString(),
      QFile::encodeName(where.fileName()).toStdString(), *bytes);
  if (stored.empty()) {
    const int cause = errno;
    QString text = QStringLiteral("The document could not be saved as %1").arg(path);
    if (cause != 0) text += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(cause));
    text += QStringLiteral(".\n\nThe file there, if any, is as it was.");
    fail(owner, text);
    return false;
  }
  // The stored file takes the place of the file read; the old readings keep the bytes they
  // read or mapped (a rename leaves the old file to them) until the new reading replaces them.
  const bool sameFile = path == QFileInfo(document_->path()).absoluteFilePath();
  if (!sameFile) {
    document_->setFilePath(path);
    document_->setPathName(path);
  }
  changes_.clear();
  base_.reset();
  original_.clear();
  if (!show(path)) {
    lastError_ = QStringLiteral("The saved file cannot be read again.");
    showMessage(owner, kCaptionReader, lastError_, BoxIcon::Warning);
  }
  shown_.reset();
  if (auto* reload = document_->findChild<ReloadController*>(QString(), Qt::FindDirectChildrenOnly))
    reload->watcher().acceptCurrent();
  document_->setModifiedFlag(false);
  if (!sameFile) emit document_->viewsChanged();
  lastError_.clear();
  return true;
}

void FormSession::discard() {
  if (!document_ || changes_.empty()) return;
  changes_.clear();
  base_.reset();
  original_.clear();
  show(document_->path());
  shown_.reset();
  document_->setModifiedFlag(false);
}

}  // namespace Corvalis::Viewer
