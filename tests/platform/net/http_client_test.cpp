#include "platform/net/http_client.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/platform/net/local_http_server.h"

using brevia::net::httpGet;
using brevia::net::HttpOptions;
using testing_net::LocalHttpServer;

namespace {

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("no_proxy", "127.0.0.1,localhost", 1); }
};

TEST_F(HttpClientTest, OkResponseGivesBodyAndSendsHeaders) {
  LocalHttpServer server(LocalHttpServer::response(200, "OK", "begincmap endcmap"));
  ASSERT_NE(server.port(), 0);
  HttpOptions options;
  options.headers = {"Accept: text/plain", "User-Agent: Test/1.0"};
  auto response = httpGet(server.url("/download/CMaps/Test-H"), options);
  EXPECT_FALSE(response.failed()) << response.error;
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body, "begincmap endcmap");
  const std::string& request = server.request();
  EXPECT_EQ(request.rfind("GET /download/CMaps/Test-H HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nAccept: text/plain\r\n"), std::string::npos);
  EXPECT_NE(request.find("\r\nUser-Agent: Test/1.0\r\n"), std::string::npos);
}

TEST_F(HttpClientTest, ErrorStatusesArriveAsResponses) {
  for (int status : {401, 403, 404, 500}) {
    LocalHttpServer server(LocalHttpServer::response(status, "Nope", "<html>no</html>"));
    auto response = httpGet(server.url("/x"), std::chrono::milliseconds(5000));
    EXPECT_FALSE(response.failed()) << response.error;
    EXPECT_EQ(response.status, status);
  }
}

TEST_F(HttpClientTest, UnreachableServerIsATransportError) {
  HttpOptions options;
  options.connectTimeout = std::chrono::milliseconds(5000);
  options.connectRetries = 1;
  options.retryDelay = std::chrono::milliseconds(10);
  auto response =
      httpGet("http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/x", options);
  EXPECT_TRUE(response.failed());
  EXPECT_EQ(response.status, 0);
  EXPECT_TRUE(response.body.empty());
}

TEST_F(HttpClientTest, OversizedAndTruncatedBodiesFail) {
  {
    LocalHttpServer server(LocalHttpServer::response(200, "OK", std::string(5000, 'x')));
    HttpOptions options;
    options.maxBodyBytes = 4000;
    auto response = httpGet(server.url("/big"), options);
    EXPECT_TRUE(response.failed());
    EXPECT_NE(response.error.find("4000"), std::string::npos) << response.error;
    EXPECT_TRUE(response.body.empty());
  }
  {
    // The server promises more than it sends: a partial file is not a download.
    LocalHttpServer server(
        "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nshort");
    auto response = httpGet(server.url("/cut"), std::chrono::milliseconds(5000));
    EXPECT_TRUE(response.failed());
    EXPECT_TRUE(response.body.empty());
  }
}

TEST_F(HttpClientTest, OtherSchemesAreRefused) {
  auto response = httpGet("file:///etc/passwd", std::chrono::milliseconds(1000));
  EXPECT_TRUE(response.failed());
  EXPECT_TRUE(response.body.empty());
}

}  // namespace
