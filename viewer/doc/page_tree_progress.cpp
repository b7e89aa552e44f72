#include "viewer/doc/page_tree_progress.h"

#include <QWidget>

#include "viewer/ui/progress_dialog.h"

namespace Corvalis::Viewer {

namespace {

// The window is brought up to date at most this often while the walk runs.
constexpr qint64 kRepaintIntervalMs = 40;

}  // namespace

PageTreeProgress::PageTreeProgress(QWidget* owner) : owner_(owner) {}

PageTreeProgress::~PageTreeProgress() = default;

void PageTreeProgress::start(const std::string& text, int maximum, bool visible) {
  shown_ = false;
  lastPosition_ = 0;
  dialog_.reset();
  if (!visible) return;
  dialog_ = std::make_unique<C_Conversion_ProgressDialog>(owner_.data());
  dialog_->setRange(0, std::max(0, maximum));
  dialog_->setPosition(0);
  dialog_->setText(QString::fromStdString(text));
  dialog_->show();
  shown_ = true;
  // Painted directly: running the event loop here would let other events (a paint, a timer)
  // reach the engine while it is inside the walk.
  dialog_->repaint();
  sincePaint_.start();
}

void PageTreeProgress::setPosition(int position) {
  lastPosition_ = std::max(lastPosition_, position);
  if (!dialog_) return;
  dialog_->setPosition(position);
  if (sincePaint_.elapsed() < kRepaintIntervalMs) return;
  dialog_->repaint();
  sincePaint_.restart();
}

void PageTreeProgress::finish() { dialog_.reset(); }

}  // namespace Corvalis::Viewer
