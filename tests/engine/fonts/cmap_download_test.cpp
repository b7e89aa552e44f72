#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
