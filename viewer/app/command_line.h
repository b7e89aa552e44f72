#pragma once
// The viewer's command line: the files to open and what to do in the first of them (a page, a
// named destination, a phrase to find, a source line to show), and the options that print and
// end. The same request travels to a running viewer as one line of JSON.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "viewer/sync/source_place.h"

namespace Corvalis::Viewer {

struct ViewerRequest {
  QStringList files;
  int page = 0;  // 0: not asked for
  QString namedDestination;
  QString find;
  std::optional<SourcePlace> forward;
  QString editorCommand;
  bool operator==(const ViewerRequest&) const = default;

  // Anything for a file beyond opening it.
  bool hasActions() const {
    return page > 0 || !namedDestination.isEmpty() || !find.isEmpty() || forward.has_value();
  }
  // One line (no newline inside) for the running viewer; file names made absolute.
  QByteArray toWire() const;
  // A line from another launch: JSON as toWire writes it, or a bare path as older launches
  // send. Nothing when it is neither.
  static std::optional<ViewerRequest> fromWire(const QByteArray& line);
};

class CommandLine {
 public:
  enum class Outcome { Run, Help, Version, Error };
  // Exit status of a usage error.
  static constexpr int kUsageExitStatus = 2;
  // Page numbers beyond this are not page numbers.
  static constexpr int kMaxPage = 1 << 24;
  // A source line or column beyond this is refused.
  static constexpr int kMaxSourceNumber = 1 << 24;

  // arguments: without the program's name.
  static CommandLine parse(const QStringList& arguments);

  Outcome outcome() const { return outcome_; }
  const ViewerRequest& request() const { return request_; }
  // Why the command line was refused (Error), one line.
  const QString& error() const { return error_; }

  // The arguments without the toolkit's own options (-platform NAME, -display NAME, ...), which
  // the toolkit reads itself.
  static QStringList withoutToolkitOptions(const QStringList& arguments);

  static QString usage();
  static QString versionText();
  // "LINE:COLUMN:FILE" (the file may itself hold colons); nothing when malformed.
  static std::optional<SourcePlace> parseSourcePlace(const QString& text);

 private:
  Outcome outcome_ = Outcome::Run;
  ViewerRequest request_;
  QString error_;
};

}  // namespace Corvalis::Viewer
