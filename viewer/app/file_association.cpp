#include "viewer/app/file_association.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace Corvalis::Viewer {

namespace {

// A mimeapps.list larger than this is not read (nor rewritten).
constexpr qint64 kMaxListBytes = 1024 * 1024;
constexpr char kPdfType[] = "application/pdf";
constexpr char kDefaultsGroup[] = "[Default Applications]";

QString envOr(const char* name, const QString& fallback) {
  const QString value = QString::fromLocal8Bit(qgetenv(name));
  return value.isEmpty() ? fallback : value;
}

QString configHome() {
  return envOr("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"));
}

QStringList configDirs() {
  return envOr("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")).split(u':', Qt::SkipEmptyParts);
}

QString dataHome() {
  return envOr("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
}

QStringList dataDirs() {
  return envOr("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
      .split(u':', Qt::SkipEmptyParts);
}

// The value of application/pdf in the [Default Applications] group; a line counts only when it
// starts with the type, as xdg-mime reads it.
QString valueIn(const QString& path, const char* group) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxListBytes) return {};
  const QString text = QString::fromUtf8(file.readAll());
  bool inGroup = false;
  for (const QString& raw : text.split(u'\n')) {
    const QString line = raw.trimmed();
    if (line.startsWith(u'[')) {
      inGroup = line == QLatin1String(group);
      continue;
    }
    if (!inGroup) continue;
    const int eq = line.indexOf(u'=');
    if (eq <= 0 || line.left(eq).trimmed() != QLatin1String(kPdfType)) continue;
    return line.mid(eq + 1).trimmed();
  }
  return {};
}

QString firstOf(const QString& value) {
  return value.split(u';', Qt::SkipEmptyParts).value(0).trimmed();
}

// The command of a desktop file's Exec line, found on the PATH (or given as a path) and runnable.
bool runnable(const QString& desktopFile) {
  QFile file(desktopFile);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxListBytes) return false;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (!line.startsWith(QLatin1String("Exec=")) && !line.startsWith(QLatin1String("Exec[")))
      continue;
    const int eq = line.indexOf(u'=');
    const QString command = line.mid(eq + 1).trimmed().section(u' ', 0, 0);
    if (command.isEmpty()) return false;
    if (command.contains(u'/')) {
      const QFileInfo info(command);
      return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(command).isEmpty();
  }
  return false;
}

