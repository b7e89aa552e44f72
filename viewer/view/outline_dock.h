#pragma once
// The side panel beside the document windows: the active document's bookmarks as a tree (a click
// on an entry asks for its target to be shown) and, on a tab beside them, its thumbnails.

#include <QDockWidget>
#include <QPointer>

#include "engine/document/link_annotation.h"

class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
struct OutlineItem;

namespace Corvalis::Viewer {

class C_PDF_Doc;
class ThumbnailStrip;

class OutlineDock : public QDockWidget {
  Q_OBJECT
 public:
  explicit OutlineDock(QWidget* parent = nullptr);

  // The document whose outline is shown (nullptr: none). Read only while the panel is shown.
  void setDocument(C_PDF_Doc* document);
  C_PDF_Doc* document() const { return document_.data(); }
  QTreeWidget* tree() const { return tree_; }
  ThumbnailStrip* thumbnails() const { return thumbnails_; }
  QTabWidget* tabs() const { return tabs_; }
  // Shows the panel on its thumbnails tab.
  void showThumbnails();

 signals:
  void targetChosen(const LinkTarget& target);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void rebuild();
  void addItems(QTreeWidgetItem* parent, const std::vector<OutlineItem>& items);

  QTabWidget* tabs_;
  QTreeWidget* tree_;
  ThumbnailStrip* thumbnails_;
  QPointer<C_PDF_Doc> document_;
  C_PDF_Doc* shown_ = nullptr;
  bool stale_ = true;
};

}  // namespace Corvalis::Viewer
