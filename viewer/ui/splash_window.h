#pragma once
// The splash window: the artwork in a borderless window centred on the screen, removed after a
// fixed time.

#include <QWidget>
#include <functional>

namespace Corvalis::Viewer {

class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kShowMs = 1500;

  // afterClose runs when the timer has removed the window.
  explicit SplashWindow(std::function<void()> afterClose = {});
  // Shows the window and starts its timer.
  void start();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap art_;
  std::function<void()> afterClose_;
};

}  // namespace Corvalis::Viewer
