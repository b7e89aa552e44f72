#include "viewer/app/command_line.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#ifndef BREVIA_VERSION
#define BREVIA_VERSION "0"
#endif

namespace Corvalis::Viewer {

namespace {

bool readNumber(const QString& text, int max, int& out) {
  bool ok = false;
  const qlonglong value = text.toLongLong(&ok);
  if (!ok || value < 1 || value > max) return false;
  out = static_cast<int>(value);
  return true;
}

QString absolute(const QString& path) {
  return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

// The toolkit's options: those with a value, then those without.
constexpr const char* kToolkitValueOptions[] = {"-platform",
                                                "-platformpluginpath",
                                                "-platformtheme",
                                                "-plugin",
                                                "-qwindowgeometry",
                                                "-qwindowicon",
                                                "-qwindowtitle",
                                                "-display",
                                                "-geometry",
                                                "-style",
                                                "-stylesheet",
                                                "-session",
                                                "-name",
                                                "-title",
                                                "-qmljsdebugger"};
constexpr const char* kToolkitFlagOptions[] = {"-reverse", "-widgetcount", "-nograb", "-dograb",
                                               "-sync"};

}  // namespace

QStringList CommandLine::withoutToolkitOptions(const QStringList& arguments) {
  QStringList kept;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--")) {
      kept += arguments.mid(i);
      break;
    }
    bool skipped = false;
    for (const char* option : kToolkitValueOptions)
      if (a == QLatin1String(option) || a.startsWith(QLatin1String(option) + QLatin1Char('='))) {
        if (a == QLatin1String(option)) ++i;
        skipped = true;
        break;
      }
    for (const char* option : kToolkitFlagOptions)
      if (a == QLatin1String(option)) skipped = true;
    if (!skipped) kept << a;
  }
  return kept;
}

std::optional<SourcePlace> CommandLine::parseSourcePlace(const QString& text) {
  const qsizetype first = text.indexOf(QLatin1Char(':'));
  const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char(':'), first + 1);
  if (second < 0) return std::nullopt;
  SourcePlace place;
  if (!readNumber(text.left(first), kMaxSourceNumber, place.line)) return std::nullopt;
  // Editors pass 0 when they do not know the column.
  const QString column = text.mid(first + 1, second - first - 1);
  bool ok = false;
  const qlonglong c = column.toLongLong(&ok);
  if (!ok || c < 0 || c > kMaxSourceNumber) return std::nullopt;
  place.column = static_cast<int>(c);
  place.file = text.mid(second + 1);
  if (place.file.isEmpty()) return std::nullopt;
  return place;
}

CommandLine CommandLine::parse(const QStringList& arguments) {
  CommandLine result;
  ViewerRequest& r = result.request_;
  auto fail = [&result](const QString& why) {
    result.outcome_ = Outcome::Error;
    result.error_ = why;
    return result;
  };
  bool optionsEnded = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
      if (!argument.isEmpty()) r.files.push_back(argument);
      continue;
    }
    if (argument == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    QString name = argument;
    std::optional<QString> inlineValue;
    if (const qsizetype eq = argument.indexOf(QLatin1Char('='));
        eq > 0 && argument.startsWith(QLatin1String("--"))) {
      name = argument.left(eq);
      inlineValue = argument.mid(eq + 1);
    }
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
      result.outcome_ = Outcome::Help;
      return result;
    }
    if (name == QLatin1String("--version")) {
      result.outcome_ = Outcome::Version;
      return result;
    }
    const bool takesValue =
        name == QLatin1String("--page") || name == QLatin1String("--named-dest") ||
        name == QLatin1String("--find") || name == QLatin1String("--synctex-forward") ||
        name == QLatin1String("--synctex-editor-command");
    if (!takesValue) return fail(QStringLiteral("unknown option '%1'").arg(argument));
    QString value;
    if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= arguments.size())
        return fail(QStringLiteral("option '%1' needs a value").arg(name));
      value = arguments[++i];
    }
    if (name == QLatin1String("--page")) {
      if (!readNumber(value, kMaxPage, r.page))
        return fail(QStringLiteral("--page needs a page number from 1, not '%1'").arg(value));
    } else if (name == QLatin1String("--named-dest")) {
      if (value.isEmpty()) return fail(QStringLiteral("--named-dest needs a name"));
      r.namedDestination = value;
    } else if (name == QLatin1String("--find")) {
      if (value.isEmpty()) return fail(QStringLiteral("--find needs a phrase"));
      r.find = value;
    } else if (name == QLatin1String("--synctex-forward")) {
      r.forward = parseSourcePlace(value);
      if (!r.forward)
        return fail(
            QStringLiteral("--synctex-forward needs LINE:COLUMN:TEXFILE, not '%1'").arg(value));
    } else {
      r.editorCommand = value;
    }
  }
  if (r.page > 0 && !r.namedDestination.isEmpty())
    return fail(QStringLiteral("--page and --named-dest cannot be used together"));
  if (r.hasActions() && r.files.isEmpty())
    return fail(QStringLiteral("--page, --named-dest, --find and --synctex-forward need a file"));
  return result;
}

