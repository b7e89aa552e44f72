#pragma once
// The desktop's association of PDF files with the viewer. Start-up only reads it; nothing is
// written and no other program is touched.

#include <QString>
#include <QStringList>

namespace Corvalis::Viewer {

class FileAssociation {
 public:
  enum class State { Default, OtherDefault, NoDefault };

  // Reads the default application of application/pdf from the mimeapps.list files in the
  // desktop's order (user configuration first, then system configuration, then data folders).
  static State check(const QString& desktopEntry);
  // The same over an explicit list of mimeapps.list files, in order.
  static State check(const QString& desktopEntry, const QStringList& files);
  // The mimeapps.list files the desktop reads, in order.
  static QStringList searchFiles();
};

}  // namespace Corvalis::Viewer