// Whether a desktop file is installed with a program that runs, as xdg-mime decides it: looked
// for in each applications folder, as vendor/name.desktop for vendor-name.desktop, and one
// folder down.
bool installed(const QString& entry) {
  if (entry.isEmpty() || entry.contains(u'/') || entry == QLatin1String("..")) return false;
  QStringList dirs{dataHome()};
  dirs << dataDirs();
  for (const QString& dir : dirs) {
    const QString apps = dir + QStringLiteral("/applications/");
    QStringList candidates;
    const int dash = entry.indexOf(u'-');
    if (dash > 0) candidates << apps + entry.left(dash) + u'/' + entry.mid(dash + 1);
    candidates << apps + entry;
    for (const QString& sub : QDir(apps).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      candidates << apps + sub + u'/' + entry;
    for (const QString& path : candidates)
      if (QFileInfo(path).isFile()) return runnable(path);
  }
  return false;
}

// The desktop-specific lists first ("GNOME:Unity" gives gnome-mimeapps.list, unity-...), then
// the common one.
QStringList listsOf(const QString& dir) {
  QStringList files;
  for (const QString& desktop :
       QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP")).split(u':', Qt::SkipEmptyParts))
    files << dir + u'/' + desktop.toLower() + QStringLiteral("-mimeapps.list");
  files << dir + QStringLiteral("/mimeapps.list");
  return files;
}

}  // namespace

QStringList FileAssociation::searchFiles() {
  QStringList files;
  files << listsOf(configHome());
  for (const QString& dir : configDirs()) files << listsOf(dir);
  files << listsOf(dataHome() + QStringLiteral("/applications"));
  for (const QString& dir : dataDirs()) files << listsOf(dir + QStringLiteral("/applications"));
  return files;
}

QString FileAssociation::queryDefault() {
  for (const QString& path : searchFiles()) {
    // The first desktop file of the entry decides, if it is installed; else the next list.
    const QString entry = firstOf(valueIn(path, kDefaultsGroup));
    if (installed(entry)) return entry;
  }
  // Older desktops' lists, and the cache update-desktop-database writes.
  QStringList dirs{dataHome()};
  dirs << dataDirs();
  const QString prefix = QString::fromLocal8Bit(qgetenv("XDG_MENU_PREFIX"));
  for (const QString& dir : dirs) {
    QStringList prefixes{QString()};
    if (!prefix.isEmpty()) prefixes.prepend(prefix);
    for (const QString& p : prefixes) {
      const QString apps = dir + QStringLiteral("/applications/") + p;
      for (const char* name : {"defaults.list", "mimeinfo.cache"}) {
        for (const char* group : {kDefaultsGroup, "[MIME Cache]"}) {
          const QString entry = firstOf(valueIn(apps + QLatin1String(name), group));
          if (!entry.isEmpty()) return entry;
        }
      }
    }
  }
  return {};
}

FileAssociation::State FileAssociation::check(const QString& desktopEntry) {
  const QString entry = queryDefault();
  if (entry.isEmpty()) return State::NoDefault;
  return entry == desktopEntry ? State::Default : State::OtherDefault;
}

FileAssociation::State FileAssociation::check(const QString& desktopEntry,
                                              const QStringList& files) {
  for (const QString& path : files) {
    const QString entry = firstOf(valueIn(path, kDefaultsGroup));
    if (!entry.isEmpty()) return entry == desktopEntry ? State::Default : State::OtherDefault;
  }
  return State::NoDefault;
}

QByteArray FileAssociation::withDefault(const QByteArray& text, const QString& desktopEntry) {
  const QByteArray entry = QByteArray(kPdfType) + '=' + desktopEntry.toUtf8() + ';';
  QList<QByteArray> lines = text.split('\n');
  // A final line break leaves an empty last piece: it is not a line.
  const bool endsWithBreak = text.endsWith('\n');
  if (endsWithBreak || text.isEmpty()) lines.removeLast();
  int group = -1, groupEnd = -1;
  bool replaced = false;
  for (int i = 0; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    if (line.startsWith('[')) {
      if (group >= 0 && groupEnd < 0) groupEnd = i;
      if (line == kDefaultsGroup && group < 0) group = i;
      continue;
    }
    if (group < 0 || groupEnd >= 0) continue;
    const int eq = line.indexOf('=');
    if (eq > 0 && line.left(eq).trimmed() == kPdfType) {
      if (!replaced) {
        lines[i] = entry;
        replaced = true;
      } else {
        // A second entry for the type in the group would be read instead by some desktops.
        lines.removeAt(i--);
      }
    }
  }
  if (!replaced) {
    if (group < 0) {
      if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines << QByteArray();
      lines << QByteArray(kDefaultsGroup) << entry;
    } else {
      // At the end of the group, before the blank lines that part it from the next one.
      int at = groupEnd < 0 ? int(lines.size()) : groupEnd;
      while (at > group + 1 && lines[at - 1].trimmed().isEmpty()) --at;
      lines.insert(at, entry);
    }
  }
  return lines.join('\n') + '\n';
}

bool FileAssociation::makeDefaultIn(const QString& path, const QString& desktopEntry,
                                    QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  QByteArray text;
  QFile existing(path);
  if (existing.exists()) {
    if (existing.size() > kMaxListBytes) return fail(path + QStringLiteral(": too large"));
    if (!existing.open(QIODevice::ReadOnly))
      return fail(path + QStringLiteral(": ") + existing.errorString());
    text = existing.readAll();
    existing.close();
  }
  if (!QDir().mkpath(QFileInfo(path).absolutePath()))
    return fail(QFileInfo(path).absolutePath() + QStringLiteral(": cannot be created"));
  // QSaveFile writes a temporary file in the same folder, flushes it to disk and renames it.
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return fail(path + QStringLiteral(": ") + out.errorString());
  out.write(withDefault(text, desktopEntry));
  if (!out.commit()) return fail(path + QStringLiteral(": ") + out.errorString());
  return true;
}

bool FileAssociation::makeDefault(const QString& desktopEntry, QString* error) {
  return makeDefaultIn(configHome() + QStringLiteral("/mimeapps.list"), desktopEntry, error);
}

}  // namespace Corvalis::Viewer
