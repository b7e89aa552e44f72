#include "viewer/doc/document_template.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <exception>

#include "viewer/doc/recent_file_list.h"
#include "viewer/messages/message_box.h"
#include "viewer/messages/viewer_texts.h"

namespace Corvalis::Viewer {

DocumentTemplate::DocumentTemplate(QMdiArea* area, DocumentFactory documents, FrameFactory frames,
                                   RecentFileList* recentFiles)
    : area_(area),
      makeDocument_(std::move(documents)),
      makeFrameFor_(std::move(frames)),
      recentFiles_(recentFiles) {}

DocumentTemplate::~DocumentTemplate() = default;

ViewerDocument* DocumentTemplate::findDocument(const QString& path) const {
  const QString wanted = QFileInfo(path).canonicalFilePath();
  if (wanted.isEmpty()) return nullptr;
  for (const auto& document : documents_)
    if (QFileInfo(document->pathName()).canonicalFilePath() == wanted) return document.get();
  return nullptr;
}

ViewerDocument* DocumentTemplate::openDocumentFile(const QString& path) {
  if (ViewerDocument* open = findDocument(path)) {
    if (!open->views().empty()) {
      for (QMdiSubWindow* frame : area_->subWindowList())
        if (frame->property("document").value<QObject*>() == open) {
          area_->setActiveSubWindow(frame);
          break;
        }
    }
    return open;
  }
  std::unique_ptr<ViewerDocument> document = makeDocument_();
  bool opened = false;
  const OpeningFileScope naming(path);
  try {
    opened = document->onOpenDocument(path);
  } catch (const std::exception&) {
    // Anything the engine did not turn into its own message ends the open with the general one.
    showMessage(nullptr, kCaptionReader, kTextCouldNotOpen, BoxIcon::Warning);
    opened = false;
  }
  if (!opened) return nullptr;
  const QString full = QFileInfo(path).absoluteFilePath();
  document->setPathName(full);
  ViewerDocument* raw = document.get();
  documents_.push_back(std::move(document));
  connect(raw, &ViewerDocument::lastViewRemoved, this, [this, raw] { documentWithoutViews(raw); });
  connect(raw, &ViewerDocument::viewsChanged, this, [this, raw] { retitle(*raw); });
  connect(raw, &ViewerDocument::modifiedChanged, this, [this, raw] { retitle(*raw); });
  if (recentFiles_) {
    recentFiles_->add(full);
    recentFiles_->save();
  }
  if (!makeFrame(*raw)) {
    documentWithoutViews(raw);
    return nullptr;
  }
  emit documentOpened(raw);
  return raw;
}

QMdiSubWindow* DocumentTemplate::createNewFrame(ViewerDocument& document) {
  return makeFrame(document);
}

QMdiSubWindow* DocumentTemplate::makeFrame(ViewerDocument& document) {
  if (!area_ || !makeFrameFor_) return nullptr;
  QMdiSubWindow* frame = makeFrameFor_(document);
  if (!frame) return nullptr;
  frame->setProperty("document", QVariant::fromValue<QObject*>(&document));
  area_->addSubWindow(frame);
  frame->showMaximized();
  retitle(document);
  if (auto* view = dynamic_cast<DocumentView*>(frame->widget())) view->onInitialUpdate();
  area_->setActiveSubWindow(frame);
  return frame;
}

void DocumentTemplate::retitle(ViewerDocument& document) {
  if (!area_) return;
  std::vector<QMdiSubWindow*> frames;
  for (QMdiSubWindow* frame : area_->subWindowList())
    if (frame->property("document").value<QObject*>() == &document) frames.push_back(frame);
  // A document with unsaved changes is marked as desktop programs mark it.
  const QString title =
      document.isModified() ? QStringLiteral("*") + document.title() : document.title();
  for (std::size_t i = 0; i < frames.size(); ++i)
    frames[i]->setWindowTitle(frames.size() == 1 ? title
                                                 : QStringLiteral("%1:%2").arg(title).arg(i + 1));
}

void DocumentTemplate::documentWithoutViews(ViewerDocument* document) {
  // The last view is being destroyed right now; the document goes once that has finished.
  QTimer::singleShot(0, this, [this, document] {
    for (auto it = documents_.begin(); it != documents_.end(); ++it)
      if (it->get() == document) {
        if (!document->views().empty()) return;
        documents_.erase(it);
        return;
      }
  });
}

}  // namespace Corvalis::Viewer
