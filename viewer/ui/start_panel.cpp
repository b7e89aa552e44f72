#include "viewer/ui/start_panel.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include "viewer/ui/icons.h"

namespace Corvalis::Viewer {

COpenPDFFileDialog2::COpenPDFFileDialog2(QWidget* parent)
    : QWidget(parent), picture_(new QLabel(this)), button_(new QToolButton(this)) {
  setObjectName(QStringLiteral("startPanel"));
  const QPixmap art = viewerArtwork(Artwork::StartPanel);
  picture_->setPixmap(art);
  picture_->setGeometry(0, 0, art.width(), art.height());
  picture_->setAttribute(Qt::WA_TransparentForMouseEvents);
  setFixedSize(art.isNull() ? QSize(440, 260) : art.size());

  QIcon icon;
  const QPixmap normal = viewerArtwork(Artwork::OpenButton);
  const QPixmap pressed = viewerArtwork(Artwork::OpenButtonPressed);
  icon.addPixmap(normal, QIcon::Normal, QIcon::Off);
  icon.addPixmap(pressed, QIcon::Active, QIcon::Off);
  icon.addPixmap(pressed, QIcon::Disabled, QIcon::Off);
  icon.addPixmap(pressed, QIcon::Selected, QIcon::Off);
  button_->setObjectName(QStringLiteral("startPanelOpen"));
  button_->setIcon(icon);
  button_->setIconSize(normal.size());
  button_->setAutoRaise(true);
  button_->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));
  button_->setToolTip(tr("打开 PDF 文件"));
  button_->setCursor(Qt::PointingHandCursor);
  button_->move(kButtonX, kButtonY);
  button_->resize(normal.size());
  button_->installEventFilter(this);
  connect(button_, &QToolButton::clicked, this, &COpenPDFFileDialog2::openRequested);
  if (parent) parent->installEventFilter(this);
  recentre();
}

void COpenPDFFileDialog2::recentre() {
  if (QWidget* p = parentWidget()) move((p->width() - width()) / 2, (p->height() - height()) / 2);
}

void COpenPDFFileDialog2::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton && p.x() >= kCloseLeft && p.x() <= kCloseRight &&
      p.y() >= kCloseTop && p.y() <= kCloseBottom) {
    hide();
    return;
  }
  QWidget::mousePressEvent(event);
}

bool COpenPDFFileDialog2::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) recentre();
  if (watched == button_ &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    // The pressed picture shows while the button is held.
    const bool down = event->type() == QEvent::MouseButtonPress;
    button_->setIcon(QIcon(viewerArtwork(down ? Artwork::OpenButtonPressed : Artwork::OpenButton)));
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace Corvalis::Viewer
