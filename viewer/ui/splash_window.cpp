#include "viewer/ui/splash_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "viewer/ui/icons.h"

namespace Corvalis::Viewer {

SplashWindow::SplashWindow(std::function<void()> afterClose)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      art_(viewerArtwork(Artwork::Splash)),
      afterClose_(std::move(afterClose)) {
  setObjectName(QStringLiteral("splashWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(art_.isNull() ? QSize(1, 1) : art_.size());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void SplashWindow::start() {
  show();
  QTimer::singleShot(kShowMs, this, [this] {
    auto after = std::move(afterClose_);
    close();
    if (after) after();
  });
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, art_);
}

}  // namespace Corvalis::Viewer
