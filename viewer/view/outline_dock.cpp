#include "viewer/view/outline_dock.h"

#include <QHeaderView>
#include <QTabWidget>
#include <QTreeWidget>

#include "engine/document/outline.h"
#include "viewer/doc/document_navigation.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/view/thumbnail_strip.h"

namespace Corvalis::Viewer {

namespace {

// The item's entry in the outline, which lives with the document.
constexpr int kEntryRole = Qt::UserRole + 1;

}  // namespace

OutlineDock::OutlineDock(QWidget* parent)
    : QDockWidget(tr("书签"), parent),
      tabs_(new QTabWidget(this)),
      tree_(new QTreeWidget(tabs_)),
      thumbnails_(new ThumbnailStrip(tabs_)) {
  setObjectName(QStringLiteral("outlineDock"));
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  tree_->setObjectName(QStringLiteral("outlineTree"));
  tree_->setHeaderHidden(true);
  tree_->setUniformRowHeights(true);
  tree_->header()->setStretchLastSection(true);
  tabs_->setObjectName(QStringLiteral("sidePanelTabs"));
  tabs_->addTab(tree_, tr("书签"));
  tabs_->addTab(thumbnails_, tr("缩略图"));
  setWidget(tabs_);
  connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    auto* entry = static_cast<const OutlineItem*>(item->data(0, kEntryRole).value<void*>());
    // The entries are the document's; a document that went took its panel contents along.
    if (entry && document_ && document_ == shown_) emit targetChosen(entry->target);
  });
}

void OutlineDock::showThumbnails() {
  tabs_->setCurrentWidget(thumbnails_);
  show();
  raise();
}

void OutlineDock::setDocument(C_PDF_Doc* document) {
  if (document == document_.data() && document == shown_) return;
  document_ = document;
  stale_ = true;
  if (isVisible()) rebuild();
}

void OutlineDock::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  if (stale_) rebuild();
}

void OutlineDock::rebuild() {
  stale_ = false;
  tree_->clear();
  shown_ = document_.data();
  if (!shown_) return;
  addItems(nullptr, DocumentNavigation::of(*shown_).outline().items);
}

void OutlineDock::addItems(QTreeWidgetItem* parent, const std::vector<OutlineItem>& items) {
  for (const OutlineItem& entry : items) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(
        0, QString::fromUtf8(entry.title.data(), static_cast<qsizetype>(entry.title.size())));
    item->setToolTip(0, item->text(0));
    item->setData(0, kEntryRole,
                  QVariant::fromValue(const_cast<void*>(static_cast<const void*>(&entry))));
    addItems(item, entry.children);
    item->setExpanded(entry.open);
  }
}

}  // namespace Corvalis::Viewer
