#pragma once
// C_PDF_Doc: one open PDF file and the engine objects that belong to it.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "viewer/doc/selection_context.h"
#include "viewer/doc/viewer_document.h"

class C_PDF_Document;
class C_PDF_Creator;
class C_PDF_Draw;
class QWidget;

namespace Corvalis::Viewer {

class PageTreeProgress;

class C_PDF_Doc : public ViewerDocument {
  Q_OBJECT
 public:
  // owner: the window the password dialog and the progress window belong to.
  explicit C_PDF_Doc(QWidget* owner = nullptr);
  ~C_PDF_Doc() override;

  // The open sequence; false after a failure (a message has been shown where one belongs).
  bool onOpenDocument(const QString& path) override;

  const QString& path() const { return path_; }
  C_PDF_Document* document() const { return document_.get(); }
  C_PDF_Creator* creator() const { return creator_.get(); }
  C_PDF_Draw* renderer() const { return renderer_.get(); }
  SelectionContext* selectionContext() const { return selectionContext_.get(); }
  int selectionMode() const { return selectionMode_; }
  void setSelectionMode(int mode) { selectionMode_ = mode; }
  int savedSelectionMode() const { return savedSelectionMode_; }
  void setSavedSelectionMode(int mode) { savedSelectionMode_ = mode; }

  // Reads the rest of the page tree after the first-page-only open (once).
  void completePageTree();
  bool pageTreeComplete() const { return pageTreeComplete_; }
  // True while any document is inside a long engine call that lets the event loop paint its
  // progress window; views must not start drawing then (the engine is not re-entrant).
  static bool engineBusy();

  const PageTreeProgress& progress() const { return *progress_; }

  // Drops the parsed pages and loaded fonts so that pages are drawn again with files that have
  // arrived since (a fetched CMap); the views then draw again.
  void reloadFonts();

  // Called after a successful open (the main frame marks that a document has been opened).
  std::function<void()> onOpened;

 signals:
  void pageTreeCompleted();
  void fontsReloaded();

 private:
  void releaseEngine();

  QPointer<QWidget> owner_;
  QString path_;
  std::unique_ptr<PageTreeProgress> progress_;
  std::unique_ptr<C_PDF_Document> document_;
  std::unique_ptr<C_PDF_Creator> creator_;
  std::unique_ptr<C_PDF_Draw> renderer_;
  std::unique_ptr<SelectionContext> selectionContext_;
  int selectionMode_ = kSelectText;
  int savedSelectionMode_ = kSelectText;
  bool pageTreeComplete_ = false;
};

// The message box for a C_PDF_Exception code (1, 2 and 4; others show nothing), led by the
// engine's reason in words when it gives one.
void showEngineError(int code, const char* caption, QWidget* owner, const std::string& reason = {});

}  // namespace Corvalis::Viewer
