#pragma once
// The link between a PDF made by TeX and its sources, read from the .synctex.gz (or .synctex)
// file the TeX run wrote beside it. Coordinates are page points from the page's top-left corner.

#include <QRectF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "viewer/sync/synctex_scanner.h"

namespace Corvalis::Viewer {

struct SyncBox {
  int page = 0;
  QRectF rect;
};

struct SourceSpot {
  QString file;
  int line = 0;
  int column = -1;
};

class SyncTexFile {
 public:
  static constexpr int kMaxBoxes = SyncTexScanner::kMaxBoxes;

  ~SyncTexFile();
  SyncTexFile(const SyncTexFile&) = delete;
  SyncTexFile& operator=(const SyncTexFile&) = delete;

  // The synchronisation file beside pdfPath, or an empty text.
  static QString findBeside(const QString& pdfPath);
  // Reads it; nullptr when there is none or it cannot be read.
  static std::unique_ptr<SyncTexFile> open(const QString& pdfPath);

  // The boxes of a source line (column 0 or less: the whole line), all on the first page it
  // reaches.
  std::vector<SyncBox> forward(const QString& texFile, int line, int column) const;
  // The source place of a point on a page (1-based).
  std::optional<SourceSpot> inverse(int page, double x, double y) const;

  const QString& path() const { return path_; }

 private:
  SyncTexFile() = default;
  std::unique_ptr<SyncTexScanner> scanner_;
  QString path_;
};

}  // namespace Corvalis::Viewer
