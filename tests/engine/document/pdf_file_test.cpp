#include "engine/document/pdf_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
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
  const int32_t positions[] = {0,
                               mapped.length - 1,
                               5,
                               C_PDF_File::kWindowSize,
                               C_PDF_File::kWindowSize - 1,
                               2 * C_PDF_File::kWindowSize + 3,
                               1};
  for (int32_t position : positions) {
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
