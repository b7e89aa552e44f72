#pragma once
// The progress window of long walks over the document: a borderless pop-up holding a progress
// bar that draws its caption over the bar.

#include <QProgressBar>
#include <QWidget>

namespace Corvalis::Viewer {

// A progress bar whose caption text is drawn centred over the bar.
class CTextProgressCtrl : public QProgressBar {
  Q_OBJECT
 public:
  explicit CTextProgressCtrl(QWidget* parent = nullptr);
  void setCaption(const QString& caption);
  const QString& caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

class C_Conversion_ProgressDialog : public QWidget {
  Q_OBJECT
 public:
  // Created hidden.
  explicit C_Conversion_ProgressDialog(QWidget* owner = nullptr);

  void setRange(int minimum, int maximum);
  void setPosition(int position);
  void setText(const QString& text);
  int position() const { return bar_->value(); }
  CTextProgressCtrl* bar() const { return bar_; }

 private:
  CTextProgressCtrl* bar_;
};

}  // namespace Corvalis::Viewer
