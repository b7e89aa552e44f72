#include "viewer/sync/synctex_file.h"

#include <synctex_parser.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Corvalis::Viewer {

struct SyncTexFile::Scanner {
  synctex_scanner_p scanner = nullptr;
  ~Scanner() {
    if (scanner) synctex_scanner_free(scanner);
  }
};

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
  file->scanner_ = std::make_unique<Scanner>();
  const QByteArray output = QFile::encodeName(QFileInfo(pdfPath).absoluteFilePath());
  file->scanner_->scanner = synctex_scanner_new_with_output_file(output.constData(), nullptr, 1);
  if (!file->scanner_->scanner) return nullptr;
  file->path_ = found;
  return file;
}

std::vector<SyncBox> SyncTexFile::forward(const QString& texFile, int line, int column) const {
  std::vector<SyncBox> boxes;
  synctex_scanner_p s = scanner_->scanner;
  const QByteArray name = QFile::encodeName(texFile);
  if (synctex_display_query(s, name.constData(), line, column > 0 ? column : -1, 0) <= 0) {
    // Sources are often recorded under the name TeX was given, relative to the PDF's folder.
    const QByteArray bare = QFile::encodeName(QFileInfo(texFile).fileName());
    if (synctex_display_query(s, bare.constData(), line, column > 0 ? column : -1, 0) <= 0)
      return boxes;
  }
  int page = 0;
  while (synctex_node_p node = synctex_scanner_next_result(s)) {
    if (static_cast<int>(boxes.size()) >= kMaxBoxes) break;
    const int p = synctex_node_page(node);
    if (page == 0) page = p;
    if (p != page) continue;
    const double h = synctex_node_box_visible_h(node);
    const double v = synctex_node_box_visible_v(node);
    const double w = synctex_node_box_visible_width(node);
    const double up = synctex_node_box_visible_height(node);
    const double down = synctex_node_box_visible_depth(node);
    QRectF rect(h, v - up, w, up + down);
    boxes.push_back({p, rect.normalized()});
  }
  return boxes;
}

std::optional<SourceSpot> SyncTexFile::inverse(int page, double x, double y) const {
  synctex_scanner_p s = scanner_->scanner;
  if (synctex_edit_query(s, page, static_cast<float>(x), static_cast<float>(y)) <= 0)
    return std::nullopt;
  for (int n = 0; n < kMaxNodes; ++n) {
    synctex_node_p node = synctex_scanner_next_result(s);
    if (!node) break;
    const char* name = synctex_scanner_get_name(s, synctex_node_tag(node));
    if (!name || !*name) continue;
    SourceSpot spot;
    QString file = QFile::decodeName(name);
    // Names recorded relative to where TeX ran, which is the PDF's folder in practice.
    if (QFileInfo(file).isRelative())
      file =
          QFileInfo(QFileInfo(path_).absolutePath() + QLatin1Char('/') + file).absoluteFilePath();
    spot.file = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    spot.line = std::max(1, synctex_node_line(node));
    spot.column = synctex_node_column(node);
    return spot;
  }
  return std::nullopt;
}

}  // namespace Corvalis::Viewer
