#pragma once
// The bar above the pages that tells, without stopping the reader, what the active document's
// pages are shown without. It comes once per document; Details lists every fault.

#include <QPointer>
#include <QToolBar>

class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace Corvalis::Viewer {

class PageFaultLog;

class NoticeBar : public QToolBar {
  Q_OBJECT
 public:
  explicit NoticeBar(QWidget* parent = nullptr);

  // Shows the log's notice (hides the bar when it has none or it was closed); null hides it.
  void showFor(PageFaultLog* log);
  PageFaultLog* log() const { return log_.data(); }
  QString text() const;
  QToolButton* detailsButton() const { return details_; }
  QToolButton* closeButton() const { return close_; }
  // The list of faults, while it is open.
  QPlainTextEdit* detailsView() const;

 private:
  void showDetails();

  QPointer<PageFaultLog> log_;
  QLabel* label_;
  QToolButton* details_;
  QToolButton* close_;
  QPointer<QWidget> detailsWindow_;
};

}  // namespace Corvalis::Viewer
