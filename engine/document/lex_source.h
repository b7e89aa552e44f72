#pragma once
// Random-access byte sources read by the lexer: files on disk and bytes in memory.

#include <cstdint>
#include <span>

// Positions in sources are 64-bit: files pass 2 GiB.
class C_PDF_Lex_Source {
 public:
  virtual ~C_PDF_Lex_Source() = default;

  // Number of bytes in the source; -1 when the source could not be opened.
  int64_t length = -1;

  // The byte at position, or false when position lies outside 0 ... length-1.
  virtual bool readByte(uint8_t& out, int64_t position) = 0;

  // The bytes from position onward that can be read without another fetch (at least one byte
  // when position is inside the source, none otherwise). The span stays valid until the next
  // call on this source whose generation() differs afterwards.
  virtual std::span<const uint8_t> span(int64_t position) = 0;

  // Changes whenever previously returned spans become invalid.
  uint32_t generation() const { return generation_; }

 protected:
  uint32_t generation_ = 0;
};

// Bytes already in memory; not owned.
class C_PDF_Mem_Buffer : public C_PDF_Lex_Source {
 public:
  C_PDF_Mem_Buffer(const uint8_t* data, int64_t size);
  bool readByte(uint8_t& out, int64_t position) override;
  std::span<const uint8_t> span(int64_t position) override;

 private:
  const uint8_t* data_;
};
