#pragma once
// The recent-file list: the last files opened, newest first, kept in the settings.

#include <QString>
#include <QStringList>

namespace Corvalis::Viewer {

class RecentFileList {
 public:
  explicit RecentFileList(int size);

  // Reads and writes the settings section "Recent File List" (keys File1 ... FileN).
  void load();
  void save() const;

  // Puts path first, removing an older entry of the same file; the oldest entry drops off.
  void add(const QString& path);
  void remove(int index);
  void clear() { files_.clear(); }

  const QStringList& files() const { return files_; }
  int size() const { return size_; }

  // The menu text of entry index: "&1 name" with long paths shortened.
  QString menuText(int index) const;

 private:
  int size_;
  QStringList files_;
};

}  // namespace Corvalis::Viewer
