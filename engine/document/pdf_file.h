#pragma once
// A file on disk, held whole in memory: read at open when it is small, else mapped read-only;
// where mapping fails it is read through one sliding 4 MiB window instead.

#include <memory>
#include <string>

#include "engine/document/lex_source.h"

class C_PDF_File : public C_PDF_Lex_Source {
 public:
  static constexpr int32_t kWindowSize = 4 * 1024 * 1024;
  // Files up to this size are read into memory at open rather than mapped. A writer that
  // truncates and rewrites the file in place (TeX does, while the reader shows it) would
  // otherwise take the mapped pages away, and touching one of them ends the process.
  static constexpr int64_t kMaxCopiedBytes = 64 * 1024 * 1024;

  enum class Access { Mapped, Windowed };

  // Opens the file. On failure length stays -1, message 11 is reported and error() says why.
  // Mapped access falls back to the window when the file cannot be mapped.
  explicit C_PDF_File(const std::string& path, Access access = Access::Mapped);
  ~C_PDF_File() override;
  C_PDF_File(const C_PDF_File&) = delete;
  C_PDF_File& operator=(const C_PDF_File&) = delete;

  bool readByte(uint8_t& out, int64_t position) override;
  std::span<const uint8_t> span(int64_t position) override;

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }
  bool mapped() const { return mapping_ != nullptr; }

 private:
  bool loadWindow(int64_t position);
  bool mapFile();
  bool copyFile();

  std::string path_;
  std::string error_;
  int descriptor_ = -1;
  // The whole file when it is mapped; spans of it never go stale.
  const uint8_t* mapping_ = nullptr;
  std::unique_ptr<uint8_t[]> copy_;  // owns mapping_'s bytes when the file was read whole
  std::unique_ptr<uint8_t[]> window_;
  int64_t windowStart_ = 0;
  int64_t windowEnd_ = 0;
  bool atEnd_ = false;
};
