#pragma once
// The desktop's association of PDF files with the viewer, the freedesktop way. Start-up only
// reads it; it is written only when the user chooses the viewer (Preferences), and then only
// the application/pdf default of the user's own mimeapps.list changes. No other program is
// touched.

#include <QString>
#include <QStringList>

namespace Corvalis::Viewer {

class FileAssociation {
 public:
  enum class State { Default, OtherDefault, NoDefault };

  // The desktop's default application of application/pdf, found as `xdg-mime query default`
  // finds it: in each configuration folder (user first) and then each applications folder,
  // $XDG_CURRENT_DESKTOP's own desktop-mimeapps.list before mimeapps.list, the [Default
  // Applications] entry's first desktop file if it is installed; then defaults.list and
  // mimeinfo.cache. Empty when there is none.
  static QString queryDefault();
  static State check(const QString& desktopEntry);
  // Over an explicit list of mimeapps.list files, in order, without the installed check.
  static State check(const QString& desktopEntry, const QStringList& files);
  // The mimeapps.list files the desktop reads, in order.
  static QStringList searchFiles();

  // Makes desktopEntry the default of application/pdf in $XDG_CONFIG_HOME/mimeapps.list
  // (~/.config unless set): the entry of [Default Applications] is replaced or added, every
  // other line of the file is kept. Written to a temporary file beside it and renamed, so a
  // failure leaves the old file; false (with the reason in error) then.
  static bool makeDefault(const QString& desktopEntry, QString* error = nullptr);
  // The same on a given file.
  static bool makeDefaultIn(const QString& path, const QString& desktopEntry,
                            QString* error = nullptr);
  // A mimeapps.list's text with application/pdf's default set to desktopEntry.
  static QByteArray withDefault(const QByteArray& text, const QString& desktopEntry);
};

}  // namespace Corvalis::Viewer
