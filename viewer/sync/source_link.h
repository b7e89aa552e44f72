#pragma once
// Source links of a view: forward search (a source line shown on its page and marked for a
// moment) and inverse search (Ctrl+click on a page runs the editor at the line it came from).
// Needs the .synctex.gz file TeX writes beside the PDF; without one, both are unavailable.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "viewer/sync/source_place.h"
#include "viewer/sync/synctex_file.h"

namespace Corvalis::Viewer {

class C_PDF_View;

class SourceLink : public QObject {
  Q_OBJECT
 public:
  // How long the line found by a forward search stays marked.
  static constexpr int kForwardMarkMs = 1500;

  // The source link of a view, made on first use (it watches the view's Ctrl+clicks).
  static SourceLink& of(C_PDF_View& view);

  // Shows the place of a source line; false when the document has no synchronisation file or
  // the line is not in it.
  static bool forward(C_PDF_View& view, const SourcePlace& place);

  // Why inverse search is not available for the shown document (empty: it is).
  QString unavailableReason();
  // The source place under a point of the viewport, if any.
  std::optional<SourceSpot> spotAt(QPoint viewportPoint);
  // Runs the editor at the source place under the point; false when nothing was started.
  bool inverseAt(QPoint viewportPoint);
  // Replaces starting the editor (tests): receives the template, file and line.
  void setLauncher(std::function<bool(const QString&, const QString&, int)> launcher) {
    launcher_ = std::move(launcher);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit SourceLink(C_PDF_View& view);
  // The synchronisation data of the shown file, read again when the file has changed.
  SyncTexFile* file();

  QPointer<C_PDF_View> view_;
  std::unique_ptr<SyncTexFile> file_;
  QString filePdf_;
  qint64 fileStamp_ = -1;
  std::function<bool(const QString&, const QString&, int)> launcher_;
};

}  // namespace Corvalis::Viewer
