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
};

namespace ReadingPositions {

// Keeps the position of path, and drops those of files that are no longer recent.
void remember(const QString& path, const ReadingPosition& position, const QStringList& recentFiles);
std::optional<ReadingPosition> recall(const QString& path);

}  // namespace ReadingPositions

}  // namespace Corvalis::Viewer
