#pragma once
// Binds the document, its frame and its view: opens files into new documents, makes frames
// ("New window" gives a document another one), and owns the open documents.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "viewer/doc/viewer_document.h"

class QMdiArea;
class QMdiSubWindow;

namespace Corvalis::Viewer {

class RecentFileList;

class DocumentTemplate : public QObject {
  Q_OBJECT
 public:
  using DocumentFactory = std::function<std::unique_ptr<ViewerDocument>()>;
  // Makes a frame holding a new view of the document (the view registers with the document).
  using FrameFactory = std::function<QMdiSubWindow*(ViewerDocument&)>;

  DocumentTemplate(QMdiArea* area, DocumentFactory documents, FrameFactory frames,
                   RecentFileList* recentFiles);
  ~DocumentTemplate() override;

  // Opens path in a new document and window; a file already open gets its window activated.
  // nullptr when the open failed (the document has said why).
  ViewerDocument* openDocumentFile(const QString& path);
  // Another window on an open document.
  QMdiSubWindow* createNewFrame(ViewerDocument& document);

  const std::vector<std::unique_ptr<ViewerDocument>>& documents() const { return documents_; }
  ViewerDocument* findDocument(const QString& path) const;

 signals:
  void documentOpened(ViewerDocument* document);

 private:
  QMdiSubWindow* makeFrame(ViewerDocument& document);
  void documentWithoutViews(ViewerDocument* document);
  void retitle(ViewerDocument& document);

  QPointer<QMdiArea> area_;
  DocumentFactory makeDocument_;
  FrameFactory makeFrameFor_;
  RecentFileList* recentFiles_;
  std::vector<std::unique_ptr<ViewerDocument>> documents_;
};

}  // namespace Corvalis::Viewer
