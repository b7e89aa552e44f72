// Drawing pages: paths, painting, clipping, colours and the graphics state, checked by pixels.

#include <gtest/gtest.h>

#include "engine/messages/message_listener.h"
#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;

TEST(PdfDraw, RectangleFillsExactlyItsPixels) {
  auto page = drawContent("0 0 100 50 re f");
  // PDF y grows upwards: the rectangle covers the lower half of the left part.
  EXPECT_EQ(page.at(0, 99), kBlack);
  EXPECT_EQ(page.at(99, 50), kBlack);
  EXPECT_EQ(page.at(100, 50), kWhite);
  EXPECT_EQ(page.at(99, 49), kWhite);
  EXPECT_EQ(page.at(150, 10), kWhite);
}

TEST(PdfDraw, RoundCapsReachHalfTheWidthBeyondTheEnds) {
  auto page = drawContent("10 w 1 J 50 50 m 150 50 l S");
  EXPECT_EQ(page.at(47, 50), kBlack);
  EXPECT_EQ(page.at(152, 50), kBlack);
  EXPECT_EQ(page.at(43, 50), kWhite);
  EXPECT_EQ(page.at(157, 50), kWhite);
  auto flat = drawContent("10 w 0 J 50 50 m 150 50 l S");
  EXPECT_EQ(flat.at(47, 50), kWhite);
}

TEST(PdfDraw, LinesThinnerThanAPixelAreOneSolidPixelWide) {
  // Zero width on a pixel edge, a tenth of a point inside a pixel, and both under a scale: each
  // covers exactly one column (or row), fully.
  auto page = drawContent(
      "0 w 40 10 m 40 90 l S 0.1 w 60.7 10 m 60.7 90 l S 10 95.2 m 190 95.2 l S "
      "q 3 0 0 3 0 0 cm 0 w 33.4 3 m 33.4 30 l S 0.02 w 40 3 m 40 30 l S Q");
  for (int x : {40, 60, 100, 120}) {
    EXPECT_EQ(page.at(x, 50), kBlack) << x;
    EXPECT_EQ(page.at(x - 1, 50), kWhite) << x;
    EXPECT_EQ(page.at(x + 1, 50), kWhite) << x;
  }
  EXPECT_EQ(page.at(150, 4), kBlack);
  EXPECT_EQ(page.at(150, 3), kWhite);
  EXPECT_EQ(page.at(150, 5), kWhite);
}

