#include "viewer/doc/cmap_fetcher.h"

#include <QSignalSpy>
#include <chrono>

#include "tests/platform/net/local_http_server.h"
#include "tests/viewer/viewer_test_support.h"

namespace viewer_test {
namespace {

using testing_net::LocalHttpServer;

class ScopedVariable {
 public:
  ScopedVariable(const char* name, const QByteArray& value)
      : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
  }
  ~ScopedVariable() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

// A page whose font needs a predefined CMap that is not installed, served by a slow server: the
// paint draws without it and neither asks nor waits; the question comes after the paint, the
// fetch runs beside the event loop, and the page is drawn again once the CMap is there.
class CMapFetcherTest : public FrameFixture {};

TEST_F(CMapFetcherTest, AMissingCMapIsAskedForAndFetchedAfterThePaint) {
  CMapFetcher* fetcher = CMapFetcher::instance();
  ASSERT_NE(fetcher, nullptr);
  const std::string cmap =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n1 begincodespacerange "
      "<0000> <FFFF> endcodespacerange\n1 begincidchar <0041> 34 endcidchar\nendcmap end end\n";
  LocalHttpServer server(LocalHttpServer::response(200, "OK", cmap),
                         std::chrono::milliseconds(300));
  ScopedVariable address("BREVIA_CMAP_SERVER", server.url("/CMaps").c_str());
  ScopedVariable noProxy("no_proxy", "127.0.0.1");

  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R /Resources << "
        "/Font << /F 5 0 R >> >> >>");
  b.setStream(4, "", "BT /F 20 Tf 20 100 Td <0041> Tj ET");
  b.set(5,
        "<< /Type /Font /Subtype /Type0 /BaseFont /Missing /Encoding /Brevia-Fetched-Later-H "
        "/DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Missing "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 0 >> >>] >>");
  MessageCapture boxes(BoxAnswer::Yes);
  ASSERT_TRUE(frame->openFile(writePdf(b.build("/Root 1 0 R"), "fetch-later.pdf")));
  C_PDF_View* view = frame->activeView();
  ASSERT_NE(view, nullptr);
  view->viewport()->repaint();
  // Drawn, with nothing asked and nothing fetched inside the paint.
  EXPECT_FALSE(view->pageImage().isNull());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(fetcher->pending(), 0);
  const int drawn = view->renderCount();

  QSignalSpy arrived(fetcher, &CMapFetcher::cmapArrived);
  QApplication::processEvents();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("Brevia-Fetched-Later-H")));
  // The server is still holding its answer while the event loop runs on.
  EXPECT_EQ(fetcher->pending(), 1);
  ASSERT_TRUE(arrived.wait(10000));
  EXPECT_EQ(arrived.at(0).at(0).toString(), QStringLiteral("Brevia-Fetched-Later-H"));
  EXPECT_EQ(fetcher->pending(), 0);
  view->viewport()->repaint();
  EXPECT_GT(view->renderCount(), drawn);
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(server.request().rfind("GET /CMaps/Brevia-Fetched-Later-H HTTP/1.1\r\n", 0), 0u);
}

}  // namespace
}  // namespace viewer_test
