#pragma once
// The editor command of inverse search: a template such as "emacsclient +%l %f", split into a
// program and its arguments the way a shell splits words (quotes and backslashes), with %f
// replaced by the source file and %l by the line inside the words. It is run without a shell,
// so a file name can never become a command.

#include <QString>
#include <QStringList>
#include <optional>

namespace Corvalis::Viewer {

class EditorCommand {
 public:
  // A template longer than this is refused.
  static constexpr qsizetype kMaxTemplateLength = 4096;

  // The program and its arguments; nothing when the template is empty or its quotes are open.
  static std::optional<QStringList> expand(const QString& templateText, const QString& file,
                                           int line);
  // Starts the editor detached from the viewer; false when it could not be started.
  static bool run(const QString& templateText, const QString& file, int line);

  // The template kept in the settings (empty: none set).
  static QString stored();
  static void store(const QString& templateText);
};

}  // namespace Corvalis::Viewer
