// Two documents drawn on two threads at once: each thread's pixels are those of a drawing alone,
// and a raised stop flag ends a drawing between operators.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "tests/engine/render/page_fixture.h"
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

// Pages that each load other things from the shared parts at once: installed faces chosen by
// name (the choice scores the one shared list), CID fonts with a CMap from the system, a
// Type 3 font, a JPEG 2000 image and a Lab image.
constexpr int kMixedPages = 4;
std::string mixedFile() {
  const char* data = std::getenv("BREVIA_TEST_DATA");
  const std::filesystem::path jpxPath =
      (data ? std::filesystem::path(data)
            : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data") /
      "jpx/irreversible-precincts-lrcp.jp2";
  std::ifstream jpxFile(jpxPath, std::ios::binary);
  const std::string jpx{std::istreambuf_iterator<char>(jpxFile), {}};
  testing_pdf::PdfBuilder b;
  const char* names[] = {"Arial,Bold",    "TimesNewRoman,Italic",
                         "Garamond",      "GoudyOldStyle",
                         "Wingdings",     "Symbol",
                         "Verdana",       "BookmanOldStyle",
                         "CenturyGothic", "Optima",
                         "DejaVuSans",    "Futura"};
  constexpr int kNames = int(std::size(names));
  std::string fonts;
  for (int i = 0; i < kNames; ++i) {
    const int n = 40 + 2 * i;
    b.set(n, std::string("<< /Type /Font /Subtype /") + (i % 2 ? "Type1" : "TrueType") +
                 " /BaseFont /" + names[i] + " /FontDescriptor " + std::to_string(n + 1) +
                 " 0 R >>");
    b.set(n + 1, std::string("<< /Type /FontDescriptor /FontName /") + names[i] +
                     " /Flags 32 /FontBBox [0 -200 1000 900] /Ascent 880 /Descent -120 >>");
    fonts += "/F" + std::to_string(i) + " " + std::to_string(n) + " 0 R ";
  }
  const std::string cid[][3] = {{"STSong-Light", "UniGB-UCS2-H", "GB1"},
                                {"KozMinPro-Regular", "UniJIS-UCS2-H", "Japan1"}};
  for (int i = 0; i < 2; ++i) {
    const int n = 70 + 2 * i;
    b.set(n, "<< /Type /Font /Subtype /Type0 /BaseFont /" + cid[i][0] + " /Encoding /" + cid[i][1] +
                 " /DescendantFonts [" + std::to_string(n + 1) + " 0 R] >>");
    b.set(n + 1, "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /" + cid[i][0] +
                     " /CIDSystemInfo << /Registry (Adobe) /Ordering (" + cid[i][2] +
                     ") /Supplement 2 >> >>");
    fonts += "/C" + std::to_string(i) + " " + std::to_string(n) + " 0 R ";
  }
  b.setStream(80, "", "0 0 0 0 50 50 d1 0 0 50 50 re f");
  b.set(81,
        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 50 50] /FontMatrix [0.02 0 0 0.02 0 0] "
        "/CharProcs << /sq 80 0 R >> /Encoding << /Differences [65 /sq] >> /FirstChar 65 "
        "/LastChar 65 /Widths [60] /Resources << >> >>");
  b.setStream(82, "/Type /XObject /Subtype /Image /Width 119 /Height 101 /Filter /JPXDecode", jpx);
  std::string lab;
  for (int i = 0; i < 16 * 16; ++i) lab += {char(i), char(255 - i), char(i * 7)};
  b.setStream(83,
              "/Type /XObject /Subtype /Image /Width 16 /Height 16 /BitsPerComponent 8 "
              "/ColorSpace [/Lab << /WhitePoint [0.95 1 1.09] >>]",
              lab);
  const std::string resources =
      "/Resources << /Font << " + fonts + "/T3 81 0 R >> /XObject << /J 82 0 R /L 83 0 R >> >>";
  std::string kids;
  for (int page = 0; page < kMixedPages; ++page) {
    const int n = 100 + 2 * page;
    kids += std::to_string(n) + " 0 R ";
    std::string content;
    // Each page asks for the names in another order.
    for (int k = 0; k < kNames; ++k)
      content += "BT /F" + std::to_string((k * (page + 1) + page) % kNames) + " 9 Tf 5 " +
                 std::to_string(190 - 11 * k) + " Td (Threads agree) Tj ET ";
    content += "BT /C" + std::to_string(page % 2) + " 14 Tf 150 170 Td <4E2D65E5> Tj ET ";
    content += "BT /T3 12 Tf 150 150 Td (AA) Tj ET ";
    content += "q 119 0 0 101 160 20 cm /J Do Q q 40 0 0 40 110 20 cm /L Do Q";
    b.set(n, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents " +
                 std::to_string(n + 1) + " 0 R " + resources + " >>");
    b.setStream(n + 1, "", content);
  }
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(kMixedPages) + " >>");
  return testing_pdf::writeTempFile(b.build("/Root 1 0 R"), "threaded-mixed.pdf");
}

struct Engine {
  explicit Engine(const std::string& path) {
    document.open(path, "");
    document.completePageTree();
    creator = std::make_unique<C_PDF_Creator>(document);
    draw = std::make_unique<C_PDF_Draw>(document, *creator);
  }
  std::vector<uint8_t> drawn(int32_t page = 1) {
    brevia::gfx::Bitmap bitmap(int(kWidth * kZoom), int(kHeight * kZoom));
    draw->render(testing_render::requestAt72(page, bitmap, kWidth, kHeight, kZoom));
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

TEST(ThreadedDraw, EnginesDrawingDifferentPagesAtOnceDrawWhatEachDrawsAlone) {
  const std::string path = mixedFile();
  std::vector<std::vector<uint8_t>> alone;
  {
    Engine engine(path);
    for (int page = 1; page <= kMixedPages; ++page) alone.push_back(engine.drawn(page));
  }
  for (const std::vector<uint8_t>& page : alone)
    ASSERT_NE(std::count(page.begin(), page.end(), uint8_t(0xFF)), std::ptrdiff_t(page.size()));
  // Fresh engines, one thread forwards and one backwards, so that each loads its fonts and
  // images while the other loads others.
  std::atomic<int> different{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      Engine engine(path);
      for (int i = 0; i < kMixedPages; ++i) {
        const int page = t == 0 ? i + 1 : kMixedPages - i;
        if (engine.drawn(page) != alone[page - 1]) ++different;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(different.load(), 0);
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
