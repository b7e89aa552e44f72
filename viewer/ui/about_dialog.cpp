#include "viewer/ui/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "viewer/ui/icons.h"

namespace Corvalis::Viewer {

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      picture_(new QLabel(this)),
      ok_(new QPushButton(tr("确定"), this)) {
  setObjectName(QStringLiteral("aboutDialog"));
  setWindowTitle(tr("关于 Brevia Reader"));
  const QPixmap art = viewerArtwork(Artwork::Splash);
  picture_->setPixmap(art);
  picture_->setGeometry(0, 0, art.width(), art.height());
  ok_->adjustSize();
  ok_->setDefault(true);
  // The dialog wraps the picture; the button sits centred below it, a quarter of its height
  // away.
  const int gap = ok_->height() / 4;
  ok_->move((art.width() - ok_->width()) / 2, art.height() + gap);
  setFixedSize(art.width(), art.height() + 2 * gap + ok_->height());
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace Corvalis::Viewer
