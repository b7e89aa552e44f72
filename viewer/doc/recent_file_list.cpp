#include "viewer/doc/recent_file_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "viewer/messages/app_identity.h"

namespace Corvalis::Viewer {

namespace {

constexpr char kSection[] = "Recent File List";
// Longer paths are shown with their middle folders elided.
constexpr int kMaxMenuPathLength = 60;

QString keyFor(int index) {
  return QStringLiteral("%1/File%2").arg(QLatin1String(kSection)).arg(index + 1);
}

}  // namespace

RecentFileList::RecentFileList(int size) : size_(size) {}

void RecentFileList::load() {
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  files_.clear();
  for (int i = 0; i < size_; ++i) {
    const QString path = settings.value(keyFor(i)).toString();
    if (!path.isEmpty() && !files_.contains(path)) files_.append(path);
  }
}

void RecentFileList::save() const {
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  settings.remove(QLatin1String(kSection));
  for (int i = 0; i < files_.size(); ++i) settings.setValue(keyFor(i), files_[i]);
}

void RecentFileList::add(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  files_.removeAll(full);
  files_.prepend(full);
  while (files_.size() > size_) files_.removeLast();
}

void RecentFileList::remove(int index) {
  if (index >= 0 && index < files_.size()) files_.removeAt(index);
}

QString RecentFileList::menuText(int index) const {
  if (index < 0 || index >= files_.size()) return {};
  QString shown = QDir::toNativeSeparators(files_[index]);
  if (shown.size() > kMaxMenuPathLength) {
    const QFileInfo info(files_[index]);
    shown = QStringLiteral("...%1%2").arg(QDir::separator()).arg(info.fileName());
  }
  shown.replace(QLatin1Char('&'), QLatin1String("&&"));
  return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

}  // namespace Corvalis::Viewer