QString CommandLine::usage() {
  return QStringLiteral(
      "Usage: brevia [OPTION]... [FILE.pdf]...\n"
      "Shows PDF files. A viewer already running for this user opens them instead.\n"
      "\n"
      "  --page N                   show page N of the first file\n"
      "  --named-dest NAME          show the named destination NAME of the first file\n"
      "  --find TEXT                find TEXT in the first file\n"
      "  --synctex-forward LINE:COLUMN:TEXFILE\n"
      "                             show the place of that source line (needs the\n"
      "                             .synctex.gz or .synctex file beside the PDF)\n"
      "  --synctex-editor-command TEMPLATE\n"
      "                             the editor Ctrl+click runs, %f the source file and\n"
      "                             %l the line, e.g. 'emacsclient +%l %f' (kept)\n"
      "  -h, --help                 print this help and exit\n"
      "      --version              print the version and exit\n"
      "\n"
      "Exit status: 0 on success, 1 when the viewer could not start, 2 on a usage error.\n");
}

QString CommandLine::versionText() {
  return QStringLiteral("brevia (Brevia Reader) %1\n").arg(QLatin1String(BREVIA_VERSION));
}

QByteArray ViewerRequest::toWire() const {
  QJsonObject o;
  QJsonArray list;
  for (const QString& f : files) list.append(absolute(f));
  o[QStringLiteral("files")] = list;
  if (page > 0) o[QStringLiteral("page")] = page;
  if (!namedDestination.isEmpty()) o[QStringLiteral("namedDest")] = namedDestination;
  if (!find.isEmpty()) o[QStringLiteral("find")] = find;
  if (forward) {
    QJsonObject f;
    f[QStringLiteral("line")] = forward->line;
    f[QStringLiteral("column")] = forward->column;
    // The running viewer has another working folder.
    f[QStringLiteral("file")] = absolute(forward->file);
    o[QStringLiteral("forward")] = f;
  }
  if (!editorCommand.isEmpty()) o[QStringLiteral("editorCommand")] = editorCommand;
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<ViewerRequest> ViewerRequest::fromWire(const QByteArray& line) {
  ViewerRequest r;
  if (!line.startsWith('{')) {
    if (line.isEmpty()) return std::nullopt;
    r.files.push_back(QString::fromUtf8(line));
    return r;
  }
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  for (const QJsonValue& f : o.value(QStringLiteral("files")).toArray())
    if (f.isString() && !f.toString().isEmpty()) r.files.push_back(f.toString());
  const int page = o.value(QStringLiteral("page")).toInt(0);
  r.page = page >= 1 && page <= CommandLine::kMaxPage ? page : 0;
  r.namedDestination = o.value(QStringLiteral("namedDest")).toString();
  r.find = o.value(QStringLiteral("find")).toString();
  r.editorCommand = o.value(QStringLiteral("editorCommand")).toString();
  if (const QJsonValue f = o.value(QStringLiteral("forward")); f.isObject()) {
    SourcePlace place;
    place.line = f[QStringLiteral("line")].toInt(0);
    place.column = std::max(0, f[QStringLiteral("column")].toInt(0));
    place.file = f[QStringLiteral("file")].toString();
    if (place.line >= 1 && place.line <= CommandLine::kMaxSourceNumber && !place.file.isEmpty())
      r.forward = place;
  }
  return r;
}

}  // namespace Corvalis::Viewer
