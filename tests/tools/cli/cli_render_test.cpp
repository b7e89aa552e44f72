// brevia-cli render: PNG output, sizes, rotation, encrypted documents and bad arguments.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "tests/support/pdf_builder.h"

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string fixture(const std::string& name) { return env("BREVIA_TEST_DATA") + "/pdf/" + name; }

int run(const std::string& arguments) {
  std::string command = env("BREVIA_BIN") + "/brevia-cli " + arguments + " 2>/dev/null";
  int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Width and height from a PNG header.
std::pair<int, int> pngSize(const std::string& path) {
  std::string png = testing_pdf::readFile(path);
  if (png.size() < 24) return {0, 0};
  auto be = [&](int at) {
    return (uint8_t(png[at]) << 24) | (uint8_t(png[at + 1]) << 16) | (uint8_t(png[at + 2]) << 8) |
           uint8_t(png[at + 3]);
  };
  return {be(16), be(20)};
}

TEST(CliRender, SizesRotationAndPages) {
  const std::string dir = std::filesystem::path(testing_pdf::writeTempFile("", "x")).parent_path();
  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page 1 -o " + dir + "/a.png"), 0);
  EXPECT_EQ(pngSize(dir + "/a.png"), std::make_pair(612, 792));
  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page 1 --dpi 144 --zoom 0.5 -o " +
                dir + "/b.png"),
            0);
  EXPECT_EQ(pngSize(dir + "/b.png"), std::make_pair(612, 792));
  // Page 2 has /Rotate 90; --rotate turns the picture as the view does.
  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page 2 -o " + dir + "/c.png"), 0);
  EXPECT_EQ(pngSize(dir + "/c.png"), std::make_pair(842, 595));
  EXPECT_EQ(
      run("render " + fixture("three_pages.pdf") + " --page 2 --rotate 90 -o " + dir + "/d.png"),
      0);
  EXPECT_EQ(pngSize(dir + "/d.png"), std::make_pair(595, 842));
  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page all --dpi 36 -o " + dir + "/all"),
            0);
  EXPECT_TRUE(std::filesystem::exists(dir + "/all/page-3.png"));
  // A huge zoom is reduced to fit instead of failing.
  EXPECT_EQ(
      run("render " + fixture("three_pages.pdf") + " --page 1 --dpi 9600 -o " + dir + "/e.png"), 0);
  EXPECT_LE(int64_t(pngSize(dir + "/e.png").first) * pngSize(dir + "/e.png").second,
            int64_t{64} << 20);

  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page 4 -o " + dir + "/f.png"), 1);
  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page 0 -o " + dir + "/f.png"), 2);
  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page 1"), 2);
  EXPECT_EQ(run("render " + fixture("three_pages.pdf") + " --page 1 --dpi -3 -o " + dir + "/f.png"),
            2);
  EXPECT_EQ(
      run("render " + fixture("three_pages.pdf") + " --page 1 --rotate 45 -o " + dir + "/f.png"),
      2);
}

TEST(CliRender, FormatsStandardOutputAndWorkers) {
  const std::string dir =
      std::filesystem::path(testing_pdf::writeTempFile("", "x")).parent_path() / "formats";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string pdf = fixture("three_pages.pdf");
  ASSERT_EQ(run("render " + pdf + " --page 1 --dpi 36 --format pam -o " + dir + "/a.pam"), 0);
  const std::string pam = testing_pdf::readFile(dir + "/a.pam");
  const std::string pamHeader =
      "P7\nWIDTH 306\nHEIGHT 396\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
  ASSERT_EQ(pam.substr(0, pamHeader.size()), pamHeader);
  EXPECT_EQ(pam.size(), pamHeader.size() + 306u * 396u * 3u);
  // A page is opaque: PPM holds the same pixels as PAM.
  ASSERT_EQ(run("render " + pdf + " --page 1 --dpi 36 --format ppm -o " + dir + "/a.ppm"), 0);
  const std::string ppm = testing_pdf::readFile(dir + "/a.ppm");
  const std::string ppmHeader = "P6\n306 396\n255\n";
  ASSERT_EQ(ppm.substr(0, ppmHeader.size()), ppmHeader);
  EXPECT_EQ(ppm.substr(ppmHeader.size()), pam.substr(pamHeader.size()));

  // "-o -" writes to standard output, pages of "all" one after another in order.
  ASSERT_EQ(run("render " + pdf + " --page 1 --dpi 36 --format pam -o - > " + dir + "/stdout.pam"),
            0);
  EXPECT_EQ(testing_pdf::readFile(dir + "/stdout.pam"), pam);
  ASSERT_EQ(run("render " + pdf + " --page all --dpi 36 --format pam -o - > " + dir + "/all.pam"),
            0);
  const std::string all = testing_pdf::readFile(dir + "/all.pam");
  EXPECT_EQ(all.substr(0, pam.size()), pam);
  EXPECT_NE(all.find("P7", pam.size()), std::string::npos);

  // Several workers write exactly what one writes.
  ASSERT_EQ(run("render " + pdf + " --page all --dpi 30 --jobs 1 -o " + dir + "/one"), 0);
  ASSERT_EQ(run("render " + pdf + " --page all --dpi 30 --jobs 3 -o " + dir + "/three"), 0);
  for (int n = 1; n <= 3; ++n) {
    const std::string name = "/page-" + std::to_string(n) + ".png";
    ASSERT_TRUE(std::filesystem::exists(dir + "/three" + name)) << name;
    EXPECT_EQ(testing_pdf::readFile(dir + "/three" + name),
              testing_pdf::readFile(dir + "/one" + name))
        << name;
  }
  ASSERT_EQ(run("render " + pdf + " --page all --dpi 30 --format ppm -o " + dir + "/ppm"), 0);
  EXPECT_TRUE(std::filesystem::exists(dir + "/ppm/page-2.ppm"));

  EXPECT_EQ(run("render " + pdf + " --page 1 --format gif -o " + dir + "/x"), 2);
  EXPECT_EQ(run("render " + pdf + " --page all --jobs 0 -o " + dir + "/x"), 2);
  EXPECT_EQ(run("render " + pdf + " --page 1 --png-level 12 -o " + dir + "/x.png"), 2);
  EXPECT_EQ(run("render " + pdf + " --page 1 -o " + dir + "/no/such/folder/x.png"), 1);
}

TEST(CliRender, EncryptedDocumentsRenderLikeTheOriginal) {
  const std::string dir = std::filesystem::path(testing_pdf::writeTempFile("", "x")).parent_path();
  ASSERT_EQ(
      run("render " + fixture("three_pages.pdf") + " --page 1 --dpi 50 -o " + dir + "/plain.png"),
      0);
  const std::string plain = testing_pdf::readFile(dir + "/plain.png");
  for (const char* file :
       {"rc4_40.pdf", "rc4_128.pdf", "rc4_128_locked.pdf", "aes128.pdf", "aes256.pdf"}) {
    for (const char* password : {"user", "owner"}) {
      const std::string out = dir + "/" + file + password + ".png";
      // The locked file has an empty user password: any password given opens it.
      ASSERT_EQ(run("render " + fixture(file) + " --page 1 --dpi 50 --password " + password +
                    " -o " + out),
                0)
          << file;
      EXPECT_EQ(testing_pdf::readFile(out), plain) << file << " " << password;
    }
  }
  EXPECT_EQ(run("render " + fixture("rc4_40.pdf") + " --page 1 -o " + dir + "/x.png"), 1);
  EXPECT_EQ(
      run("render " + fixture("aes256.pdf") + " --page 1 --password User -o " + dir + "/x.png"), 1);
}

}  // namespace
