#include "engine/fonts/cmap_encoding.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/engine/fonts/cmap_test_support.h"

using cmap_testing::bytes;
using cmap_testing::encodingText;
using cmap_testing::parseText;
using CMaps::EncodingCMap;

namespace {

int codeLength(const EncodingCMap& cmap, const std::vector<uint8_t>& code) {
  return cmap.codeLength(code.data(), static_cast<int32_t>(code.size()));
}

// The CID, or -1 when the code maps to none.
int cidOf(const EncodingCMap& cmap, const std::vector<uint8_t>& code, int length = 0) {
  uint16_t cid = 0;
  return cmap.toCID(code.data(), static_cast<int32_t>(code.size()), length, cid) ? cid : -1;
}

TEST(EncodingCMapTest, BuiltInIdentityMapsEachTwoByteCodeToItself) {
  for (const char* name : {"Identity-H", "Identity-V"}) {
    SCOPED_TRACE(name);
    EncodingCMap cmap;
    ASSERT_TRUE(cmap.loadByName(name));
    EXPECT_EQ(codeLength(cmap, bytes({0x01, 0x02})), 2);
    EXPECT_EQ(cidOf(cmap, bytes({0x01, 0x02})), 258);
    EXPECT_EQ(cidOf(cmap, bytes({0xFF, 0xFF, 0x41})), 0xFFFF);
    // A code longer than the bytes left never matches.
    EXPECT_EQ(codeLength(cmap, bytes({0x01})), 0);
    EXPECT_EQ(cidOf(cmap, bytes({0x01})), -1);
  }
  EncodingCMap horizontal;
  ASSERT_TRUE(horizontal.loadByName("Identity-H"));
  EXPECT_EQ(horizontal.registry(), "Adobe");
  EXPECT_EQ(horizontal.ordering(), "Identity");
  EXPECT_EQ(horizontal.supplement(), 0);
}

TEST(EncodingCMapTest, CodeLengthFollowsTheCodespaceRanges) {
  EncodingCMap cmap;
  ASSERT_TRUE(parseText(cmap, R"(
    3 begincodespacerange <00> <80> <8140> <9FFC> <A0> <DF> endcodespacerange
    1 begincidrange <20> <7E> 1 endcidrange
    1 begincidrange <8140> <817E> 633 endcidrange
    endcmap)"));
  EXPECT_EQ(codeLength(cmap, bytes({0x41, 0x81})), 1);
  EXPECT_EQ(codeLength(cmap, bytes({0x81, 0x40})), 2);
  EXPECT_EQ(codeLength(cmap, bytes({0xA5})), 1);
  // 0x81 is only the first byte of two-byte codes.
  EXPECT_EQ(codeLength(cmap, bytes({0x81})), 0);
  // The second byte is bounded on its own: 0x30 is below 0x40.
  EXPECT_EQ(codeLength(cmap, bytes({0x85, 0x30})), 0);
  EXPECT_EQ(cidOf(cmap, bytes({0x41})), 1 + 0x21);
  EXPECT_EQ(cidOf(cmap, bytes({0x81, 0x42})), 635);
  // In the codespace but in no range.
  EXPECT_EQ(cidOf(cmap, bytes({0x90, 0x90})), -1);
}

TEST(EncodingCMapTest, FirstEntryInFileOrderWins) {
  EncodingCMap cmap;
  ASSERT_TRUE(parseText(cmap, encodingText(R"(
    2 begincidchar <0015> 900 <41> 7 endcidchar
    3 begincidrange <0000> <00FF> 100 <0010> <0020> 500 <0100> <01FF> 1000 endcidrange
    1 begincidrange <0180> <0190> 2000 endcidrange
    1 beginnotdefrange <0200> <02FF> 1 endnotdefrange
    1 begincidchar <0015> 901 endcidchar)")));
  // Single codes come before ranges, whatever the codespace says.
  EXPECT_EQ(codeLength(cmap, bytes({0x41, 0x42})), 1);
  EXPECT_EQ(cidOf(cmap, bytes({0x41, 0x42})), 7);
  EXPECT_EQ(cidOf(cmap, bytes({0x00, 0x15})), 900);
  EXPECT_EQ(cidOf(cmap, bytes({0x00, 0x16})), 100 + 0x16);
  EXPECT_EQ(cidOf(cmap, bytes({0x01, 0x85})), 1000 + 0x85);
  EXPECT_EQ(cidOf(cmap, bytes({0x02, 0x33})), 1);
  EXPECT_EQ(cidOf(cmap, bytes({0x03, 0x00})), -1);
  // A given code length is taken as it stands.
  EXPECT_EQ(cidOf(cmap, bytes({0x00, 0x16}), 2), 100 + 0x16);
  EXPECT_EQ(cidOf(cmap, bytes({0x00, 0x16}), 3), -1);
}

TEST(EncodingCMapTest, RangesBoundEachByteAndOffsetsKeepSixteenBits) {
  EncodingCMap cmap;
  ASSERT_TRUE(parseText(cmap, encodingText(R"(
    1 begincidrange <8140> <84BE> 10 endcidrange
    1 begincidrange <00000000> <0001FFFF> 3 endcidrange
    1 begincidrange <FFF0> <FFFF> 65535 endcidrange)",
                                           "<0000> <FFFF>")));
  EXPECT_EQ(cidOf(cmap, bytes({0x82, 0x50})), 10 + 256 + 0x10);
  // Numerically inside, but the second byte is above 0xBE.
  EXPECT_EQ(cidOf(cmap, bytes({0x81, 0xFF})), -1);
  EXPECT_EQ(codeLength(cmap, bytes({0x00, 0x01, 0x00, 0x05})), 4);
  EXPECT_EQ(cidOf(cmap, bytes({0x00, 0x01, 0x00, 0x05})), 3 + 5);
  EXPECT_EQ(cidOf(cmap, bytes({0xFF, 0xF1})), 0);
}

TEST(EncodingCMapTest, UsedCMapAnswersWhatTheCMapDoesNot) {
  EncodingCMap cmap;
  ASSERT_TRUE(parseText(cmap, R"(
    /Identity-H usecmap
    1 begincodespacerange <00> <7F> endcodespacerange
    1 begincidchar <0041> 7 endcidchar
    1 begincidchar <30> 5 endcidchar
    endcmap)"));
  ASSERT_NE(cmap.usedCMap(), nullptr);
  EXPECT_EQ(cidOf(cmap, bytes({0x00, 0x41})), 7);
  // Outside this CMap's codespace: length and CID come from Identity-H.
  EXPECT_EQ(codeLength(cmap, bytes({0x92, 0x34})), 2);
  EXPECT_EQ(cidOf(cmap, bytes({0x92, 0x34})), 0x9234);
  EXPECT_EQ(codeLength(cmap, bytes({0x30, 0x30})), 1);
  EXPECT_EQ(cidOf(cmap, bytes({0x30, 0x30})), 5);
  // One byte long by this CMap's codespace, and neither CMap maps that one-byte code.
  EXPECT_EQ(cidOf(cmap, bytes({0x31, 0x30})), -1);
}

TEST(EncodingCMapTest, RangeBoundsOfDifferentLengthsFailTheParse) {
  EncodingCMap codespace;
  EXPECT_FALSE(parseText(codespace, "1 begincodespacerange <00> <FFFF> endcodespacerange"));
  EncodingCMap cidrange;
  EXPECT_FALSE(parseText(cidrange, encodingText("1 begincidrange <00> <00FF> 0 endcidrange")));
  EncodingCMap notdef;
  EXPECT_FALSE(parseText(notdef, encodingText("1 beginnotdefrange <0000> <FF> 0 endnotdefrange")));
}

TEST(EncodingCMapTest, CollectionIsReadInBothNotations) {
  EncodingCMap block;
  ASSERT_TRUE(parseText(block, encodingText(R"(
    /CIDSystemInfo 3 dict dup begin /Registry (Adobe) def /Ordering (Japan1) def
    /Supplement 6 def end def
    1 begincidchar <0041> 9 endcidchar)")));
  EXPECT_EQ(block.registry(), "Adobe");
  EXPECT_EQ(block.ordering(), "Japan1");
  EXPECT_EQ(block.supplement(), 6);
  EXPECT_EQ(cidOf(block, bytes({0x00, 0x41})), 9);

  // As a dictionary there is no "end" before the mappings; they must not be skipped.
  EncodingCMap dictionary;
  ASSERT_TRUE(parseText(dictionary, R"(begincmap
    /CIDSystemInfo << /Registry (Adobe) /Ordering (GB1) /Supplement 2 >> def
    1 begincodespacerange <0000> <FFFF> endcodespacerange
    1 begincidrange <0000> <00FF> 10 endcidrange
    endcmap end end)"));
  EXPECT_EQ(dictionary.ordering(), "GB1");
  EXPECT_EQ(dictionary.supplement(), 2);
  EXPECT_EQ(cidOf(dictionary, bytes({0x00, 0x05})), 15);

  // An unfinished definition gives way to the next block.
  EncodingCMap unfinished;
  ASSERT_TRUE(parseText(unfinished, R"(/CIDSystemInfo 3 dict dup begin /Registry (Adobe) def
    1 begincodespacerange <00> <FF> endcodespacerange
    1 begincidchar <41> 3 endcidchar)"));
  EXPECT_EQ(unfinished.registry(), "Adobe");
  EXPECT_EQ(cidOf(unfinished, bytes({0x41})), 3);
}

TEST(EncodingCMapTest, ParsingStopsAtEndcmapOrTheEndOfTheSource) {
  EncodingCMap cut;
  EXPECT_TRUE(parseText(cut,
                        "1 begincodespacerange <00> <FF> endcodespacerange "
                        "2 begincidchar <41> 1 <42> 2"));
  EXPECT_EQ(cidOf(cut, bytes({0x42})), 2);

  EncodingCMap ended;
  EXPECT_TRUE(parseText(ended,
                        "1 begincodespacerange <00> <FF> endcodespacerange endcmap "
                        "1 begincidchar <41> 1 endcidchar"));
  EXPECT_EQ(cidOf(ended, bytes({0x41})), -1);
  EXPECT_EQ(codeLength(ended, bytes({0x41})), 1);
}

// The lookup tables must give what a walk over the entries in file order gives.
struct Reference {
  const EncodingCMap& cmap;

  static bool bound(const CMaps::CSRange& r, const uint8_t* code, int available) {
    if (r.length > available) return false;
    for (int i = 0; i < r.length; ++i)
      if (code[i] < r.low[i] || code[i] > r.high[i]) return false;
    return true;
  }

  int length(const uint8_t* code, int available) const {
    for (const auto& c : cmap.cidChars())
      if (c.length <= available && std::equal(c.bytes.begin(), c.bytes.begin() + c.length, code))
        return c.length;
    for (const auto* list : {&cmap.cidRanges(), &cmap.notdefRanges()})
      for (const auto& r : *list)
        if (bound(r, code, available)) return r.length;
    for (const auto& r : cmap.codespaceRanges())
      if (bound(r, code, available)) return r.length;
    return 0;
  }

  int cid(const uint8_t* code, int available) const {
    int n = length(code, available);
    if (n == 0) return -1;
    for (const auto& c : cmap.cidChars())
      if (c.equals(code, n)) return c.cid;
    for (const auto& r : cmap.cidRanges())
      if (r.length == n && bound(r, code, n))
        return static_cast<uint16_t>(r.cid + r.offsetOf(code));
    for (const auto& r : cmap.notdefRanges())
      if (r.length == n && bound(r, code, n)) return r.cid;
    return -1;
  }
};

TEST(EncodingCMapTest, LookupTablesAgreeWithAWalkInFileOrder) {
  std::mt19937 random(1234);
  auto byte = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  auto hex = [](const std::vector<int>& code) {
    std::string out = "<";
    char digits[3];
    for (int b : code) {
      std::snprintf(digits, sizeof digits, "%02X", b);
      out += digits;
    }
    return out + ">";
  };
  for (int round = 0; round < 20; ++round) {
    // Small byte values so that codes, ranges and codespaces overlap often.
    std::string text =
        "4 begincodespacerange <00> <03> <0400> <07FF> <080000> <0903FF> "
        "<04> <05> endcodespacerange\n";
    for (int block = 0; block < 6; ++block) {
      const char* kinds[] = {"cidchar", "cidrange", "notdefrange"};
      std::string kind = kinds[byte(0, 2)];
      text += "10 begin" + kind + "\n";
      for (int i = 0; i < 10; ++i) {
        int n = byte(1, 3);
        std::vector<int> low, high;
        for (int k = 0; k < n; ++k) {
          int a = byte(0, 9), b = byte(0, 9);
          // Mostly ranges that only vary in the last byte, sometimes boxes.
          if (k + 1 < n && byte(0, 3) != 0) b = a;
          int lo = std::min(a, b), hi = std::max(a, b);
          if (byte(0, 19) == 0) std::swap(lo, hi);  // crossed bounds match nothing
          low.push_back(lo);
          high.push_back(hi);
        }
        text += hex(low) + " ";
        if (kind != "cidchar") text += hex(high) + " ";
        text += std::to_string(byte(0, 70000)) + "\n";
      }
      text += "end" + kind + "\n";
    }
    EncodingCMap cmap;
    ASSERT_TRUE(parseText(cmap, text));
    Reference reference{cmap};
    for (int probe = 0; probe < 2000; ++probe) {
      uint8_t code[4] = {static_cast<uint8_t>(byte(0, 10)), static_cast<uint8_t>(byte(0, 10)),
                         static_cast<uint8_t>(byte(0, 10)), static_cast<uint8_t>(byte(0, 10))};
      int available = byte(1, 4);
      ASSERT_EQ(cmap.codeLength(code, available), reference.length(code, available)) << text;
      uint16_t cid = 0;
      int expected = reference.cid(code, available);
      ASSERT_EQ(cmap.toCID(code, available, 0, cid) ? cid : -1, expected) << text;
    }
  }
}

}  // namespace
