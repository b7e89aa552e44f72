#include "engine/document/pdf_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/document/byte_scan.h"
#include "engine/document/pdf_lexer.h"

namespace {

class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    path_ = (std::filesystem::temp_directory_path() /
             ("brevia-file-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_)))
                .string();
    std::ofstream(path_, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

// A file larger than the read window, with a marker just after each window boundary.
std::string largeFile() {
  std::string bytes(C_PDF_File::kWindowSize * 2 + 1000, ' ');
  for (int32_t i = 0; i < static_cast<int32_t>(bytes.size()); i += 997) bytes[i] = 'a' + i % 26;
  bytes.replace(C_PDF_File::kWindowSize - 3, 6, "MARKER");
  bytes.replace(bytes.size() - 10, 9, "startxref");
  return bytes;
}

}  // namespace

TEST(PdfFile, MappedAndWindowedReadTheSameBytes) {
  const std::string bytes = largeFile();
  TempFile file(bytes);
  C_PDF_File mapped(file.path(), C_PDF_File::Access::Mapped);
  C_PDF_File windowed(file.path(), C_PDF_File::Access::Windowed);
  EXPECT_TRUE(mapped.mapped());
  EXPECT_FALSE(windowed.mapped());
  ASSERT_EQ(mapped.length, static_cast<int32_t>(bytes.size()));
  ASSERT_EQ(windowed.length, mapped.length);

  // Jumps back and forth across the window boundaries.
  const int64_t positions[] = {0,
                               mapped.length - 1,
                               5,
                               C_PDF_File::kWindowSize,
                               C_PDF_File::kWindowSize - 1,
                               2 * C_PDF_File::kWindowSize + 3,
                               1};
  for (int64_t position : positions) {
    uint8_t a = 0, b = 0;
    ASSERT_TRUE(mapped.readByte(a, position));
    ASSERT_TRUE(windowed.readByte(b, position));
    EXPECT_EQ(a, static_cast<uint8_t>(bytes[position]));
    EXPECT_EQ(a, b);
  }
  uint8_t byte = 0;
  EXPECT_FALSE(mapped.readByte(byte, -1));
  EXPECT_FALSE(mapped.readByte(byte, mapped.length));
  EXPECT_TRUE(mapped.span(mapped.length).empty());

  // A mapped span reaches the end of the file and does not go stale after other reads.
  const uint32_t generation = mapped.generation();
  std::span<const uint8_t> rest = mapped.span(10);
  EXPECT_EQ(rest.size(), bytes.size() - 10);
  ASSERT_TRUE(mapped.readByte(byte, mapped.length - 1));
  EXPECT_EQ(mapped.generation(), generation);
  EXPECT_EQ(rest[0], static_cast<uint8_t>(bytes[10]));

  // Scans find text that straddles a window boundary either way.
  EXPECT_EQ(findForward(mapped, "MARKER", 0), C_PDF_File::kWindowSize - 3);
  EXPECT_EQ(findForward(windowed, "MARKER", 0), C_PDF_File::kWindowSize - 3);
  EXPECT_EQ(findBackward(mapped, "startxref"), findBackward(windowed, "startxref"));
}

TEST(PdfFile, EmptyMissingAndNonRegularFiles) {
  TempFile empty("");
  C_PDF_File emptyFile(empty.path());
  EXPECT_EQ(emptyFile.length, 0);
  uint8_t byte = 0;
  EXPECT_FALSE(emptyFile.readByte(byte, 0));

  C_PDF_File missing("/nonexistent/brevia/none.pdf");
  EXPECT_EQ(missing.length, -1);
  EXPECT_FALSE(missing.error().empty());

  C_PDF_File folder(std::filesystem::temp_directory_path().string());
  EXPECT_EQ(folder.length, -1);
}

TEST(ByteScan, ForwardAndBackwardEdges) {
  const std::string text = "obj xx objobj trailer yy trailer";
  C_PDF_Mem_Buffer memory(reinterpret_cast<const uint8_t*>(text.data()),
                          static_cast<int32_t>(text.size()));
  EXPECT_EQ(findForward(memory, "obj", 0), 0);
  EXPECT_EQ(findForward(memory, "obj", 1), 7);
  EXPECT_EQ(findForward(memory, "obj", 8), 10);
  EXPECT_EQ(findForward(memory, "obj", 0, 9), 0);
  EXPECT_EQ(findForward(memory, "obj", 1, 9), -1);  // the hit would end past the limit
  EXPECT_EQ(findForward(memory, "zz", 0), -1);
  EXPECT_EQ(findForward(memory, "obj", 100), -1);
  EXPECT_EQ(findBackward(memory, "trailer"), 25);
  EXPECT_EQ(findBackward(memory, "obj"), 10);
  EXPECT_EQ(findBackward(memory, "o"), 10);
  EXPECT_EQ(findBackward(memory, "ob"), 10);
  EXPECT_EQ(findBackward(memory, "tt"), -1);
  EXPECT_EQ(findBackward(memory, "trailer trailer"), -1);
  std::string copied;
  EXPECT_EQ(copyBytes(memory, 25, 100, copied), 7);
  EXPECT_EQ(copied, "trailer");
}

// Bytes past 4 GiB, read through the mapping and through the window fallback; the file is
// sparse, so it costs no disk.
TEST(PdfFile, PositionsPastFourGibibytes) {
  TempFile file("%PDF-1.4\n");
  constexpr int64_t kFar = (int64_t{1} << 32) + 7;
  const std::string tail = "4 0 obj\n(far)\nendobj\nstartxref\n";
  {
    std::FILE* out = std::fopen(file.path().c_str(), "r+b");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(::pwrite(::fileno(out), tail.data(), tail.size(), kFar), ssize_t(tail.size()));
    struct stat info {};
    ASSERT_EQ(::fstat(::fileno(out), &info), 0);
    std::fclose(out);
    if (int64_t(info.st_blocks) * 512 > (int64_t{64} << 20))
      GTEST_SKIP() << "the file system cannot make sparse files";
  }
  for (auto access : {C_PDF_File::Access::Mapped, C_PDF_File::Access::Windowed}) {
    C_PDF_File source(file.path(), access);
    ASSERT_EQ(source.length, kFar + int64_t(tail.size()));
    uint8_t c = 0;
    ASSERT_TRUE(source.readByte(c, kFar));
    EXPECT_EQ(c, '4');
    ASSERT_TRUE(source.readByte(c, 5));
    EXPECT_EQ(c, '1');
    EXPECT_FALSE(source.readByte(c, source.length));
    EXPECT_EQ(findBackward(source, "startxref"), kFar + 21);
    EXPECT_EQ(findForward(source, "obj", kFar - 100), kFar + 4);
    std::string copied;
    EXPECT_EQ(copyBytes(source, kFar + 8, 5, copied), 5);
    EXPECT_EQ(copied, "(far)");
    PdfLexer lexer(&source);
    lexer.seek(kFar + 8);
    PdfObject object;
    ASSERT_TRUE(lexer.readObject(object));
    EXPECT_EQ(object.text, "far");
    EXPECT_EQ(lexer.position(), kFar + 12);
  }
  PdfObject big(PdfObjectKind::Number, "4294967303");
  EXPECT_EQ(big.offsetValue(), kFar);
  EXPECT_EQ(big.intValue(), INT32_MAX);
  EXPECT_EQ(PdfObject(PdfObjectKind::Number, "99999999999999999999999").offsetValue(), INT64_MAX);
  EXPECT_EQ(PdfObject(PdfObjectKind::Number, "-12").offsetValue(), -12);
}

TEST(PdfFile, AFileRewrittenInPlaceKeepsTheBytesReadAtOpen) {
  // TeX truncates and rewrites its output while the reader shows it: the open reading must
  // keep the bytes it had, never fault on pages that went away.
  const std::string bytes = largeFile();
  TempFile file(bytes);
  C_PDF_File reading(file.path());
  ASSERT_EQ(reading.length, static_cast<int64_t>(bytes.size()));
  ASSERT_EQ(::truncate(file.path().c_str(), 0), 0);
  std::ofstream(file.path(), std::ios::binary | std::ios::trunc).write("%PDF-1.4\n", 9);
  const std::span<const uint8_t> all = reading.span(0);
  ASSERT_EQ(all.size(), bytes.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(all.data()), all.size()), bytes);
  uint8_t last = 0;
  ASSERT_TRUE(reading.readByte(last, reading.length - 1));
  EXPECT_EQ(last, static_cast<uint8_t>(bytes.back()));
}
