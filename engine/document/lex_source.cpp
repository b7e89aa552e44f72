#include "engine/document/lex_source.h"

C_PDF_Mem_Buffer::C_PDF_Mem_Buffer(const uint8_t* data, int64_t size) : data_(data) {
  length = data ? (size < 0 ? 0 : size) : 0;
}

bool C_PDF_Mem_Buffer::readByte(uint8_t& out, int64_t position) {
  if (position < 0 || position >= length) return false;
  out = data_[position];
  return true;
}

std::span<const uint8_t> C_PDF_Mem_Buffer::span(int64_t position) {
  if (position < 0 || position >= length) return {};
  return {data_ + position, static_cast<std::size_t>(length - position)};
}
