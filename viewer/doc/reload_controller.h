#pragma once
// Keeps an open document in step with its file: when the file has changed and is still again,
// a new reading is made in the background and takes the old one's place. Half-written
// versions keep the old reading on the screen; only a file that stays unreadable for a while
// after its last change is reported.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "viewer/doc/reload_worker.h"

namespace Corvalis::Viewer {

class C_PDF_Doc;
class FileWatcher;

class ReloadController : public QObject {
  Q_OBJECT
 public:
  // Failed readings in a row before the status bar says the file is not complete yet.
  static constexpr int kFailuresBeforeWaiting = 2;
  // A file still unreadable this long after its last change is reported in a box.
  static constexpr int kGiveUpMs = 5000;

  // The controller of a document, made on first use; it lives as long as the document.
  static ReloadController& of(C_PDF_Doc& document);

  // Watching the file (on unless turned off).
  void setWatching(bool on);
  bool watching() const;
  // Reads the file again now (File ▸ Reload).
  void reloadNow();

  int failures() const { return failures_; }
  bool busy() const { return worker_.busy(); }
  FileWatcher& watcher() const { return *watcher_; }

  static QString waitingText();
  static QString formKeptText();

 signals:
  // A text for the status bar (empty: clear what was said).
  void status(const QString& text);
  // A new reading is shown.
  void reloaded();

 private:
  explicit ReloadController(C_PDF_Doc& document);
  void attempt(bool acceptDamaged);
  void finished(const std::shared_ptr<ReloadOutcome>& outcome);
  void giveUp();

  QPointer<C_PDF_Doc> document_;
  std::unique_ptr<FileWatcher> watcher_;
  ReloadWorker worker_;
  QTimer giveUpTimer_;
  int failures_ = 0;
  bool again_ = false;
  bool againFinal_ = false;
  bool lastWasFinal_ = false;
};

}  // namespace Corvalis::Viewer
