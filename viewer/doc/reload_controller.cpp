#include "viewer/doc/reload_controller.h"

#include "engine/document/pdf_document.h"
#include "viewer/doc/file_watcher.h"
#include "viewer/doc/form_session.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/message_box.h"
#include "viewer/messages/viewer_texts.h"

namespace Corvalis::Viewer {

ReloadController& ReloadController::of(C_PDF_Doc& document) {
  if (auto* found = document.findChild<ReloadController*>(QString(), Qt::FindDirectChildrenOnly))
    return *found;
  return *new ReloadController(document);
}

ReloadController::ReloadController(C_PDF_Doc& document)
    : QObject(&document),
      document_(&document),
      watcher_(std::make_unique<FileWatcher>(document.path())) {
  giveUpTimer_.setSingleShot(true);
  giveUpTimer_.setInterval(kGiveUpMs);
  connect(&giveUpTimer_, &QTimer::timeout, this, &ReloadController::giveUp);
  connect(watcher_.get(), &FileWatcher::changing, this, [this](bool inPlace) {
    if (document_) document_->setFileChanging(inPlace);
    giveUpTimer_.start();
  });
  connect(watcher_.get(), &FileWatcher::settled, this, [this] {
    giveUpTimer_.start();
    attempt(false);
  });
  connect(&worker_, &ReloadWorker::finished, this, &ReloadController::finished);
}

QString ReloadController::formKeptText() {
  return QStringLiteral("The file has changed; the form values not saved are kept");
}

QString ReloadController::waitingText() {
  return QStringLiteral("Waiting for the file to be complete");
}

void ReloadController::setWatching(bool on) { watcher_->setEnabled(on); }

bool ReloadController::watching() const { return watcher_->enabled(); }

void ReloadController::reloadNow() {
  // Asked for by hand: the file is taken as it is.
  attempt(true);
}

void ReloadController::attempt(bool acceptDamaged) {
  if (!document_ || !document_->document()) return;
  if (worker_.busy()) {
    // The file changed again while it was being read.
    again_ = true;
    againFinal_ = againFinal_ || acceptDamaged;
    return;
  }
  lastWasFinal_ = acceptDamaged;
  const std::string& typed = document_->password();
  worker_.start(document_->path(), typed.empty() ? document_->document()->password() : typed,
                acceptDamaged);
}

void ReloadController::finished(const std::shared_ptr<ReloadOutcome>& outcome) {
  if (!document_) return;
  if (again_) {
    const bool final = againFinal_;
    again_ = againFinal_ = false;
    attempt(final);
    return;
  }
  if (outcome->kind == ReloadOutcome::Kind::Ready) {
    failures_ = 0;
    giveUpTimer_.stop();
    watcher_->acceptCurrent();
    // Form values typed and not saved stay on the screen; saving stores them over the new file.
    if (const FormSession* form = FormSession::find(document_); form && form->hasChanges()) {
      document_->setFileChanging(false);
      emit status(formKeptText());
      return;
    }
    document_->replaceEngine(std::move(outcome->document));
    emit status(QString());
    emit reloaded();
    return;
  }
  ++failures_;
  if (lastWasFinal_) {
    // The file has been still for long, or the user asked: say why it cannot be shown.
    giveUpTimer_.stop();
    failures_ = 0;
    document_->setFileChanging(false);
    emit status(QString());
    if (outcome->code != 0)
      showEngineError(outcome->code, kCaptionReader, nullptr, outcome->reason);
    else
      showMessage(nullptr, kCaptionReader, kTextCouldNotOpen, BoxIcon::Warning);
    return;
  }
  if (failures_ >= kFailuresBeforeWaiting) emit status(waitingText());
}

void ReloadController::giveUp() {
  if (!document_) return;
  attempt(true);
}

}  // namespace Corvalis::Viewer
