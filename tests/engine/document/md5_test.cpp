#include "engine/document/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string toHex(const Md5::Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t byte : digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 15]);
  }
  return hex;
}

TEST(Md5, Rfc1321TestSuite) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567890123456"
       "7890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [message, digest] : vectors)
    EXPECT_EQ(toHex(md5(std::string_view(message))), digest) << message;
}

TEST(Md5, PiecewiseUpdatesAcrossBlockBoundariesMatchOneShot) {
  // Lengths around 55/56/64 bytes exercise the one- and two-block padding paths.
  std::string message;
  for (int i = 0; i < 300; ++i) message.push_back(char('A' + i % 53));
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 300u}) {
    std::string_view part(message.data(), length);
    Md5 hash;
    for (std::size_t pos = 0, step = 1; pos < part.size(); pos += step, step = step * 2 + 1) {
      hash.update(part.substr(pos, step));
    }
    EXPECT_EQ(toHex(hash.final()), toHex(md5(part))) << length;
  }
}

TEST(Md5, MillionAsAndReuseAfterFinal) {
  Md5 hash;
  hash.update("discarded");
  hash.final();
  std::string block(1000, 'a');
  for (int i = 0; i < 1000; ++i) hash.update(block);
  EXPECT_EQ(toHex(hash.final()), "7707d6ae4e027c70eea2a935c2296f21");
}

}  // namespace
