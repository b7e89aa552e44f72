#pragma once
// A file on disk, read through one sliding 4 MiB window.

#include <memory>
#include <string>

#include "engine/document/lex_source.h"

class C_PDF_File : public C_PDF_Lex_Source {
 public:
  static constexpr int32_t kWindowSize = 4 * 1024 * 1024;

  // Opens the file. On failure length stays -1, message 11 is reported and error() says why.
  explicit C_PDF_File(const std::string& path);
  ~C_PDF_File() override;
  C_PDF_File(const C_PDF_File&) = delete;
  C_PDF_File& operator=(const C_PDF_File&) = delete;

  bool readByte(uint8_t& out, int32_t position) override;
  std::span<const uint8_t> span(int32_t position) override;

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  bool loadWindow(int32_t position);

  std::string path_;
  std::string error_;
  int descriptor_ = -1;
  std::unique_ptr<uint8_t[]> window_;
  int32_t windowStart_ = 0;
  int32_t windowEnd_ = 0;
  bool atEnd_ = false;
};
