#include "viewer/doc/reading_positions.h"

#include <QFileInfo>
#include <QSettings>

#include "viewer/app/app_identity.h"
#include "viewer/app/command_ids.h"

namespace Corvalis::Viewer::ReadingPositions {

namespace {

constexpr char kSection[] = "Reading Positions";

struct Entry {
  QString path;
  ReadingPosition position;
};

QList<Entry> load(QSettings& settings) {
  QList<Entry> entries;
  const int n = settings.beginReadArray(QLatin1String(kSection));
  for (int i = 0; i < n && i < kRecentFileCount; ++i) {
    settings.setArrayIndex(i);
    Entry e;
    e.path = settings.value(QStringLiteral("path")).toString();
    e.position.page = settings.value(QStringLiteral("page"), 1).toInt();
    e.position.zoom = settings.value(QStringLiteral("zoom")).toString();
    if (!e.path.isEmpty()) entries << e;
  }
  settings.endArray();
  return entries;
}

}  // namespace

void remember(const QString& path, const ReadingPosition& position,
              const QStringList& recentFiles) {
  const QString full = QFileInfo(path).absoluteFilePath();
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  QList<Entry> kept;
  kept << Entry{full, position};
  for (const Entry& e : load(settings))
    if (e.path != full && recentFiles.contains(e.path) && kept.size() < kRecentFileCount) kept << e;
  if (!recentFiles.contains(full)) kept.removeFirst();
  settings.remove(QLatin1String(kSection));
  settings.beginWriteArray(QLatin1String(kSection), static_cast<int>(kept.size()));
  for (int i = 0; i < kept.size(); ++i) {
    settings.setArrayIndex(i);
    settings.setValue(QStringLiteral("path"), kept[i].path);
    settings.setValue(QStringLiteral("page"), kept[i].position.page);
    settings.setValue(QStringLiteral("zoom"), kept[i].position.zoom);
  }
  settings.endArray();
}

std::optional<ReadingPosition> recall(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  for (const Entry& e : load(settings))
    if (e.path == full) return e.position;
  return std::nullopt;
}

}  // namespace Corvalis::Viewer::ReadingPositions
