// Two documents drawn on two threads at once: each thread's pixels are those of a drawing alone,
// and a raised stop flag ends a drawing between operators.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/document/pdf_document.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "platform/graphics/bitmap.h"
#include "tests/support/pdf_builder.h"

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 200;
constexpr double kZoom = 1.5;

// A page that goes through the shared parts of the engine: a font from the system, device
// colour spaces with their sample cache (an image), a shading and a dashed stroke.
std::string pageFile() {
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R /Resources << "
        "/Font << /F1 5 0 R /F2 6 0 R >> /XObject << /Im 7 0 R >> /Shading << /Sh 8 0 R >> >> >>");
  b.setStream(4, "",
              "q 0 0 1 rg 10 10 100 60 re f Q "
              "BT /F1 28 Tf 20 150 Td (Threads agree) Tj /F2 14 Tf 0 -30 Td (Courier too) Tj ET "
              "q 120 0 0 80 160 20 cm /Im Do Q "
              "q 20 90 120 20 re W n /Sh sh Q "
              "q [6 3] 0 d 3 w 1 0 0 RG 10 195 m 290 105 l S Q");
  b.set(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>");
  b.set(6, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>");
  std::string samples;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      samples += char(x * 32);
      samples += char(y * 32);
      samples += char((x + y) * 16);
    }
  b.setStream(7,
              "/Type /XObject /Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceRGB "
              "/BitsPerComponent 8",
              samples);
  b.set(8,
        "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [20 0 140 0] /Function << "
        "/FunctionType 2 /Domain [0 1] /C0 [1 1 0] /C1 [0 0.5 1] /N 1 >> >>");
  return testing_pdf::writeTempFile(b.build("/Root 1 0 R"), "threaded.pdf");
}

struct Engine {
  explicit Engine(const std::string& path) {
    document.open(path, "");
    creator = std::make_unique<C_PDF_Creator>(document);
    draw = std::make_unique<C_PDF_Draw>(document, *creator);
  }
  std::vector<uint8_t> drawn() {
    brevia::gfx::Bitmap bitmap(int(kWidth * kZoom), int(kHeight * kZoom));
    draw->drawPage(1, 1, bitmap, 72, 20, kHeight, kWidth, kZoom, 0, 0, 0, 0, 0, 0);
    const uint8_t* data = bitmap.data();
    return std::vector<uint8_t>(data, data + std::size_t(bitmap.stride()) * bitmap.height());
  }
  C_PDF_Document document;
  std::unique_ptr<C_PDF_Creator> creator;
  std::unique_ptr<C_PDF_Draw> draw;
};

TEST(ThreadedDraw, TwoEnginesOnTwoThreadsDrawWhatOneDrawsAlone) {
  const std::string path = pageFile();
  const std::vector<uint8_t> alone = Engine(path).drawn();
  ASSERT_FALSE(alone.empty());
  ASSERT_NE(std::count(alone.begin(), alone.end(), uint8_t(0xFF)), std::ptrdiff_t(alone.size()));
  constexpr int kThreads = 2;
  constexpr int kRounds = 4;
  std::atomic<int> different{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      // Each round a new engine, so that fonts and images are loaded again while the other
      // thread draws.
      for (int i = 0; i < kRounds; ++i)
        if (Engine(path).drawn() != alone) ++different;
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(different.load(), 0);
  // The thread that drew first draws the same again afterwards.
  EXPECT_EQ(Engine(path).drawn(), alone);
}

TEST(ThreadedDraw, RaisedStopFlagLeavesThePageUndrawnAndLoweredDrawsIt) {
  const std::string path = pageFile();
  Engine engine(path);
  std::atomic<bool> stop{true};
  engine.draw->setStopFlag(&stop);
  const std::vector<uint8_t> stopped = engine.drawn();
  // Only the white background: every byte 0xFF.
  EXPECT_EQ(std::count(stopped.begin(), stopped.end(), uint8_t(0xFF)),
            std::ptrdiff_t(stopped.size()));
  stop = false;
  // The stopped drawing left nothing behind that changes the next one.
  EXPECT_EQ(engine.drawn(), Engine(path).drawn());
  engine.draw->setStopFlag(nullptr);
  EXPECT_EQ(engine.drawn(), Engine(path).drawn());
}

}  // namespace
