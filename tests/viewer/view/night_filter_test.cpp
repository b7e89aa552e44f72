#include "viewer/view/night_filter.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QSettings>

#include "engine/document/pdf_document.h"
#include "engine/render/render_request.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/messages/app_identity.h"
#include "viewer/view/page_image.h"

namespace viewer_test {
namespace {

QImage solid(QRgb colour, QSize size = {4, 4}) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(colour);
  return image;
}

QRgb centre(const QImage& image) { return image.pixel(image.width() / 2, image.height() / 2); }

TEST(NightFilter, LightnessIsInvertedAndHueKept) {
  const NightSettings night{true, false, false};
  EXPECT_EQ(centre(NightFilter::filtered(solid(0xFFFFFFFF), night)), 0xFF000000u);
  EXPECT_EQ(centre(NightFilter::filtered(solid(0xFF000000), night)), 0xFFFFFFFFu);
  // Full colours have lightness one half: they stay; a dark blue becomes a light blue.
  EXPECT_EQ(centre(NightFilter::filtered(solid(0xFFFF0000), night)), 0xFFFF0000u);
  EXPECT_EQ(centre(NightFilter::filtered(solid(0xFF000080), night)), 0xFF7F7FFFu);
  const QColor before(QColor(0x20, 0x60, 0x40)),
      after(NightFilter::filtered(solid(before.rgb()), night).pixel(0, 0));
  EXPECT_NEAR(after.hslHue(), before.hslHue(), 1);
  EXPECT_NEAR(after.hslSaturation(), before.hslSaturation(), 2);
  EXPECT_NEAR(after.lightness(), 255 - before.lightness(), 1);
  // Twice gives the page back.
  EXPECT_EQ(centre(NightFilter::filtered(NightFilter::filtered(solid(before.rgb()), night), night)),
            before.rgb());
  // Translucent (premultiplied) pixels stay valid: no channel above alpha.
  const QRgb half = NightFilter::filtered(solid(qRgba(0, 0, 0, 128)), night).pixel(0, 0);
  EXPECT_EQ(qAlpha(half), 128);
  EXPECT_LE(qRed(half), 255);
}

TEST(NightFilter, SepiaTintsThePaperAndKeptAreasStay) {
  const QRgb paper = centre(NightFilter::filtered(solid(0xFFFFFFFF), {false, false, true}));
  EXPECT_GT(qRed(paper), qBlue(paper));  // warm
  EXPECT_GT(qGray(paper), 200);          // still light by day
  const QRgb nightPaper = centre(NightFilter::filtered(solid(0xFFFFFFFF), {true, false, true}));
  EXPECT_LT(qGray(nightPaper), 60);
  EXPECT_GT(qRed(nightPaper), qBlue(nightPaper));

  QImage page = solid(0xFFFFFFFF, {10, 10});
  const QImage out = NightFilter::filtered(page, {true, true, false}, {QRect(2, 2, 3, 3)});
  EXPECT_EQ(out.pixel(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(out.pixel(5, 5), 0xFF000000u);
  EXPECT_EQ(out.pixel(1, 1), 0xFF000000u);
}

TEST(NightFilter, PictureAreasFollowTheBitmapThroughTurns) {
  QImage page = solid(0xFFFFFFFF, {100, 50});
  NightFilter::attachPictureAreas(page, {{10, 5, 20, 10}});
  EXPECT_EQ(NightFilter::pictureAreas(page, 0), QList<QRect>{QRect(10, 5, 20, 10)});
  const QImage turned = page.transformed(QTransform().rotate(90));
  ASSERT_EQ(turned.size(), QSize(50, 100));
  // A quarter turn clockwise: x becomes height − y − h, y becomes x.
  EXPECT_EQ(NightFilter::pictureAreas(turned, 90), QList<QRect>{QRect(35, 10, 10, 20)});
  const QImage upsideDown = page.transformed(QTransform().rotate(180));
  EXPECT_EQ(NightFilter::pictureAreas(upsideDown, 180), QList<QRect>{QRect(70, 35, 20, 10)});
  // Damaged or missing text reads as no areas.
  QImage other = solid(0xFFFFFFFF);
  EXPECT_TRUE(NightFilter::pictureAreas(other, 0).isEmpty());
  other.setText(QStringLiteral("brevia-picture-areas"), QStringLiteral("x;1,2"));
  EXPECT_TRUE(NightFilter::pictureAreas(other, 0).isEmpty());
}

// A page of white paper with a grey picture (an inline image) in its top left quarter.
QString pictureFile() {
  return writePdf(testing_pdf::simpleDocument(
                      1, "q 306 0 0 396 0 396 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x40 EI Q",
                      "/MediaBox [0 0 612 792]"),
                  "night-picture.pdf");
}

class NightModeTest : public FrameFixture {
 protected:
  void TearDown() override {
    NightFilter::instance().setSettings({});
    FrameFixture::TearDown();
  }
  QImage screen() {
    paint();
    return frame->activeView()->viewport()->grab().toImage();
  }
  QPoint paperPoint() {
    const C_PDF_View* view = frame->activeView();
    return view->pageOrigin() +
           QPoint(view->pageImage().width() * 3 / 4, view->pageImage().height() * 3 / 4);
  }
  QPoint picturePoint() {
    const C_PDF_View* view = frame->activeView();
    return view->pageOrigin() +
           QPoint(view->pageImage().width() / 4, view->pageImage().height() / 4);
  }
};

TEST_F(NightModeTest, CtrlIChangesTheScreenOnlyAndIsRemembered) {
  ASSERT_TRUE(frame->openFile(pictureFile()));
  C_PDF_View* view = frame->activeView();
  ASSERT_TRUE(view);
  const QImage day = screen();
  EXPECT_EQ(day.pixel(paperPoint()), 0xFFFFFFFFu);
  EXPECT_EQ(qGray(day.pixel(picturePoint())), 0x40);

  view->setFocus();
  QTest::keyClick(view, Qt::Key_I, Qt::ControlModifier);
  ASSERT_TRUE(NightFilter::instance().settings().night);
  const QImage night = screen();
  EXPECT_EQ(night.pixel(paperPoint()), 0xFF000000u);
  EXPECT_EQ(qGray(night.pixel(picturePoint())), 0xBF);
  EXPECT_TRUE(QSettings(QLatin1String(kOrganisationName), QLatin1String(kSettingsApplicationName))
                  .value(QStringLiteral("View/NightMode"))
                  .toBool());
  // The page bitmap the view keeps (copy, export) is the page itself.
  EXPECT_EQ(view->pageImage().pixel(view->pageImage().width() * 3 / 4, 10), 0xFFFFFFFFu);

  // Pictures left as they are.
  NightFilter::instance().setSettings({true, true, false});
  const QImage kept = screen();
  EXPECT_EQ(kept.pixel(paperPoint()), 0xFF000000u);
  EXPECT_EQ(qGray(kept.pixel(picturePoint())), 0x40);

  // Printing draws the page itself: printed to a PDF and read back, the paper is white.
  QPrinter pdf;
  pdf.setOutputFormat(QPrinter::PdfFormat);
  const QString out = QDir::temp().filePath("brevia-night-print-test.pdf");
  pdf.setOutputFileName(out);
  view->print(pdf);
  C_PDF_Document printed;
  ASSERT_TRUE(printed.open(out.toStdString(), ""));
  C_PDF_Creator creator(printed);
  C_PDF_Draw draw(printed, creator);
  const C_PDF_PageTreeNode_or_Page* page = printed.findPage(1, false);
  ASSERT_TRUE(page);
  RenderRequest request = pageRenderRequest(*page, 1, 36);
  const QImage paper = renderPageImage(draw, request, kMaxViewBitmapPixels);
  ASSERT_FALSE(paper.isNull());
  EXPECT_EQ(paper.pixel(paper.width() * 3 / 4, paper.height() * 3 / 4), 0xFFFFFFFFu);
  EXPECT_NEAR(qGray(paper.pixel(paper.width() / 4, paper.height() / 4)), 0x40, 2);
  QFile::remove(out);

  QTest::keyClick(view, Qt::Key_I, Qt::ControlModifier);
  EXPECT_FALSE(NightFilter::instance().settings().night);
  EXPECT_EQ(screen().pixel(paperPoint()), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace viewer_test
