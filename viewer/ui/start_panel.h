#pragma once
// COpenPDFFileDialog2: the start panel shown while no document has been opened, with a button
// that opens a file and a close mark in its artwork.

#include <QWidget>

class QLabel;
class QToolButton;

namespace Corvalis::Viewer {

class COpenPDFFileDialog2 : public QWidget {
  Q_OBJECT
 public:
  // Where the open button sits, and the close mark's area, in panel coordinates.
  static constexpr int kButtonX = 148;
  static constexpr int kButtonY = 162;
  static constexpr int kCloseLeft = 392;
  static constexpr int kCloseRight = 420;
  static constexpr int kCloseTop = 18;
  static constexpr int kCloseBottom = 47;

  explicit COpenPDFFileDialog2(QWidget* parent);
  QToolButton* openButton() const { return button_; }
  // Keeps the panel centred in its parent.
  void recentre();

 signals:
  void openRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* picture_;
  QToolButton* button_;
};

}  // namespace Corvalis::Viewer
