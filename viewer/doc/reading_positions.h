#pragma once
// The page and zoom each recent file was closed at, kept in the settings beside the
// recent-file list and for the files on it only, so that a file reopens where it was left.

#include <QString>
#include <QStringList>
#include <optional>

namespace Corvalis::Viewer {

struct ReadingPosition {
  int page = 1;
  // The zoom as the zoom box shows it ("150%", "Fit Width").
  QString zoom;
  // How far down the page the window's top edge was (0 its top, 1 its bottom).
  double offset = 0;
  // The view mode (the values of ViewMode) and whether facing pages start alone; -1: not kept
  // (the default mode applies).
  int mode = -1;
  bool firstAlone = true;
};

namespace ReadingPositions {

// The view mode newly opened documents get, as the reader last chose it (Continuous until then),
// and whether facing pages start with the first page alone.
int defaultMode();
bool defaultFirstAlone();
void setDefaultMode(int mode, bool firstAlone);

// Keeps the position of path, and drops those of files that are no longer recent.
void remember(const QString& path, const ReadingPosition& position, const QStringList& recentFiles);
std::optional<ReadingPosition> recall(const QString& path);

}  // namespace ReadingPositions

}  // namespace Corvalis::Viewer
