// brevia-thumbnailer as file managers run it: page 1 to a PNG of at most SIZE pixels, nothing
// for files that need a password, and no file left behind when it fails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "tests/support/pdf_builder.h"
#include "tests/support/program_run.h"

namespace {

using testing_run::quoted;
using testing_run::run;

std::string fixture(const std::string& name) {
  const char* data = std::getenv("BREVIA_TEST_DATA");
  return std::string(data ? data : "") + "/pdf/" + name;
}

struct PngSize {
  int width = -1, height = -1;
};

// The size from the IHDR chunk; -1 when the file is not a PNG.
PngSize pngSize(const std::string& path) {
  const std::string b = testing_pdf::readFile(path);
  if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0)
    return {};
  auto be32 = [&](std::size_t at) {
    return int((unsigned char)b[at]) << 24 | int((unsigned char)b[at + 1]) << 16 |
           int((unsigned char)b[at + 2]) << 8 | int((unsigned char)b[at + 3]);
  };
  return {be32(16), be32(20)};
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

TEST(Thumbnailer, ThePageFitsTheSizeOnItsLongerSide) {
  // A letter page, the same turned by /Rotate 90, and a wide page given as a file:// URI whose
  // name needs escapes.
  const std::string upright = testing_pdf::writeTempFile(
      testing_pdf::simpleDocument(3, "0 0 1 rg 0 0 306 396 re f"), "upright.pdf");
  const std::string turned = testing_pdf::writeTempFile(
      testing_pdf::simpleDocument(1, "", "/MediaBox [0 0 612 792] /Rotate 90"), "turned.pdf");
  const std::string wide = testing_pdf::writeTempFile(
      testing_pdf::simpleDocument(1, "", "/MediaBox [0 0 1000 100]"), "wide page #1.pdf");
  const std::string out = testing_pdf::writeTempFile("", "thumbnail.png");

  auto make = [&](const std::string& input, int size) {
    std::remove(out.c_str());
    const auto r = run("brevia-thumbnailer",
                       "-s " + std::to_string(size) + " " + quoted(input) + " " + quoted(out));
    EXPECT_EQ(r.status, 0) << input << ": " << r.err;
    return pngSize(out);
  };
  PngSize s = make(upright, 128);
  EXPECT_EQ(s.height, 128);
  EXPECT_EQ(s.width, 98);  // 612 × 128 / 792
  s = make(turned, 128);
  EXPECT_EQ(s.width, 128);
  EXPECT_EQ(s.height, 98);
  s = make(
      "file://" + std::string(wide).replace(wide.find("wide page #1"), 12, "wide%20page%20%231"),
      256);
  EXPECT_EQ(s.width, 256);
  EXPECT_EQ(s.height, 25);
  // A small page is drawn up to the size; the size is not exceeded for any size asked.
  for (int size : {1, 7, 100, 333}) {
    s = make(upright, size);
    EXPECT_EQ(s.height, size);
    EXPECT_LE(s.width, size);
    EXPECT_GE(s.width, 1);
  }
  // An encrypted file with an empty user password has a thumbnail.
  s = make(fixture("rc4_128_locked.pdf"), 64);
  EXPECT_EQ(std::max(s.width, s.height), 64);
}

TEST(Thumbnailer, NoThumbnailAndNoPromptWithoutThePassword) {
  const std::string out = testing_pdf::writeTempFile("", "locked.png");
  std::remove(out.c_str());
  // Standard input closed: a prompt would fail rather than wait.
  const auto r = run("brevia-thumbnailer",
                     "-s 128 " + quoted(fixture("rc4_40.pdf")) + " " + quoted(out) + " </dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("password"), std::string::npos) << r.err;
  EXPECT_FALSE(exists(out));

  const std::string broken = testing_pdf::writeTempFile("%PDF-1.4\nrubbish", "broken.pdf");
  for (const std::string& input :
       {broken, std::string("/nonexistent.pdf"), std::string("http://example.org/a.pdf"),
        std::string("file://otherhost/a.pdf"), std::string("file:///a%00b.pdf")}) {
    const auto failed = run("brevia-thumbnailer", "-s 64 " + quoted(input) + " " + quoted(out));
    EXPECT_EQ(failed.status, 1) << input;
    EXPECT_FALSE(exists(out)) << input;
  }
  // The output folder must exist; the temporary file goes too.
  const auto unwritable = run("brevia-thumbnailer", "-s 64 " + quoted(fixture("three_pages.pdf")) +
                                                        " /nonexistent-folder/x.png");
  EXPECT_EQ(unwritable.status, 1);
}

TEST(Thumbnailer, ArgumentsAsTheEntryGivesThem) {
  for (const char* wrong :
       {"", "-s", "-s 0 a b", "-s 5000 a b", "-s x a b", "a", "a b c", "--frobnicate a b"}) {
    const auto r = run("brevia-thumbnailer", wrong);
    EXPECT_EQ(r.status, 2) << wrong;
    EXPECT_NE(r.err.find("usage"), std::string::npos) << wrong;
  }
  EXPECT_EQ(run("brevia-thumbnailer", "--help").status, 0);
  EXPECT_EQ(run("brevia-thumbnailer", "--version").status, 0);
  // The installed entry runs it with the size, the input's URI and the output.
  const char* source = std::getenv("BREVIA_TEST_DATA");
  const std::string entry = testing_pdf::readFile(std::string(source ? source : "") +
                                                  "/../../data/thumbnailers/brevia.thumbnailer");
  EXPECT_NE(entry.find("Exec=brevia-thumbnailer -s %s %u %o"), std::string::npos);
  EXPECT_NE(entry.find("MimeType=application/pdf;"), std::string::npos);
}

}  // namespace
