#pragma once
// Watches one file for a new version: the file itself and its folder (TeX tools replace the
// file by renaming a new one over it, which a watch on the file alone loses). A change is
// reported once the file has stayed the same for a short while.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace Corvalis::Viewer {

// What tells one version of a file from the next.
struct FileStamp {
  bool exists = false;
  qint64 size = -1;
  qint64 modifiedNs = -1;
  quint64 inode = 0;
  bool operator==(const FileStamp&) const = default;
  static FileStamp of(const QString& path);
};

class FileWatcher : public QObject {
  Q_OBJECT
 public:
  // The file must have been still this long before a change is reported.
  static constexpr int kSettleMs = 150;

  explicit FileWatcher(QString path, QObject* parent = nullptr);

  void setEnabled(bool on);
  bool enabled() const { return enabled_; }
  // The version the watcher compares with (taken when a reload has read the file).
  void acceptCurrent() { seen_ = FileStamp::of(path_); }
  const QString& path() const { return path_; }

 signals:
  // The file started changing; inPlace when it is the same file being rewritten (not replaced).
  void changing(bool inPlace);
  // The file is still again after a change (it may be back to the version last accepted).
  void settled();

 private:
  void poke();
  void check();
  void watch();

  QString path_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  FileStamp seen_;
  FileStamp pending_;
  bool enabled_ = true;
  bool changingSignalled_ = false;
};

}  // namespace Corvalis::Viewer
