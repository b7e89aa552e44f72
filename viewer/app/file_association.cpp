#include "viewer/app/file_association.h"

#include <QDir>
#include <QFile>

namespace Corvalis::Viewer {

namespace {

// A mimeapps.list larger than this is not read.
constexpr qint64 kMaxListBytes = 1024 * 1024;
constexpr char kPdfType[] = "application/pdf";

QString envOr(const char* name, const QString& fallback) {
  const QString value = QString::fromLocal8Bit(qgetenv(name));
  return value.isEmpty() ? fallback : value;
}

// The first entry of application/pdf in the [Default Applications] group, or an empty text.
QString defaultIn(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxListBytes) return {};
  const QString text = QString::fromUtf8(file.readAll());
  bool inDefaults = false;
  for (const QString& raw : text.split(QLatin1Char('\n'))) {
    const QString line = raw.trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      inDefaults = line == QLatin1String("[Default Applications]");
      continue;
    }
    if (!inDefaults) continue;
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0 || line.left(eq).trimmed() != QLatin1String(kPdfType)) continue;
    return line.mid(eq + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).value(0).trimmed();
  }
  return {};
}

}  // namespace

QStringList FileAssociation::searchFiles() {
  QStringList files;
  const QString home = QDir::homePath();
  files << envOr("XDG_CONFIG_HOME", home + QStringLiteral("/.config")) +
               QStringLiteral("/mimeapps.list");
  for (const QString& dir : envOr("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"))
                                .split(QLatin1Char(':'), Qt::SkipEmptyParts))
    files << dir + QStringLiteral("/mimeapps.list");
  files << envOr("XDG_DATA_HOME", home + QStringLiteral("/.local/share")) +
               QStringLiteral("/applications/mimeapps.list");
  for (const QString& dir : envOr("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
                                .split(QLatin1Char(':'), Qt::SkipEmptyParts))
    files << dir + QStringLiteral("/applications/mimeapps.list");
  return files;
}

FileAssociation::State FileAssociation::check(const QString& desktopEntry) {
  return check(desktopEntry, searchFiles());
}

FileAssociation::State FileAssociation::check(const QString& desktopEntry,
                                              const QStringList& files) {
  for (const QString& path : files) {
    const QString entry = defaultIn(path);
    if (!entry.isEmpty()) return entry == desktopEntry ? State::Default : State::OtherDefault;
  }
  return State::NoDefault;
}

}  // namespace Corvalis::Viewer
