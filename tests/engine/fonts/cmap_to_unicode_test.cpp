#include "engine/fonts/to_unicode_cmap.h"

#include <gtest/gtest.h>

#include "tests/engine/fonts/cmap_test_support.h"

using cmap_testing::bytes;
using cmap_testing::parseText;
using CMaps::ToUnicodeCMap;

namespace {

// The text of the code, or "<none>" when the lookup reports nothing.
std::u16string textOf(const ToUnicodeCMap& cmap, const std::vector<uint8_t>& code, int length = 0) {
  std::u16string text;
  if (!cmap.toUnicode(code.data(), static_cast<int32_t>(code.size()), length, text)) {
    EXPECT_TRUE(text.empty());
    return u"<none>";
  }
  return text;
}

std::string toUnicodeText(const std::string& body) {
  return "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
         "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
         "/CMapName /Adobe-Identity-UCS def /CMapType 2 def\n"
         "1 begincodespacerange <0000> <FFFF> endcodespacerange\n" +
         body + "\nendcmap CMapName currentdict /CMap defineresource pop end end\n";
}

TEST(ToUnicodeCMapTest, RangesCountUpFromTheirDestination) {
  ToUnicodeCMap cmap;
  ASSERT_TRUE(parseText(cmap, toUnicodeText(R"(
    2 beginbfrange
    <0041> <0043> <0061>
    <0100> <0102> [<0041> <0042>]
    endbfrange
    1 beginbfrange <0200> <0201> <00660066> endbfrange)")));
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x42})), u"b");
  EXPECT_EQ(textOf(cmap, bytes({0x01, 0x01})), u"B");
  // Past the end of the array: nothing, and no other entry is asked.
  EXPECT_EQ(textOf(cmap, bytes({0x01, 0x02})), u"<none>");
  // Only the last unit of a longer destination counts up.
  EXPECT_EQ(textOf(cmap, bytes({0x02, 0x01})), u"fg");
  // In the codespace, but mapped by nothing.
  EXPECT_EQ(textOf(cmap, bytes({0x03, 0x00})), u"<none>");
}

TEST(ToUnicodeCMapTest, DestinationsAreUtf16) {
  ToUnicodeCMap cmap;
  ASSERT_TRUE(parseText(cmap, toUnicodeText(R"(
    5 beginbfchar
    <0001> <006600660069>
    <0002> <004142>
    <0003> (\000A)
    <0004> <>
    <0001> <0058>
    endbfchar)")));
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x01})), u"ffi");  // the first of two entries wins
  // A trailing odd byte is a unit of its own.
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x02})), u"AB");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x03})), u"A");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x04})), u"<none>");
}

TEST(ToUnicodeCMapTest, SurrogatePairsAreKeptAndLoneSurrogatesDropped) {
  ToUnicodeCMap cmap;
  ASSERT_TRUE(parseText(cmap, toUnicodeText(R"(
    5 beginbfchar
    <0001> <D83DDE00>
    <0002> <D83D>
    <0003> <0041D83D>
    <0004> <DE000042D83DDE00>
    <0005> <D83DD83DDE00>
    endbfchar
    2 beginbfrange
    <0010> <0012> <D840DC00>
    <0020> <0021> [<D83DDE01> <DC00>]
    endbfrange)")));
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x01})), u"\U0001F600");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x02})), u"<none>");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x03})), u"A");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x04})), u"B\U0001F600");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x05})), u"\U0001F600");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x12})), u"\U00020002");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x20})), u"\U0001F601");
  EXPECT_EQ(textOf(cmap, bytes({0x00, 0x21})), u"<none>");

  std::u16string text = u"x";
  ASSERT_TRUE(cmap.toUnicode(bytes({0x00, 0x01}).data(), 2, 0, text));
  EXPECT_EQ(text, u"x\U0001F600");  // appended, never replacing
}

TEST(ToUnicodeCMapTest, CodeLengthFromEntriesBeforeTheCodespace) {
  ToUnicodeCMap cmap;
  ASSERT_TRUE(parseText(cmap, toUnicodeText(R"(
    1 beginbfchar <20> <0020> endbfchar
    1 beginbfrange <41> <5A> <0041> endbfrange)")));
  EXPECT_EQ(cmap.codeLength(bytes({0x20, 0x41}).data(), 2), 1);
  EXPECT_EQ(textOf(cmap, bytes({0x20, 0x41})), u" ");
  EXPECT_EQ(textOf(cmap, bytes({0x43, 0x20})), u"C");
  EXPECT_EQ(cmap.codeLength(bytes({0x61, 0x20}).data(), 2), 2);
  EXPECT_EQ(textOf(cmap, bytes({0x61, 0x20})), u"<none>");
}

TEST(ToUnicodeCMapTest, BuiltInIdentityUcs2AndUsedCMaps) {
  ToUnicodeCMap identity;
  ASSERT_TRUE(identity.loadByName("Adobe-Identity-UCS2"));
  EXPECT_EQ(textOf(identity, bytes({0x4E, 0x2D})), u"\u4E2D");
  EXPECT_EQ(textOf(identity, bytes({0xD8, 0x00})), u"<none>");

  ToUnicodeCMap layered;
  ASSERT_TRUE(parseText(layered, R"(/Adobe-Identity-UCS2 usecmap
    1 beginbfchar <0041> <0058> endbfchar endcmap)"));
  EXPECT_EQ(textOf(layered, bytes({0x00, 0x41})), u"X");
  EXPECT_EQ(textOf(layered, bytes({0x00, 0x42})), u"B");
}

TEST(ToUnicodeCMapTest, MalformedBlocks) {
  ToUnicodeCMap unequal;
  EXPECT_FALSE(parseText(unequal, toUnicodeText("1 beginbfrange <20> <007E> <0020> endbfrange")));

  // Entries that are not strings, codes longer than four bytes and destinations of another
  // kind are passed over; the rest of the CMap stays usable.
  ToUnicodeCMap odd;
  ASSERT_TRUE(parseText(odd, toUnicodeText(R"(
    3 beginbfchar <0001> /space 2 <0041> <0000000001> <0042> endbfchar
    2 beginbfrange <0010> <0011> 5 <0020> <0021> [<0061> 7 <0063>] endbfrange
    1 beginbfchar <0003> <0043> endbfchar)")));
  EXPECT_EQ(textOf(odd, bytes({0x00, 0x01})), u"<none>");
  EXPECT_EQ(textOf(odd, bytes({0x00, 0x03})), u"C");
  EXPECT_EQ(textOf(odd, bytes({0x00, 0x10})), u"<none>");
  EXPECT_EQ(textOf(odd, bytes({0x00, 0x20})), u"a");

  // A huge destination is cut instead of multiplying into every character.
  ToUnicodeCMap huge;
  ASSERT_TRUE(parseText(
      huge, toUnicodeText("1 beginbfchar <0001> <" + std::string(4 * 5000, 'A') + "> endbfchar")));
  EXPECT_EQ(textOf(huge, bytes({0x00, 0x01})).size(), CMaps::kMaxDestinationBytes / 2);
}

}  // namespace