TEST(PdfDraw, DashPatternsPhasesAndDots) {
  auto dashed = drawContent("[4 4] 0 d 2 w 10 50 m 190 50 l S");
  EXPECT_EQ(dashed.at(12, 50), kBlack);
  EXPECT_EQ(dashed.at(16, 50), kWhite);
  EXPECT_EQ(dashed.at(20, 50), kBlack);
  // The phase starts the pattern two units in; q/Q brings back the solid line.
  auto phased = drawContent("q [4 4] 2 d 2 w 10 50 m 190 50 l S Q 2 w 10 20 m 190 20 l S");
  EXPECT_EQ(phased.at(11, 50), kBlack);
  EXPECT_EQ(phased.at(14, 50), kWhite);
  EXPECT_EQ(phased.at(17, 50), kBlack);
  EXPECT_EQ(phased.at(16, 80), kBlack);
  // Zero-length dashes with round caps are dots; an all-zero or negative pattern is solid.
  auto dots = drawContent(
      "1 J 4 w [0 6] 0 d 10 50 m 190 50 l S [0 0] 0 d 10 20 m 190 20 l S "
      "[-1 2] 0 d 10 80 m 190 80 l S");
  EXPECT_EQ(dots.at(16, 50), kBlack);
  EXPECT_EQ(dots.at(13, 50), kWhite);
  for (int x = 20; x < 30; ++x) EXPECT_EQ(dots.at(x, 20), kBlack) << x;
  EXPECT_EQ(dots.at(13, 80), kBlack);
  // An ExtGState sets the line width, cap and dashes.
  PdfBuilder b;
  b.set(5, "<< /ExtGState << /L << /LW 6 /LC 2 /D [[10 10] 0] >> >> >>");
  auto gs = drawContent("/L gs 20 50 m 180 50 l S", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(gs.at(18, 52), kBlack);  // square cap, 6 wide
  EXPECT_EQ(gs.at(35, 50), kWhite);
  EXPECT_EQ(gs.at(45, 50), kBlack);
}

TEST(PdfDraw, ClippingTakesEffectAfterThePaintingOperator) {
  // W n narrows the clip without painting.
  auto a = drawContent("0 0 50 100 re W n 0 0 200 100 re f");
  EXPECT_EQ(a.at(25, 50), kBlack);
  EXPECT_EQ(a.at(75, 50), kWhite);
  // W f paints with the old clip, then narrows it.
  auto b = drawContent("0 0 50 100 re W f 1 0 0 rg 0 0 200 100 re f");
  EXPECT_EQ(b.at(25, 50), kRed);
  EXPECT_EQ(b.at(75, 50), kWhite);
  // Q widens the clip again.
  auto c = drawContent("q 0 0 50 100 re W n Q 0 0 200 100 re f");
  EXPECT_EQ(c.at(150, 50), kBlack);
}

TEST(PdfDraw, EvenOddLeavesAHole) {
  const std::string nested =
      "10 10 m 190 10 l 190 90 l 10 90 l h 50 30 m 150 30 l 150 70 l 50 70 l h ";
  auto evenOdd = drawContent(nested + "f*");
  EXPECT_EQ(evenOdd.at(100, 50), kWhite);
  EXPECT_EQ(evenOdd.at(20, 50), kBlack);
  auto nonzero = drawContent(nested + "f");
  EXPECT_EQ(nonzero.at(100, 50), kBlack);
}

TEST(PdfDraw, ColoursAndAlpha) {
  EXPECT_EQ(drawContent("1 0 0 rg 0 0 200 100 re f").at(5, 5), kRed);
  EXPECT_EQ(drawContent("0.5 g 0 0 200 100 re f").at(5, 5), 0xFF7F7F7Fu);
  EXPECT_EQ(drawContent("0 0 0 1 k 0 0 200 100 re f").at(5, 5), kBlack);
  EXPECT_EQ(drawContent("0 1 0 RG 20 w 0 50 m 200 50 l S").at(100, 50), 0xFF00FF00u);
  // An ExtGState with ca 0.5 over white.
  testing_pdf::PdfBuilder b;
  b.set(5, "<< /ExtGState << /Half << /ca 0.5 >> >> >>");
  auto half = drawContent("/Half gs 0 0 200 100 re f", 200, 100, "/Resources 5 0 R", b);
  uint32_t p = half.at(5, 5);
  EXPECT_NEAR(int(p & 0xFF), 128, 2);
  EXPECT_EQ(p >> 24, 0xFFu);
}

TEST(PdfDraw, GraphicsStateStack) {
  EXPECT_EQ(drawContent("Q Q Q").at(5, 5), kWhite);
  // q 2 0 0 2 0 0 cm Q leaves the transform as it was.
  auto a = drawContent("q 2 0 0 2 0 0 cm Q 0 0 10 10 re f");
  EXPECT_EQ(a.at(5, 95), kBlack);
  EXPECT_EQ(a.at(15, 85), kWhite);
  // q and an ExtGState keep the fill colour's channels in place.
  EXPECT_EQ(drawContent("1 0 0 rg q Q 0 0 10 10 re f").at(5, 95), kRed);
  testing_pdf::PdfBuilder gs;
  gs.set(5, "<< /ExtGState << /Opaque << /ca 1 /CA 1 >> >> >>");
  EXPECT_EQ(
      drawContent("1 0 0 rg /Opaque gs 0 0 10 10 re f", 200, 100, "/Resources 5 0 R", gs).at(5, 95),
      kRed);
  // The line width comes back with Q.
  auto b = drawContent("0.5 w q 3 w Q 0 50 m 200 50 l S");
  EXPECT_EQ(b.at(100, 47), kWhite);
  // Deep nesting and unbalanced operators stay bounded.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "q ";
  deep += "0 0 10 10 re f";
  for (int i = 0; i < 100010; ++i) deep += " Q";
  deep += " 1 0 0 rg 190 0 10 10 re f";
  auto c = drawContent(deep);
  EXPECT_EQ(c.at(5, 95), kBlack);
  EXPECT_EQ(c.at(195, 95), kRed);
}

TEST(PdfDraw, RotatedPagesAndPageBoxes) {
  // Rotate 90: the page's lower-left corner lands at device (0, 0), its lower-right corner at
  // (0, width).
  auto r = drawContent("0 0 10 10 re f 190 0 10 10 re f", 200, 100, "/Rotate 90");
  EXPECT_EQ(r.bitmap.width(), 100);
  EXPECT_EQ(r.bitmap.height(), 200);
  EXPECT_EQ(r.at(2, 2), kBlack);
  EXPECT_EQ(r.at(2, 197), kBlack);
  EXPECT_EQ(r.at(97, 2), kWhite);
  auto r180 = drawContent("0 0 10 10 re f", 200, 100, "/Rotate 180");
  EXPECT_EQ(r180.at(197, 2), kBlack);
  auto r270 = drawContent("0 0 10 10 re f", 200, 100, "/Rotate 270");
  EXPECT_EQ(r270.at(97, 197), kBlack);
  // A crop box moves the origin.
  auto crop = drawContent("50 20 10 10 re f", 200, 100, "/CropBox [50 20 150 100]");
  EXPECT_EQ(crop.bitmap.width(), 100);
  EXPECT_EQ(crop.at(2, 77), kBlack);
  // A crop box reaching past the media box shows only the media box.
  auto wide = drawContent("0 0 10 10 re f", 200, 100, "/CropBox [-50 -50 1687 2386]");
  EXPECT_EQ(wide.bitmap.width(), 200);
  EXPECT_EQ(wide.bitmap.height(), 100);
  EXPECT_EQ(wide.at(2, 97), kBlack);
  // UserUnit 2: every unit is two points.
  auto big = drawContent("10 10 20 20 re f", 100, 50, "/UserUnit 2");
  EXPECT_EQ(big.bitmap.width(), 200);
  EXPECT_EQ(big.bitmap.height(), 100);
  EXPECT_EQ(big.at(21, 41), kBlack);
  EXPECT_EQ(big.at(59, 79), kBlack);
  EXPECT_EQ(big.at(61, 79), kWhite);
  EXPECT_EQ(big.at(19, 79), kWhite);
  EXPECT_EQ(big.at(21, 39), kWhite);
}

class Recorder : public Messages::IMessageListener {
 public:
  void Notify(int, const std::string& text) override { texts.push_back(text); }
  bool InteractiveQuery() override { return false; }
  int Ask(int, int, const std::string&) override { return Messages::kAnswerNo; }
  std::vector<std::string> texts;
};

TEST(PdfDraw, UnknownResourcesAreReportedOnceAndSkipped) {
  Recorder recorder;
  Messages::SetMessageListener(&recorder);
  auto page = drawContent("/Nope gs /Nope gs /Missing cs 0.3 sc 1 0 0 rg 0 0 200 100 re f");
  Messages::SetMessageListener(nullptr);
  ASSERT_EQ(recorder.texts.size(), 1u);
  EXPECT_NE(recorder.texts[0].find("Fatal Internal Error #16"), std::string::npos);
  EXPECT_EQ(page.at(5, 5), kRed);
}

TEST(PdfDraw, MalformedContentDoesNotStopDrawing) {
  std::string junk = "1e5 w (closed) 0 0 m ] >> << /a 1 2 3 4 5 6 7 8 9 re f 0 0 m ";
  for (int i = 0; i < 20000; ++i) junk += std::to_string(i % 200) + " 50 l ";
  junk += "S 1 0 0 rg 0 0 10 10 re f";
  auto page = drawContent(junk + " 1e309 1e309 m nan 0 l S");
  EXPECT_EQ(page.at(5, 95), kRed);
}

TEST(PdfDraw, ResourcesStayAfterThePageTreeIsCompleted) {
  // The viewer reads the rest of the page tree after the first page is drawn; drawing that page
  // again must still find its resources.
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 2 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R /Resources 5 0 R >>");
  b.setStream(4, "", "/Red cs 0 sc 0 0 200 100 re f");
  b.set(5, "<< /ColorSpace << /Red [/Indexed /DeviceRGB 0 <FF0000>] >> >>");
  b.set(6, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>");
  C_PDF_Document document;
  ASSERT_TRUE(document.open(testing_pdf::writeTempFile(b.build("/Root 1 0 R")), ""));
  C_PDF_Creator creator(document);
  C_PDF_Draw draw(document, creator);
  brevia::gfx::Bitmap bitmap(200, 100);
  draw.render(testing_render::requestAt72(1, bitmap, 200, 100));
  EXPECT_EQ(bitmap.colourAt(100, 50), kRed);
  document.completePageTree();
  bitmap.fill(kWhite);
  draw.render(testing_render::requestAt72(1, bitmap, 200, 100));
  EXPECT_EQ(bitmap.colourAt(100, 50), kRed);
}

TEST(PdfDraw, ActualTextNeedsAByteOrderMark) {
  auto plain = drawContent("/Span << /ActualText (abc) >> BDC");
  EXPECT_TRUE(plain.draw->text().actualText.empty());
  auto marked = drawContent("/Span << /ActualText <FEFF00410042> >> BDC");
  EXPECT_EQ(marked.draw->text().actualText, u"AB");
  auto ended = drawContent("/Span << /ActualText <FEFF0041> >> BDC EMC");
  EXPECT_TRUE(ended.draw->text().actualText.empty());
}

}  // namespace
