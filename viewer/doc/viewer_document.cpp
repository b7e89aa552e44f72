#include "viewer/doc/viewer_document.h"

#include <QFileInfo>
#include <algorithm>

namespace Corvalis::Viewer {

QString ViewerDocument::title() const { return QFileInfo(pathName_).fileName(); }

void ViewerDocument::addView(DocumentView* view) {
  if (std::find(views_.begin(), views_.end(), view) != views_.end()) return;
  views_.push_back(view);
  emit viewsChanged();
}

void ViewerDocument::removeView(DocumentView* view) {
  auto it = std::find(views_.begin(), views_.end(), view);
  if (it == views_.end()) return;
  views_.erase(it);
  emit viewsChanged();
  if (views_.empty()) emit lastViewRemoved();
}

void ViewerDocument::updateAllViews(DocumentView* sender) {
  // A view may close while being refreshed; walk a copy.
  const std::vector<DocumentView*> views = views_;
  for (DocumentView* view : views)
    if (view != sender && std::find(views_.begin(), views_.end(), view) != views_.end())
      view->onUpdate(sender);
}

}  // namespace Corvalis::Viewer
