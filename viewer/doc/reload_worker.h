#pragma once
// Reads a new version of an open file on a thread of its own, so that the old pages stay on the
// screen meanwhile, and tells whether what it read is a whole file or one still being written.

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

class C_PDF_Document;

namespace Corvalis::Viewer {

struct ReloadOutcome {
  enum class Kind {
    Ready,
    // Truncated or without its end yet: a TeX run still writing it, most likely.
    Incomplete,
    Unreadable,
  };
  Kind kind = Kind::Unreadable;
  std::unique_ptr<C_PDF_Document> document;
  // For Unreadable: the engine's error code (0: the file could not be read) and its reason.
  int code = 0;
  std::string reason;
};

class ReloadWorker : public QObject {
  Q_OBJECT
 public:
  // A file counts as whole only when it ends with the end-of-file marker within this many bytes.
  static constexpr int kEndMarkerWindow = 1024;

  explicit ReloadWorker(QObject* parent = nullptr);
  // Waits for a reading under way.
  ~ReloadWorker() override;

  // Starts reading; false while a reading is under way. acceptDamaged: take a file the engine
  // had to repair, or one without its end marker (it has stayed so for long).
  bool start(const QString& path, const std::string& password, bool acceptDamaged);
  bool busy() const { return busy_; }

  // Runs on the calling thread (tests and the worker itself).
  static ReloadOutcome read(const std::string& path, const std::string& password,
                            bool acceptDamaged);
  // Whether the bytes at the end of the file hold its end marker.
  static bool endsWithMarker(const std::string& path);

 signals:
  void finished(std::shared_ptr<Corvalis::Viewer::ReloadOutcome> outcome);

 private:
  std::thread thread_;
  bool busy_ = false;
};

}  // namespace Corvalis::Viewer
