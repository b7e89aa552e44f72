#pragma once
// The engine's progress interface shown as the progress window: the page-tree walk of a large
// document shows it, a small one runs silently.

#include <QElapsedTimer>
#include <QPointer>
#include <memory>

#include "engine/document/document_hooks.h"

class QWidget;

namespace Corvalis::Viewer {

class C_Conversion_ProgressDialog;

class PageTreeProgress : public IProgressSink {
 public:
  explicit PageTreeProgress(QWidget* owner = nullptr);
  ~PageTreeProgress() override;

  void start(const std::string& text, int maximum, bool visible) override;
  void setPosition(int position) override;
  void finish() override;

  // Whether the window was shown since the last start.
  bool shown() const { return shown_; }
  // The highest position reported since the last start.
  int lastPosition() const { return lastPosition_; }

 private:
  QPointer<QWidget> owner_;
  std::unique_ptr<C_Conversion_ProgressDialog> dialog_;
  QElapsedTimer sincePaint_;
  bool shown_ = false;
  int lastPosition_ = 0;
};

}  // namespace Corvalis::Viewer
