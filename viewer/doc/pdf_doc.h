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
  // The document's file after it was saved under a new name.
  void setFilePath(const QString& path) { path_ = path; }
  // The password the file was opened with (typed by the user or given to open), for readings
  // of the same file that cannot ask.
  const std::string& password() const { return password_; }
  C_PDF_Document* document() const { return document_.get(); }
  C_PDF_Creator* creator() const { return creator_.get(); }
  C_PDF_Draw* renderer() const { return renderer_.get(); }
  SelectionContext* selectionContext() const { return selectionContext_.get(); }
  int selectionMode() const { return selectionMode_; }
  void setSelectionMode(int mode) { selectionMode_ = mode; }
  int savedSelectionMode() const { return savedSelectionMode_; }
  void setSavedSelectionMode(int mode) { savedSelectionMode_ = mode; }

  // The view rotation in degrees, shared by all views of the file; it outlives readings of the
  // file (reloads) and starts at 0 with each open.
  int viewRotation() const { return viewRotation_; }
  void setViewRotation(int degrees) { viewRotation_ = degrees; }

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
  // Takes a new reading of the same file (its page tree complete) in place of the present
  // engine objects, keeping the view rotation; the views are told before and after.
  void replaceEngine(std::unique_ptr<C_PDF_Document> parsed);
  int reloadCount() const { return reloadCount_; }
  // While the file is being rewritten in place the old reading must not read it: views keep
  // what they have drawn and draw nothing new.
  void setFileChanging(bool changing) {
    fileChanging_ = changing;
    if (changing) emit fileChangingStarted();
  }
  bool fileChanging() const { return fileChanging_; }

  // Called after a successful open (the main frame marks that a document has been opened).
  std::function<void()> onOpened;

 signals:
  void pageTreeCompleted();
  void fontsReloaded();
  // Around replaceEngine: views drop what refers to the old reading, then show the new one.
  void aboutToReplaceEngine();
  // The file is being rewritten in place: background readers of it must stop.
  void fileChangingStarted();
  void engineReplaced();

 private:
  void releaseEngine();

  QPointer<QWidget> owner_;
  QString path_;
  std::string password_;
  std::unique_ptr<PageTreeProgress> progress_;
  std::unique_ptr<C_PDF_Document> document_;
  std::unique_ptr<C_PDF_Creator> creator_;
  std::unique_ptr<C_PDF_Draw> renderer_;
  std::unique_ptr<SelectionContext> selectionContext_;
  int selectionMode_ = kSelectText;
  int savedSelectionMode_ = kSelectText;
  int viewRotation_ = 0;
  bool pageTreeComplete_ = false;
  bool fileChanging_ = false;
  int reloadCount_ = 0;
};

// The message box for a C_PDF_Exception code (1, 2 and 4; others show nothing), led by the
// engine's reason in words when it gives one.
void showEngineError(int code, const char* caption, QWidget* owner, const std::string& reason = {});

}  // namespace Corvalis::Viewer
