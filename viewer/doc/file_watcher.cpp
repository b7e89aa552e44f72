#include "viewer/doc/file_watcher.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

namespace Corvalis::Viewer {

FileStamp FileStamp::of(const QString& path) {
  FileStamp s;
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return s;
  s.exists = true;
  s.size = st.st_size;
  s.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.inode = st.st_ino;
  return s;
}

FileWatcher::FileWatcher(QString path, QObject* parent)
    : QObject(parent), path_(QFileInfo(path).absoluteFilePath()), seen_(FileStamp::of(path_)) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &FileWatcher::check);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FileWatcher::poke);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FileWatcher::poke);
  watch();
}

void FileWatcher::watch() {
  const QString folder = QFileInfo(path_).absolutePath();
  if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
  // A file replaced by rename is dropped from the watch; the new one is watched again.
  if (QFileInfo::exists(path_) && !watcher_.files().contains(path_)) watcher_.addPath(path_);
}

void FileWatcher::setEnabled(bool on) {
  enabled_ = on;
  if (!on) {
    settle_.stop();
    changingSignalled_ = false;
  } else {
    watch();
    poke();
  }
}

void FileWatcher::poke() {
  watch();
  if (!enabled_) return;
  const FileStamp now = FileStamp::of(path_);
  // Other files of the folder come and go all through a TeX run.
  if (now == seen_ && !settle_.isActive()) return;
  if (!changingSignalled_) {
    changingSignalled_ = true;
    emit changing(now.exists && now.inode == seen_.inode);
  }
  pending_ = now;
  settle_.start();
}

void FileWatcher::check() {
  watch();
  const FileStamp now = FileStamp::of(path_);
  if (!(now == pending_)) {
    // Still being written.
    pending_ = now;
    settle_.start();
    return;
  }
  changingSignalled_ = false;
  emit settled();
}

}  // namespace Corvalis::Viewer
