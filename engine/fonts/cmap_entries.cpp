#include "engine/fonts/cmap_entries.h"

#include <algorithm>

namespace CMaps {

bool CSChar::assign(std::string_view code) {
  if (code.empty() || code.size() > static_cast<std::size_t>(kMaxCodeBytes)) return false;
  length = static_cast<uint8_t>(code.size());
  for (int i = 0; i < length && i < kMaxCodeBytes; ++i) bytes[i] = static_cast<uint8_t>(code[i]);
  return true;
}

bool CSChar::equals(const uint8_t* code, int codeLength) const {
  return codeLength == length && std::equal(bytes.begin(), bytes.begin() + length, code);
}

bool CSRange::assign(std::string_view lowCode, std::string_view highCode) {
  if (lowCode.empty() || lowCode.size() != highCode.size() ||
      lowCode.size() > static_cast<std::size_t>(kMaxCodeBytes)) {
    return false;
  }
  length = static_cast<uint8_t>(lowCode.size());
  for (int i = 0; i < length && i < kMaxCodeBytes; ++i) {
    low[i] = static_cast<uint8_t>(lowCode[i]);
    high[i] = static_cast<uint8_t>(highCode[i]);
  }
  return true;
}

bool CSRange::contains(const uint8_t* code, int codeLength) const {
  if (codeLength != length) return false;
  for (int i = 0; i < length; ++i) {
    if (code[i] < low[i] || code[i] > high[i]) return false;
  }
  return true;
}

uint16_t CSRange::offsetOf(const uint8_t* code) const {
  uint32_t offset = 0;
  for (int i = 0; i < length; ++i) offset = ((offset << 8) + (code[i] - low[i])) & 0xFFFFu;
  return static_cast<uint16_t>(offset);
}

}  // namespace CMaps
