#include "viewer/ui/progress_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace Corvalis::Viewer {

namespace {

// The bar's size: 206 × 21 dialog units.
constexpr int kBarWidth = 309;
constexpr int kBarHeight = 34;

}  // namespace

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
}

void CTextProgressCtrl::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void CTextProgressCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect r = rect();
  painter.fillRect(r, palette().color(QPalette::Base));
  const int span = maximum() - minimum();
  const double part = span > 0 ? double(value() - minimum()) / span : 0.0;
  QRect fill = r;
  fill.setWidth(static_cast<int>(r.width() * std::clamp(part, 0.0, 1.0)));
  painter.fillRect(fill, palette().color(QPalette::Highlight));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(r.adjusted(0, 0, -1, -1));
  // The caption reads over both parts of the bar.
  painter.setClipRect(fill);
  painter.setPen(palette().color(QPalette::HighlightedText));
  painter.drawText(r, Qt::AlignCenter, caption_);
  painter.setClipRegion(QRegion(r).subtracted(fill));
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(r, Qt::AlignCenter, caption_);
}

C_Conversion_ProgressDialog::C_Conversion_ProgressDialog(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), bar_(new CTextProgressCtrl(this)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  bar_->setFixedSize(kBarWidth, kBarHeight);
  layout->addWidget(bar_);
  adjustSize();
  const QWidget* anchor = owner ? owner->window() : nullptr;
  const QRect area =
      anchor
          ? anchor->frameGeometry()
          : (QApplication::primaryScreen() ? QApplication::primaryScreen()->geometry() : QRect());
  move(area.center() - rect().center());
}

void C_Conversion_ProgressDialog::setRange(int minimum, int maximum) {
  bar_->setRange(minimum, maximum);
}

void C_Conversion_ProgressDialog::setPosition(int position) { bar_->setValue(position); }

void C_Conversion_ProgressDialog::setText(const QString& text) { bar_->setCaption(text); }

}  // namespace Corvalis::Viewer
