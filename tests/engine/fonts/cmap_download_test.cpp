#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "engine/fonts/cmap_encoding.h"
#include "engine/fonts/cmap_loader.h"
#include "tests/engine/fonts/cmap_test_support.h"
#include "tests/platform/net/local_http_server.h"

using cmap_testing::ApplicationDataFolder;
using cmap_testing::bytes;
using cmap_testing::encodingText;
using cmap_testing::RecordingListener;
using cmap_testing::ScopedEnvironment;
using cmap_testing::ScopedListener;
using CMaps::EncodingCMap;
using testing_net::LocalHttpServer;

namespace {

class CMapDownloadTest : public ::testing::Test {
 protected:
  std::vector<std::string> storedFiles() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(appData.cmaps(), error)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Serves response to one request and loads name through it.
  bool loadThrough(const std::string& response, const std::string& name, EncodingCMap& cmap) {
    LocalHttpServer server(response);
    EXPECT_NE(server.port(), 0);
    ScopedEnvironment address("BREVIA_CMAP_SERVER", server.url("/download/CMaps"));
    bool loaded = cmap.loadByName(name);
    request = server.request();
    return loaded;
  }

  ScopedEnvironment noProxy{"no_proxy", "127.0.0.1,localhost"};
  ApplicationDataFolder appData;
  RecordingListener listener;  // answers yes
  ScopedListener registration{listener};
  std::string request;
};

TEST_F(CMapDownloadTest, AgreedDownloadIsStoredAndParsed) {
  const std::string body = encodingText("1 begincidchar <0041> 4321 endcidchar");
  EncodingCMap cmap;
  ASSERT_TRUE(loadThrough(LocalHttpServer::response(200, "OK", body), "Test-Download-Ok", cmap));
  EXPECT_EQ(listener.questions.size(), 1u);
  EXPECT_TRUE(listener.notes.empty());
  uint16_t cid = 0;
  ASSERT_TRUE(cmap.toCID(bytes({0x00, 0x41}).data(), 2, 0, cid));
  EXPECT_EQ(cid, 4321);

  EXPECT_EQ(request.rfind("GET /download/CMaps/Test-Download-Ok HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nUser-Agent: Quillon/1.0\r\n"), std::string::npos);
  EXPECT_NE(request.find("\r\nAccept: audio/x-aiff, audio/basic, audio/midi, audio/mpeg, "
                         "audio/wav, image/jpeg, image/gif, image/jpg, image/png, image/mng, "
                         "image/bmp, text/plain, text/html, text/htm\r\n"),
            std::string::npos);

  // Stored under its own name, with no temporary file left beside it.
  EXPECT_EQ(storedFiles(), std::vector<std::string>{"Test-Download-Ok"});
  // Later loads find the stored file; the server is gone by now.
  EncodingCMap again;
  EXPECT_TRUE(again.loadByName("Test-Download-Ok"));
  EXPECT_EQ(listener.questions.size(), 1u);
}

TEST_F(CMapDownloadTest, RefusedAndMissingFilesAreReported) {
  struct Case {
    int status;
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {401, "Test-Download-401", "File download error: Access denied"},
      {403, "Test-Download-403", "File download error: File not found"},
      {404, "Test-Download-404", "File download error: File not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    listener.notes.clear();
    EncodingCMap cmap;
    EXPECT_FALSE(
        loadThrough(LocalHttpServer::response(c.status, "No", "<html></html>"), c.name, cmap));
    ASSERT_EQ(listener.notes.size(), 1u);
    EXPECT_EQ(listener.notes[0].severity, 1);
    EXPECT_EQ(listener.notes[0].text, c.message);
  }
  EXPECT_TRUE(storedFiles().empty());
}

TEST_F(CMapDownloadTest, UnreachableServerIsAConnectionError) {
  ScopedEnvironment address(
      "BREVIA_CMAP_SERVER",
      "http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/CMaps/");
  EncodingCMap cmap;
  EXPECT_FALSE(cmap.loadByName("Test-Download-Unreachable"));
  ASSERT_EQ(listener.notes.size(), 1u);
  EXPECT_EQ(listener.notes[0].text.rfind("Internet connection error: ", 0), 0u);
  EXPECT_GT(listener.notes[0].text.size(), std::string("Internet connection error: ").size());
  EXPECT_TRUE(storedFiles().empty());
}

TEST_F(CMapDownloadTest, IncompleteDownloadLeavesNoFile) {
  EncodingCMap cmap;
  EXPECT_FALSE(loadThrough("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n1 begincodespacerange",
                           "Test-Download-Cut", cmap));
  ASSERT_EQ(listener.notes.size(), 1u);
  EXPECT_EQ(listener.notes[0].text.rfind("Internet connection error: ", 0), 0u);
  EXPECT_TRUE(storedFiles().empty());
}

TEST_F(CMapDownloadTest, UnwritableFolderIsReported) {
  // A file where the CMaps folder should be.
  cmap_testing::writeFile(appData.cmaps(), "not a folder");
  EncodingCMap cmap;
  EXPECT_FALSE(loadThrough(LocalHttpServer::response(200, "OK", encodingText("")),
                           "Test-Download-Unwritable", cmap));
  ASSERT_EQ(listener.notes.size(), 1u);
  EXPECT_EQ(listener.notes[0].text, "Unknown exception was raised");
}

TEST_F(CMapDownloadTest, AResponseThatIsNoCMapIsNotStored) {
  // A page of the server instead of the file, and a CMap cut short.
  const std::pair<const char*, const char*> cases[] = {
      {"Test-Download-Html", "<html><body>Not here</body></html>"},
      {"Test-Download-Short", "/CIDInit begincmap 1 begincodespacerange <00> <FF>"}};
  for (const auto& [name, body] : cases) {
    SCOPED_TRACE(name);
    listener.notes.clear();
    EncodingCMap cmap;
    EXPECT_FALSE(loadThrough(LocalHttpServer::response(200, "OK", body), name, cmap));
    ASSERT_EQ(listener.notes.size(), 1u);
    EXPECT_EQ(listener.notes[0].text, "File download error: File not found");
    EXPECT_TRUE(storedFiles().empty());
  }
}

TEST(CMapFetchRules, AddressesAndCMapChecks) {
  EXPECT_EQ(CMaps::cmapFetchAddress("cmaps.example/CMaps"), "https://cmaps.example/CMaps");
  EXPECT_EQ(CMaps::cmapFetchAddress("https://a.example/"), "https://a.example/");
  // Plain http only when it is written out.
  EXPECT_EQ(CMaps::cmapFetchAddress("HTTP://127.0.0.1:8/"), "HTTP://127.0.0.1:8/");
  EXPECT_EQ(CMaps::cmapFetchAddress("ftp://a.example/"), "");
  EXPECT_EQ(CMaps::cmapFetchAddress("file:///etc/"), "");
  EXPECT_EQ(std::string(CMaps::kDefaultCMapServer).rfind("https://", 0), 0u);

  EXPECT_TRUE(CMaps::looksLikeCMap(encodingText("1 begincidchar <0041> 1 endcidchar")));
  EXPECT_FALSE(CMaps::looksLikeCMap(""));
  EXPECT_FALSE(CMaps::looksLikeCMap("endcmap begincmap"));
  EXPECT_FALSE(CMaps::looksLikeCMap("begincmap (unterminated endcmap"));
  std::string huge = encodingText("");
  huge.insert(0, CMaps::kMaxCMapDownloadBytes, ' ');
  EXPECT_FALSE(CMaps::looksLikeCMap(huge));
}

TEST_F(CMapDownloadTest, AnAddressOfAnotherSchemeFetchesNothing) {
  ScopedEnvironment address("BREVIA_CMAP_SERVER", "ftp://127.0.0.1/CMaps/");
  EncodingCMap cmap;
  EXPECT_FALSE(cmap.loadByName("Test-Download-Ftp"));
  ASSERT_EQ(listener.notes.size(), 1u);
  EXPECT_EQ(listener.notes[0].text.rfind("Internet connection error: ", 0), 0u);
}

// With a handler, a missing CMap never waits for the user or the network where it is met (a
// paint): the name goes to the handler, drawing goes on without it, and the fetch happens
// elsewhere, against a slow server here.
TEST_F(CMapDownloadTest, AHandlerTakesMissingCMapsAwayFromDrawing) {
  LocalHttpServer server(
      LocalHttpServer::response(200, "OK", encodingText("1 begincidchar <0041> 77 endcidchar")),
      std::chrono::milliseconds(400));
  ScopedEnvironment address("BREVIA_CMAP_SERVER", server.url("/CMaps"));
  std::vector<std::string> handed;
  std::future<std::string> fetched;
  CMaps::setMissingCMapHandler([&](const std::string& name) {
    handed.push_back(name);
    fetched = std::async(std::launch::async, [name] { return CMaps::downloadCMap(name); });
  });
  EncodingCMap first;
  EXPECT_FALSE(first.loadByName("Test-Download-Later"));
  ASSERT_EQ(handed, std::vector<std::string>{"Test-Download-Later"});
  // The load came back while the server was still holding its answer.
  EXPECT_EQ(fetched.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  // Met again before the fetch ends: handed over once only.
  EncodingCMap second;
  EXPECT_FALSE(second.loadByName("Test-Download-Later"));
  EXPECT_EQ(handed.size(), 1u);
  EXPECT_FALSE(fetched.get().empty());
  CMaps::setMissingCMapHandler({});
  EXPECT_TRUE(listener.questions.empty());

  EncodingCMap arrived;
  ASSERT_TRUE(arrived.loadByName("Test-Download-Later"));
  uint16_t cid = 0;
  ASSERT_TRUE(arrived.toCID(bytes({0x00, 0x41}).data(), 2, 0, cid));
  EXPECT_EQ(cid, 77);
  EXPECT_EQ(server.request().rfind("GET /CMaps/Test-Download-Later HTTP/1.1\r\n", 0), 0u);
}

}  // namespace
