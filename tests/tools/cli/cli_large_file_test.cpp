// brevia-cli on a file past 4 GiB: incremental updates appended after big gaps, made sparse so
// that the test costs no disk.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/pdf_builder.h"

namespace {

struct CliResult {
  int status = -1;
  std::string out;
};

CliResult cli(const std::string& arguments) {
  CliResult r;
  const char* bin = std::getenv("BREVIA_BIN");
  const std::string command = std::string(bin ? bin : "") + "/brevia-cli " + arguments;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) r.out.append(buffer.data(), n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

std::string offset10(int64_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, "%010lld", static_cast<long long>(offset));
  return text;
}

// An update at offset that redefines the page tree with pages 3, 6 and (new) newPage, whose
// content shows text; prevXref is the previous section's offset. Returns the bytes.
std::string update(int64_t offset, int64_t prevXref, const std::string& kids, int count,
                   int newPage, const std::string& text, int64_t& xref) {
  std::string out = "\n";
  const int64_t pages = offset + static_cast<int64_t>(out.size());
  out += "2 0 obj\n<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(count) +
         " >>\nendobj\n";
  const int64_t page = offset + static_cast<int64_t>(out.size());
  out += std::to_string(newPage) +
         " 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Resources << /Font << "
         "/F1 5 0 R >> >> /Contents " +
         std::to_string(newPage + 1) + " 0 R >>\nendobj\n";
  const std::string content = "BT /F1 18 Tf 20 100 Td (" + text + ") Tj ET";
  const int64_t stream = offset + static_cast<int64_t>(out.size());
  out += std::to_string(newPage + 1) + " 0 obj\n<< /Length " + std::to_string(content.size()) +
         " >>\nstream\n" + content + "\nendstream\nendobj\n";
  xref = offset + static_cast<int64_t>(out.size());
  out += "xref\n0 1\n0000000000 65535 f \n2 1\n" + offset10(pages) + " 00000 n \n" +
         std::to_string(newPage) + " 2\n" + offset10(page) + " 00000 n \n" + offset10(stream) +
         " 00000 n \ntrailer\n<< /Size " + std::to_string(newPage + 2) + " /Root 1 0 R /Prev " +
         std::to_string(prevXref) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

TEST(CliLargeFile, PagesPastFourGibibytesWork) {
  testing_pdf::PdfBuilder builder;
  builder.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  builder.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  builder.set(3,
              "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Resources << /Font << /F1 5 "
              "0 R >> >> /Contents 4 0 R >>");
  builder.setStream(4, "", "BT /F1 18 Tf 20 100 Td (first page) Tj ET");
  builder.set(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  const std::string base = builder.build("/Root 1 0 R");
  const int64_t baseXref = std::stoll(base.substr(base.rfind("startxref") + 10));

  // Past 2^31 (the old limit of signed 32-bit positions), then past 2^32.
  constexpr int64_t kMiddle = int64_t{3} << 30;
  constexpr int64_t kLast = (int64_t{1} << 32) + 4096;
  int64_t middleXref = 0, lastXref = 0;
  const std::string middle =
      update(kMiddle, baseXref, "3 0 R 6 0 R", 2, 6, "middle page", middleXref);
  const std::string last =
      update(kLast, middleXref, "3 0 R 6 0 R 8 0 R", 3, 8, "past four gibibytes", lastXref);
  ASSERT_GT(lastXref, int64_t{1} << 32);

  const std::string path = testing_pdf::writeTempFile(base, "large.pdf");
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, middle.data(), middle.size(), kMiddle), ssize_t(middle.size()));
  ASSERT_EQ(::pwrite(fd, last.data(), last.size(), kLast), ssize_t(last.size()));
  struct stat info {};
  ASSERT_EQ(::fstat(fd, &info), 0);
  ::close(fd);
  // A file system without holes would have written gigabytes of zeros.
  if (int64_t(info.st_blocks) * 512 > (int64_t{64} << 20)) {
    std::filesystem::remove(path);
    GTEST_SKIP() << "the file system cannot make sparse files";
  }

  const CliResult pages = cli("info " + path);
  EXPECT_EQ(pages.status, 0);
  EXPECT_NE(pages.out.find("\"pages\": 3,"), std::string::npos) << pages.out;
  const CliResult text = cli("text " + path + " --page 3");
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("past four gibibytes"), std::string::npos) << text.out;
  EXPECT_NE(cli("text " + path + " --page 2").out.find("middle page"), std::string::npos);
  EXPECT_NE(cli("text " + path + " --page 1").out.find("first page"), std::string::npos);
  const std::string png = std::filesystem::path(path).parent_path() / "last.png";
  EXPECT_EQ(cli("render " + path + " --page 3 --dpi 36 -o " + png).status, 0);
  EXPECT_GT(testing_pdf::readFile(png).size(), 100u);
  std::filesystem::remove(path);
}

}  // namespace
