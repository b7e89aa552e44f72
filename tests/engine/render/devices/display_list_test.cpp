// A page recorded once and replayed: at its own scale, at twice and half of it, and as a tile,
// it must give the pixels of drawing the page directly.

#include "engine/render/devices/display_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/document/pdf_document.h"
#include "engine/render/devices/cairo_device.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "platform/graphics/bitmap.h"
#include "tests/support/pdf_builder.h"

using brevia::gfx::Bitmap;
using testing_pdf::PdfBuilder;

namespace {

constexpr int kWidth = 200, kHeight = 100;

struct Page {
  std::unique_ptr<C_PDF_Document> document;
  std::unique_ptr<C_PDF_Creator> creator;
  std::unique_ptr<C_PDF_Draw> draw;

  Bitmap direct(double zoom) {
    Bitmap b(int(kWidth * zoom), int(kHeight * zoom));
    draw->drawPage(1, 1, b, 0, 20, kHeight, kWidth, zoom, 0, 0, 0, 0, 0, 0);
    return b;
  }
  std::unique_ptr<DisplayList> record() {
    auto list = std::make_unique<DisplayList>(kWidth, kHeight);
    draw->drawPageTo(1, 1, *list, 20, kHeight, kWidth, 1);
    return list;
  }
};

Page open(const std::string& content, PdfBuilder builder = {}) {
  builder.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  builder.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  builder.set(3,
              "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R "
              "/Resources 5 0 R >>");
  builder.setStream(4, "", content);
  Page page;
  page.document = std::make_unique<C_PDF_Document>();
  page.document->open(testing_pdf::writeTempFile(builder.build("/Root 1 0 R")), "");
  page.creator = std::make_unique<C_PDF_Creator>(*page.document);
  page.draw = std::make_unique<C_PDF_Draw>(*page.document, *page.creator);
  return page;
}

Bitmap replayed(const DisplayList& list, int width, int height, double scale, double dx = 0,
                double dy = 0) {
  Bitmap b(width, height);
  CairoDevice device(b);
  device.setSmoothingMode(brevia::gfx::SmoothingMode::HighQuality);
  device.setInterpolationMode(brevia::gfx::InterpolationMode::HighQuality);
  list.replay(device, scale, dx, dy);
  device.flush();
  return b;
}

// Pixels of b that differ from a's, b placed at (x, y) in a; worst: the largest difference of a
// channel.
int differences(const Bitmap& a, const Bitmap& b, int x = 0, int y = 0, int* worst = nullptr) {
  int n = 0;
  for (int row = 0; row < b.height(); ++row)
    for (int col = 0; col < b.width(); ++col) {
      const uint32_t p = a.colourAt(col + x, row + y), q = b.colourAt(col, row);
      n += p != q;
      for (int shift = 0; worst && shift < 32; shift += 8)
        *worst = std::max(*worst, std::abs(int(p >> shift & 0xFF) - int(q >> shift & 0xFF)));
    }
  return n;
}

// Curves, clips restored by Q, dashes, text, a transparency group, an image and a gradient.
PdfBuilder richResources() {
  PdfBuilder b;
  b.set(5,
        "<< /Font << /F 6 0 R >> /XObject << /G 7 0 R /Im 8 0 R >> "
        "/ExtGState << /A << /ca 0.5 >> >> /Shading << /S 9 0 R >> >>");
  b.set(6, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  b.setStream(7,
              "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency >> "
              "/Resources << >>",
              "0 0 1 rg 60 10 80 50 re f 1 0 0 rg 90 30 80 50 re f");
  b.setStream(8, "/Subtype /Image /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB",
              std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\x00", 12));
  b.set(9,
        "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 200 0] "
        "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 1 0] /C1 [0 1 1] /N 1 >> >>");
  return b;
}

const char* const kRichContent =
    "q 10 10 m 60 90 100 -20 190 60 c 0.2 0.6 0.3 rg f Q "
    "q 20 20 120 60 re W n 0 0 1 RG 3 w [6 3] 0 d 0 0 m 200 100 l S Q "
    "q 0 0 200 20 re W n /S sh Q "
    "BT /F 18 Tf 0.1 0.1 0.1 rg 15 40 Td (Replay, 1:2) Tj ET "
    "q /A gs /G Do Q "
    "q 30 0 0 30 150 60 cm /Im Do Q";

}  // namespace

TEST(DisplayList, ReplaysTheDirectDrawingAtItsScaleTwiceAndHalfOfItAndAsATile) {
  Page page = open(kRichContent, richResources());
  const Bitmap direct = page.direct(1);
  std::unique_ptr<DisplayList> list = page.record();
  ASSERT_GT(list->commandCount(), 20u);
  EXPECT_TRUE(list->complete());
  EXPECT_TRUE(list->scalable());
  // The recording leaves the page as drawPage does.
  EXPECT_EQ(differences(direct, replayed(*list, kWidth, kHeight, 1)), 0);
  // Powers of two keep every coordinate exact, so the pixels are those of drawing again.
  EXPECT_EQ(differences(page.direct(2), replayed(*list, kWidth * 2, kHeight * 2, 2)), 0);
  EXPECT_EQ(differences(page.direct(0.5), replayed(*list, kWidth / 2, kHeight / 2, 0.5)), 0);
  // A tile: the part of the page from (60, 30), 80 × 50 pixels. Shifted coordinates round
  // differently in their last bit: a few edge pixels may differ by a few levels.
  const Bitmap tile = replayed(*list, 80, 50, 1, -60, -30);
  int worst = 0;
  EXPECT_LE(differences(direct, tile, 60, 30, &worst), 20);
  EXPECT_LE(worst, 8);
}

TEST(DisplayList, KeepsWhatTheInterpreterRasterisedAtTheRecordingsScale) {
  // A tiling pattern's cell and a soft mask are drawn into bitmaps at the recording's scale.
  PdfBuilder b;
  b.set(5,
        "<< /Pattern << /P 6 0 R >> /ExtGState << /M << /SMask << /S /Luminosity /G 7 0 R >> >> "
        ">> >>");
  b.setStream(6, "/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10",
              "1 0 0 rg 0 0 5 5 re f");
  b.setStream(7, "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency >>",
              "1 g 0 0 100 100 re f");
  Page page = open("/Pattern cs /P scn 0 0 100 100 re f /M gs 0 0 1 rg 0 0 200 100 re f", b);
  const Bitmap direct = page.direct(1);
  std::unique_ptr<DisplayList> list = page.record();
  EXPECT_FALSE(list->scalable());
  EXPECT_EQ(differences(direct, replayed(*list, kWidth, kHeight, 1)), 0);
  // Resampled at another scale, but still where it belongs: blue shows only under the mask.
  const Bitmap twice = replayed(*list, kWidth * 2, kHeight * 2, 2);
  EXPECT_EQ(twice.colourAt(100, 100), 0xFF0000FFu);
  EXPECT_EQ(twice.colourAt(300, 100), 0xFFFFFFFFu);
}
