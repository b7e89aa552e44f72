#include "engine/document/rc4.h"

#include <utility>

Rc4::Rc4(std::span<const uint8_t> key) {
  static constexpr uint8_t kEmptyKey[1] = {0};
  if (key.empty()) key = kEmptyKey;  // avoids a division by zero below
  for (std::size_t k = 0; k < state_.size(); ++k) state_[k] = uint8_t(k);
  uint8_t j = 0;
  for (std::size_t k = 0; k < state_.size(); ++k) {
    j = uint8_t(j + state_[k] + key[k % key.size()]);
    std::swap(state_[k], state_[j]);
  }
}

void Rc4::process(std::span<uint8_t> data) {
  for (uint8_t& byte : data) {
    i_ = uint8_t(i_ + 1);
    j_ = uint8_t(j_ + state_[i_]);
    std::swap(state_[i_], state_[j_]);
    byte ^= state_[uint8_t(state_[i_] + state_[j_])];
  }
}

void Rc4::process(std::string& data) {
  process(std::span(reinterpret_cast<uint8_t*>(data.data()), data.size()));
}

void rc4(std::span<const uint8_t> key, std::span<uint8_t> data) { Rc4(key).process(data); }

void rc4(std::span<const uint8_t> key, std::string& data) { Rc4(key).process(data); }
