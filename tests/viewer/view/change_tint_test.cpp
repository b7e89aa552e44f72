#include "viewer/view/change_tint.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <random>

namespace Corvalis::Viewer {
namespace {

// A page of grey "lines of text" with one paragraph at paragraphTop.
QImage page(int paragraphTop) {
  QImage image(400, 600, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  for (int y = 40; y < 200; y += 14) p.fillRect(QRectF(40, y, 320, 7.5), Qt::black);
  for (int y = paragraphTop; y < paragraphTop + 60; y += 14)
    p.fillRect(QRectF(40.3, y + 0.4, 300, 7.5), Qt::darkGray);
  return image;
}

bool covers(const std::vector<QRect>& areas, const QRect& wanted) {
  for (const QRect& a : areas)
    if (a.contains(wanted)) return true;
  return false;
}

TEST(ChangeTint, FindsAMovedParagraphInFewAreas) {
  const std::vector<QRect> areas = ChangeTint::changedAreas(page(300), page(420));
  ASSERT_FALSE(areas.empty());
  EXPECT_LE(areas.size(), ChangeTint::kMaxAreas);
  // Where it was and where it is now; the lines that stayed are not marked.
  EXPECT_TRUE(covers(areas, QRect(60, 305, 260, 40)));
  EXPECT_TRUE(covers(areas, QRect(60, 425, 260, 40)));
  for (const QRect& a : areas) EXPECT_GT(a.top(), 200);
}

TEST(ChangeTint, AnUnchangedOrMerelyNoisyPageGivesNothing) {
  EXPECT_TRUE(ChangeTint::changedAreas(page(300), page(300)).empty());
  // Edge smoothing that differs by a few levels here and there is not a change.
  QImage noisy = page(300);
  std::mt19937 random(7);
  for (int i = 0; i < 4000; ++i) {
    const int x = int(random() % 400), y = int(random() % 600);
    const QColor c = noisy.pixelColor(x, y);
    const int shift = int(random() % 40);
    noisy.setPixelColor(x, y,
                        QColor(std::max(0, c.red() - shift), std::max(0, c.green() - shift),
                               std::max(0, c.blue() - shift)));
  }
  // A few isolated pixels that differ a lot (a glyph edge landing elsewhere).
  for (int i = 0; i < 30; ++i) noisy.setPixelColor(int(random() % 400), 500 + i * 3, Qt::black);
  EXPECT_TRUE(ChangeTint::changedAreas(page(300), noisy).empty());
  // The same page drawn a little larger (the window grew) is still the same page; a page of
  // another shape changed as a whole.
  const QImage larger = page(300).scaled(412, 618, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  EXPECT_TRUE(ChangeTint::changedAreas(page(300), larger).empty());
  const QImage wider = page(300).scaled(480, 600);
  EXPECT_EQ(ChangeTint::changedAreas(page(300), wider), std::vector<QRect>{wider.rect()});
  EXPECT_TRUE(ChangeTint::changedAreas(QImage(), page(300)).empty());
}

TEST(ChangeTint, ManyScatteredEditsMergeIntoAFewAreas) {
  QImage after = page(300);
  {
    QPainter p(&after);
    for (int i = 0; i < 20; ++i)
      p.fillRect(QRect(10 + (i % 5) * 80, 220 + (i / 5) * 90, 20, 20), Qt::red);
  }
  const std::vector<QRect> areas = ChangeTint::changedAreas(page(300), after);
  EXPECT_LE(areas.size(), ChangeTint::kMaxAreas);
  EXPECT_TRUE(covers(areas, QRect(10, 220, 20, 20)));
  EXPECT_TRUE(covers(areas, QRect(330, 490, 20, 20)));
}

}  // namespace
}  // namespace Corvalis::Viewer
