#include "engine/document/rc4.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> fromHex(std::string_view hex) {
  std::vector<uint8_t> bytes;
  for (std::size_t pos = 0; pos + 1 < hex.size(); pos += 2) {
    bytes.push_back(uint8_t(std::stoi(std::string(hex.substr(pos, 2)), nullptr, 16)));
  }
  return bytes;
}

std::span<const uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(Rc4, ClassicVectors) {
  const std::tuple<const char*, const char*, const char*> vectors[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
  };
  for (const auto& [key, plain, cipher] : vectors) {
    std::string data = plain;
    rc4(bytesOf(key), data);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.end()), fromHex(cipher)) << key;
    rc4(bytesOf(key), data);
    EXPECT_EQ(data, plain);
  }
}

// RFC 6229 key streams at offsets 0, 16 and 4080 for the key lengths the handler uses.
TEST(Rc4, Rfc6229KeyStreams) {
  const std::tuple<const char*, const char*, const char*> vectors[] = {
      {"0102030405", "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919",
       "068326a2118416d21f9d04b2cd1ca050"},
      {"01020304050607", "293f02d47f37c9b633f2af5285feb46be620f1390d19bd84e2e0fd752031afc1",
       "f3172ceffc3b3d997c85ccd5af1a950c"},
      {"0102030405060708", "97ab8a1bf0afb96132f2f67258da15a88263efdb45c4a18684ef87e6b19e5b09",
       "d5fa5a3469d29aaaf83d23589db8c85b"},
      {"0102030405060708090a", "ede3b04643e586cc907dc2185170990203516ba78f413beb223aa5d4d2df6711",
       "1f135ed14ce60a91369d2322bef25e3c"},
      {"0102030405060708090a0b0c0d0e0f10",
       "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c",
       "ff38265c1642c1abe8d3c2fe5e572bf8"},
  };
  for (const auto& [key, start, at4080] : vectors) {
    // Processing in uneven pieces must continue the same key stream.
    Rc4 cipher(fromHex(key));
    std::vector<uint8_t> stream(4096);
    cipher.process(std::span(stream).first(7));
    cipher.process(std::span(stream).subspan(7));
    EXPECT_EQ(std::vector<uint8_t>(stream.begin(), stream.begin() + 32), fromHex(start)) << key;
    EXPECT_EQ(std::vector<uint8_t>(stream.begin() + 4080, stream.end()), fromHex(at4080)) << key;
  }
}

TEST(Rc4, EmptyKeyAndEmptyDataAreHarmless) {
  std::string data = "abc";
  rc4({}, data);
  EXPECT_EQ(data.size(), 3u);
  std::string empty;
  rc4(bytesOf("Key"), empty);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
