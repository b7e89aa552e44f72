#include "viewer/sync/editor_command.h"

#include <QProcess>
#include <QSettings>

namespace Corvalis::Viewer {

namespace {

constexpr char kSettingsKey[] = "SyncTeX/EditorCommand";

QString substitute(const QString& word, const QString& file, int line) {
  QString out;
  for (qsizetype i = 0; i < word.size(); ++i) {
    if (word[i] == QLatin1Char('%') && i + 1 < word.size()) {
      const QChar c = word[i + 1];
      if (c == QLatin1Char('f')) {
        out += file;
        ++i;
        continue;
      }
      if (c == QLatin1Char('l')) {
        out += QString::number(line);
        ++i;
        continue;
      }
      if (c == QLatin1Char('%')) {
        out += QLatin1Char('%');
        ++i;
        continue;
      }
    }
    out += word[i];
  }
  return out;
}

}  // namespace

std::optional<QStringList> EditorCommand::expand(const QString& text, const QString& file,
                                                 int line) {
  if (text.size() > kMaxTemplateLength) return std::nullopt;
  // Words are split first and filled in afterwards: spaces or quotes in the file name stay
  // inside their word.
  QStringList words;
  QString word;
  bool inWord = false;
  QChar quote;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (!quote.isNull()) {
      if (c == quote) {
        quote = QChar();
      } else if (c == QLatin1Char('\\') && quote == QLatin1Char('"') && i + 1 < text.size() &&
                 (text[i + 1] == QLatin1Char('"') || text[i + 1] == QLatin1Char('\\'))) {
        word += text[++i];
      } else {
        word += c;
      }
      continue;
    }
    if (c.isSpace()) {
      if (inWord) words << substitute(word, file, line);
      word.clear();
      inWord = false;
    } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
      inWord = true;
    } else if (c == QLatin1Char('\\') && i + 1 < text.size()) {
      word += text[++i];
      inWord = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (!quote.isNull()) return std::nullopt;
  if (inWord) words << substitute(word, file, line);
  if (words.isEmpty() || words.first().isEmpty()) return std::nullopt;
  return words;
}

bool EditorCommand::run(const QString& text, const QString& file, int line) {
  const std::optional<QStringList> words = expand(text, file, line);
  if (!words) return false;
  const QString program = words->first();
  return QProcess::startDetached(program, words->mid(1));
}

QString EditorCommand::stored() { return QSettings().value(kSettingsKey).toString(); }

void EditorCommand::store(const QString& text) { QSettings().setValue(kSettingsKey, text); }

}  // namespace Corvalis::Viewer
