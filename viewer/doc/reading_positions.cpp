#include "viewer/doc/reading_positions.h"

#include <QFileInfo>
#include <QSettings>

#include "viewer/messages/app_identity.h"
#include "viewer/messages/command_ids.h"

namespace Corvalis::Viewer::ReadingPositions {

namespace {

constexpr char kSection[] = "Reading Positions";
constexpr char kDefaultModeKey[] = "View/Mode";
constexpr char kDefaultFirstAloneKey[] = "View/FirstPageAlone";
// ViewMode's values: SinglePage 0 ... TwoPagesContinuous 3; Continuous is the default.
constexpr int kModeCount = 4;
constexpr int kContinuous = 1;

int validMode(int mode, int fallback) { return mode >= 0 && mode < kModeCount ? mode : fallback; }

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
    // A damaged or hand-edited value is read as the page's top.
    const double offset = settings.value(QStringLiteral("offset"), 0.0).toDouble();
    e.position.offset = offset >= 0 && offset <= 1 ? offset : 0;
    e.position.mode = validMode(settings.value(QStringLiteral("mode"), -1).toInt(), -1);
    e.position.firstAlone = settings.value(QStringLiteral("firstAlone"), true).toBool();
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
    settings.setValue(QStringLiteral("offset"), kept[i].position.offset);
    settings.setValue(QStringLiteral("mode"), kept[i].position.mode);
    settings.setValue(QStringLiteral("firstAlone"), kept[i].position.firstAlone);
  }
  settings.endArray();
}

int defaultMode() {
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  return validMode(settings.value(QLatin1String(kDefaultModeKey), kContinuous).toInt(),
                   kContinuous);
}

bool defaultFirstAlone() {
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  return settings.value(QLatin1String(kDefaultFirstAloneKey), true).toBool();
}

void setDefaultMode(int mode, bool firstAlone) {
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  settings.setValue(QLatin1String(kDefaultModeKey), validMode(mode, kContinuous));
  settings.setValue(QLatin1String(kDefaultFirstAloneKey), firstAlone);
}

std::optional<ReadingPosition> recall(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  for (const Entry& e : load(settings))
    if (e.path == full) return e.position;
  return std::nullopt;
}

}  // namespace Corvalis::Viewer::ReadingPositions
