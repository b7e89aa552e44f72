#pragma once
// RC4 stream cipher, used by the standard security handler. Encryption and decryption are the
// same operation.

#include <array>
#include <cstdint>
#include <span>
#include <string>

class Rc4 {
 public:
  // Only the first 256 bytes of a key take part in the key schedule. An empty key acts as a
  // single zero byte.
  explicit Rc4(std::span<const uint8_t> key);

  // XORs data with the next bytes of the key stream.
  void process(std::span<uint8_t> data);
  void process(std::string& data);

 private:
  std::array<uint8_t, 256> state_{};
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

// Runs data through a fresh cipher with key, in place.
void rc4(std::span<const uint8_t> key, std::span<uint8_t> data);
void rc4(std::span<const uint8_t> key, std::string& data);
