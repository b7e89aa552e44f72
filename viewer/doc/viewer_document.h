#pragma once
// The document/view base the viewer's document and view build on: a document knows its views,
// refreshes them, and carries its path and modified flag.

#include <QObject>
#include <QString>
#include <vector>

namespace Corvalis::Viewer {

class DocumentView {
 public:
  virtual ~DocumentView() = default;
  // Called once, after the view's frame has been created and shown.
  virtual void onInitialUpdate() {}
  // Called by updateAllViews for every view except the sender.
  virtual void onUpdate(DocumentView* sender) = 0;
};

class ViewerDocument : public QObject {
  Q_OBJECT
 public:
  ViewerDocument() = default;
  ~ViewerDocument() override = default;

  virtual bool isModified() const { return modified_; }
  virtual void setModifiedFlag(bool modified) {
    if (modified == modified_) return;
    modified_ = modified;
    emit modifiedChanged();
  }
  virtual bool onNewDocument() { return true; }
  virtual bool onOpenDocument(const QString& path) = 0;

  const QString& pathName() const { return pathName_; }
  void setPathName(const QString& path) { pathName_ = path; }
  // The file name shown in titles.
  QString title() const;

  void addView(DocumentView* view);
  void removeView(DocumentView* view);
  const std::vector<DocumentView*>& views() const { return views_; }
  // Refreshes every view but the sender.
  void updateAllViews(DocumentView* sender = nullptr);

 signals:
  void viewsChanged();
  void lastViewRemoved();
  void modifiedChanged();

 private:
  QString pathName_;
  bool modified_ = false;
  std::vector<DocumentView*> views_;
};

}  // namespace Corvalis::Viewer
