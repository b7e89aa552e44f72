#include "viewer/sync/synctex_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Corvalis::Viewer {

SyncTexFile::~SyncTexFile() = default;

QString SyncTexFile::findBeside(const QString& pdfPath) {
  const QFileInfo info(pdfPath);
  const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
  for (const char* suffix : {".synctex.gz", ".synctex"})
    if (QFileInfo(stem + QLatin1String(suffix)).isFile()) return stem + QLatin1String(suffix);
  return {};
}

std::unique_ptr<SyncTexFile> SyncTexFile::open(const QString& pdfPath) {
  const QString found = findBeside(pdfPath);
  if (found.isEmpty()) return nullptr;
  std::unique_ptr<SyncTexFile> file(new SyncTexFile);
  const QByteArray output = QFile::encodeName(QFileInfo(pdfPath).absoluteFilePath());
  file->scanner_ = SyncTexScanner::open(output.toStdString());
  if (!file->scanner_) return nullptr;
  file->path_ = found;
  return file;
}

std::vector<SyncBox> SyncTexFile::forward(const QString& texFile, int line, int column) const {
  std::vector<SyncTexBox> found =
      scanner_->forward(QFile::encodeName(texFile).toStdString(), line, column);
  // Sources are often recorded under the name TeX was given, relative to the PDF's folder.
  if (found.empty())
    found = scanner_->forward(QFile::encodeName(QFileInfo(texFile).fileName()).toStdString(), line,
                              column);
  std::vector<SyncBox> boxes;
  boxes.reserve(found.size());
  for (const SyncTexBox& b : found)
    boxes.push_back(
        {b.page, QRectF(b.h, b.v - b.height, b.width, b.height + b.depth).normalized()});
  return boxes;
}

std::optional<SourceSpot> SyncTexFile::inverse(int page, double x, double y) const {
  const std::optional<SyncTexSpot> found = scanner_->inverse(page, x, y);
  if (!found) return std::nullopt;
  QString file = QFile::decodeName(QByteArray::fromStdString(found->name));
  // Names recorded relative to where TeX ran, which is the PDF's folder in practice.
  if (QFileInfo(file).isRelative())
    file = QFileInfo(QFileInfo(path_).absolutePath() + QLatin1Char('/') + file).absoluteFilePath();
  SourceSpot spot;
  spot.file = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
  spot.line = found->line;
  spot.column = found->column;
  return spot;
}

}  // namespace Corvalis::Viewer
