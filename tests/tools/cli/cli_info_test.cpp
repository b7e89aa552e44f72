// brevia-cli as people and scripts use it: output, messages and exit statuses.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "tests/support/pdf_builder.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string fixture(const std::string& name) { return env("BREVIA_TEST_DATA") + "/pdf/" + name; }

CliRun cli(const std::string& arguments) {
  CliRun r;
  std::string errFile = testing_pdf::writeTempFile("", "stderr.txt");
  std::string command = env("BREVIA_BIN") + "/brevia-cli " + arguments + " 2>" + errFile;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) r.out.append(buffer.data(), n);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = testing_pdf::readFile(errFile);
  return r;
}

TEST(CliInfo, ListsPages) {
  CliRun r = cli("info " + fixture("three_pages.pdf"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"pages\": 3, \"encrypted\": false, \"pages_info\": ["
            "{\"page\": 1, \"width\": 612, \"height\": 792, \"rotation\": 0, \"size_text\": \"8.5 "
            "x 11 in\"}, "
            "{\"page\": 2, \"width\": 595, \"height\": 842, \"rotation\": 90, \"size_text\": "
            "\"11.7 x 8.26 in\"}, "
            "{\"page\": 3, \"width\": 300, \"height\": 400, \"rotation\": 0, \"size_text\": \"4.17 "
            "x 5.56 in\"}]}\n");
  // The same document with object streams and a cross-reference stream.
  CliRun s = cli("info " + fixture("objstm.pdf"));
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.out, r.out);
}

TEST(CliInfo, EncryptedDocuments) {
  CliRun none = cli("info " + fixture("rc4_40.pdf"));
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("password"), std::string::npos);
  CliRun wrong = cli("info " + fixture("rc4_128.pdf") + " --password nope");
  EXPECT_EQ(wrong.status, 1);
  for (const char* file : {"rc4_40.pdf", "rc4_128.pdf"}) {
    for (const char* password : {"user", "owner"}) {
      CliRun ok = cli("info " + fixture(file) + " --password " + password);
      EXPECT_EQ(ok.status, 0) << file << " " << password;
      EXPECT_NE(ok.out.find("\"pages\": 3, \"encrypted\": true"), std::string::npos);
    }
  }
  // An empty user password opens the document whatever it allows; the owner password too.
  EXPECT_EQ(cli("info " + fixture("rc4_128_locked.pdf")).status, 0);
  EXPECT_EQ(cli("info " + fixture("rc4_128_locked.pdf") + " --password owner").status, 0);
  // Crypt filters with AES-128 (V 4) and AES-256 (V 5).
  for (const char* file : {"aes128.pdf", "aes256.pdf"}) {
    for (const char* password : {"user", "owner"}) {
      CliRun aes = cli("info " + fixture(file) + " --password " + password);
      EXPECT_EQ(aes.status, 0) << file << " " << password;
      EXPECT_NE(aes.out.find("\"encrypted\": true"), std::string::npos);
    }
    EXPECT_EQ(cli("info " + fixture(file) + " --password nope").status, 1);
  }
}

TEST(CliInfo, FailuresAndArguments) {
  EXPECT_EQ(cli("").status, 2);
  EXPECT_EQ(cli("info").status, 2);
  EXPECT_EQ(cli("frobnicate x.pdf").status, 2);
  EXPECT_EQ(cli("info " + fixture("three_pages.pdf") + " --password").status, 2);
  CliRun missing = cli("info /nonexistent/file.pdf");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Document Could Not be Opened"), std::string::npos);
  CliRun damaged = cli("info " + testing_pdf::writeTempFile("%PDF-1.4\nnothing here\n"));
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.err.find("Document Damaged - Please Report to "), std::string::npos);
}

}  // namespace
