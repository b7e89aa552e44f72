#include "engine/fonts/cmap_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "engine/fonts/cmap_encoding.h"
#include "engine/fonts/to_unicode_cmap.h"
#include "tests/engine/fonts/cmap_test_support.h"

using cmap_testing::ApplicationDataFolder;
using cmap_testing::bytes;
using cmap_testing::encodingText;
using cmap_testing::RecordingListener;
using cmap_testing::ScopedListener;
using CMaps::EncodingCMap;
using CMaps::ToUnicodeCMap;

namespace {

int cidOf(const EncodingCMap& cmap, const std::vector<uint8_t>& code) {
  uint16_t cid = 0;
  return cmap.toCID(code.data(), static_cast<int32_t>(code.size()), 0, cid) ? cid : -1;
}

// Every test gets an empty application-data folder and a listener that would download.
class CMapLoaderTest : public ::testing::Test {
 protected:
  ApplicationDataFolder appData;
  RecordingListener listener;
  ScopedListener registration{listener};
  // Downloads, if any slipped through, go nowhere.
  cmap_testing::ScopedEnvironment server{"BREVIA_CMAP_SERVER", "http://127.0.0.1:9/"};
};

TEST(CMapNameTest, OnlyPlainNamesAreAccepted) {
  for (const char* name : {"UniJIS-UCS2-H", "Adobe-Japan1-UCS2", "a_b.c", "90ms-RKSJ-H", "x"}) {
    EXPECT_TRUE(CMaps::isValidCMapName(name)) << name;
  }
  for (const char* name : {"", ".", "..", "../../etc/passwd", "a/b", "/etc/passwd", "a..b", "a b",
                           "Uni\xC3\xA4", "a\\b", "~", "a%2Fb"}) {
    EXPECT_FALSE(CMaps::isValidCMapName(name)) << name;
  }
  EXPECT_FALSE(CMaps::isValidCMapName(std::string_view("a\0b", 3)));
  EXPECT_TRUE(CMaps::isValidCMapName(std::string(CMaps::kMaxCMapNameLength, 'a')));
  EXPECT_FALSE(CMaps::isValidCMapName(std::string(CMaps::kMaxCMapNameLength + 1, 'a')));
}

TEST_F(CMapLoaderTest, NamesThatAreNotPlainFailQuietly) {
  appData.add("Real-H", encodingText("1 begincidchar <0041> 1 endcidchar"));
  for (const char* name : {"../CMaps/Real-H", "CMaps/Real-H", "..", "Bad Name"}) {
    EncodingCMap cmap;
    EXPECT_FALSE(cmap.loadByName(name)) << name;
  }
  EncodingCMap viaUsecmap;
  EXPECT_FALSE(cmap_testing::parseText(viaUsecmap, "/..#2FCMaps#2FReal-H usecmap"));
  EXPECT_TRUE(listener.questions.empty());
  EXPECT_TRUE(listener.notes.empty());
}

TEST_F(CMapLoaderTest, LoadsFromTheApplicationDataFolderOfTheEnvironment) {
  EXPECT_EQ(CMaps::applicationDataCMapFolder(), appData.cmaps().string());
  appData.add("Test-Env-H", encodingText("1 begincidchar <0041> 77 endcidchar"));
  EXPECT_EQ(CMaps::findCMapFile("Test-Env-H"), (appData.cmaps() / "Test-Env-H").string());
  EncodingCMap cmap;
  ASSERT_TRUE(cmap.loadByName("Test-Env-H"));
  EXPECT_EQ(cidOf(cmap, bytes({0x00, 0x41})), 77);
  EXPECT_TRUE(listener.questions.empty());
}

TEST_F(CMapLoaderTest, UsecmapChainsAreFollowedAndBounded) {
  appData.add("Test-Chain-A",
              encodingText("/Test-Chain-B usecmap 1 begincidchar <0001> 1 endcidchar"));
  appData.add("Test-Chain-B",
              encodingText("/Identity-H usecmap 1 begincidchar <0002> 2 endcidchar"));
  EncodingCMap chain;
  ASSERT_TRUE(chain.loadByName("Test-Chain-A"));
  EXPECT_EQ(cidOf(chain, bytes({0x00, 0x01})), 1);
  EXPECT_EQ(cidOf(chain, bytes({0x00, 0x02})), 2);
  EXPECT_EQ(cidOf(chain, bytes({0x00, 0x03})), 3);

  // A CMap that uses itself, directly or through another, stops instead of recursing.
  appData.add("Test-Self", encodingText("/Test-Self usecmap"));
  appData.add("Test-Loop-A", encodingText("/Test-Loop-B usecmap"));
  appData.add("Test-Loop-B", encodingText("/Test-Loop-A usecmap"));
  for (const char* name : {"Test-Self", "Test-Loop-A"}) {
    EncodingCMap cmap;
    EXPECT_FALSE(cmap.loadByName(name)) << name;
    EXPECT_EQ(cmap.usedCMap(), nullptr);
  }

  // Test-Depth-1 uses Test-Depth-2 ... up to Test-Depth-<n>, which uses nothing.
  auto makeChain = [&](int length) {
    for (int i = 1; i <= length; ++i) {
      std::string next = i < length ? "/Test-Depth" + std::to_string(length) + "-" +
                                          std::to_string(i + 1) + " usecmap"
                                    : "1 begincidchar <0009> 9 endcidchar";
      appData.add("Test-Depth" + std::to_string(length) + "-" + std::to_string(i),
                  encodingText(next));
    }
    return "Test-Depth" + std::to_string(length) + "-1";
  };
  EncodingCMap deepest;
  ASSERT_TRUE(deepest.loadByName(makeChain(CMaps::kMaxUseCMapDepth)));
  EXPECT_EQ(cidOf(deepest, bytes({0x00, 0x09})), 9);
  EncodingCMap tooDeep;
  EXPECT_FALSE(tooDeep.loadByName(makeChain(CMaps::kMaxUseCMapDepth + 1)));
  EXPECT_TRUE(listener.questions.empty());
}

TEST_F(CMapLoaderTest, MissingCMapIsOfferedOncePerRun) {
  listener.answer = Corvalis::PDFConverter::Messages::kAnswerNo;
  EncodingCMap first;
  EXPECT_FALSE(first.loadByName("Test-Missing-Once"));
  ASSERT_EQ(listener.questions.size(), 1u);
  EXPECT_NE(listener.questions[0].find("\"Test-Missing-Once\""), std::string::npos);
  EXPECT_NE(listener.questions[0].find("Do you want to download"), std::string::npos);

  ToUnicodeCMap second;
  EXPECT_FALSE(second.loadByName("Test-Missing-Once"));
  EncodingCMap viaUsecmap;
  EXPECT_FALSE(cmap_testing::parseText(viaUsecmap, "/Test-Missing-Once usecmap"));
  EXPECT_EQ(listener.questions.size(), 1u);
  EXPECT_TRUE(listener.notes.empty());
}

TEST_F(CMapLoaderTest, AQuestionAnsweredOnAnotherThreadIsStillAskedHere) {
  // A page drawn ahead in the background must not use up the question the reader will see.
  listener.answer = Corvalis::PDFConverter::Messages::kAnswerNo;
  RecordingListener background;
  background.answer = Corvalis::PDFConverter::Messages::kAnswerNo;
  std::thread([&] {
    ScopedListener own(background);
    EncodingCMap cmap;
    EXPECT_FALSE(cmap.loadByName("Test-Missing-Elsewhere"));
  }).join();
  EXPECT_EQ(background.questions.size(), 1u);
  EncodingCMap here;
  EXPECT_FALSE(here.loadByName("Test-Missing-Elsewhere"));
  EXPECT_EQ(listener.questions.size(), 1u);
}

TEST_F(CMapLoaderTest, MissingCMapIsReportedWhenTheUserCannotBeAsked) {
  listener.interactive = false;
  EncodingCMap cmap;
  EXPECT_FALSE(cmap.loadByName("Test-Missing-Quiet"));
  EXPECT_TRUE(listener.questions.empty());
  ASSERT_EQ(listener.notes.size(), 1u);
  EXPECT_EQ(listener.notes[0].severity, 1);
  EXPECT_EQ(listener.notes[0].text, "Cannot find required CMap file: \"Test-Missing-Quiet\"");
}

TEST_F(CMapLoaderTest, ServerAddressFromEnvironmentThenSettings) {
  {
    cmap_testing::ScopedEnvironment unset("BREVIA_CMAP_SERVER", "");
    EXPECT_EQ(CMaps::cmapServerAddress(), CMaps::kDefaultCMapServer);
    CMaps::setCMapServerAddressSetting("http://settings.example/CMaps/");
    EXPECT_EQ(CMaps::cmapServerAddress(), "http://settings.example/CMaps/");
  }
  EXPECT_EQ(CMaps::cmapServerAddress(), "http://127.0.0.1:9/");
  CMaps::setCMapServerAddressSetting("");
}

// Adobe's CMaps as Debian's poppler-data installs them.
class SystemCMapTest : public CMapLoaderTest {
 protected:
  void SetUp() override {
    struct stat info {};
    if (::stat("/usr/share/poppler/cMap/Adobe-Japan1/UniJIS-UCS2-H", &info) != 0) {
      GTEST_SKIP() << "poppler-data is not installed";
    }
  }
};

TEST_F(SystemCMapTest, PredefinedUnicodeToCIDCMaps) {
  EncodingCMap horizontal;
  ASSERT_TRUE(horizontal.loadByName("UniJIS-UCS2-H"));
  EXPECT_EQ(horizontal.registry(), "Adobe");
  EXPECT_EQ(horizontal.ordering(), "Japan1");
  EXPECT_EQ(cidOf(horizontal, bytes({0x30, 0x42})), 843);  // HIRAGANA LETTER A

  // The vertical CMap names the horizontal one for everything it does not change.
  EncodingCMap vertical;
  ASSERT_TRUE(vertical.loadByName("UniJIS-UCS2-V"));
  ASSERT_NE(vertical.usedCMap(), nullptr);
  EXPECT_EQ(cidOf(vertical, bytes({0x30, 0x41})), 7918);
  EXPECT_EQ(cidOf(vertical, bytes({0x30, 0x42})), 843);

  EncodingCMap shiftJis;
  ASSERT_TRUE(shiftJis.loadByName("90ms-RKSJ-H"));
  EXPECT_EQ(shiftJis.codeLength(bytes({0x41, 0x81}).data(), 2), 1);
  EXPECT_EQ(shiftJis.codeLength(bytes({0x81, 0x40}).data(), 2), 2);
  EXPECT_TRUE(listener.questions.empty());
}

TEST_F(SystemCMapTest, PredefinedUcs2CMapKeepsCharactersBeyondTheBasicPlane) {
  ToUnicodeCMap cns;
  ASSERT_TRUE(cns.loadByName("Adobe-CNS1-UCS2"));
  std::u16string text;
  ASSERT_TRUE(cns.toUnicode(bytes({0x36, 0xB0}).data(), 2, 0, text));
  EXPECT_EQ(text, u"\U000200CC");
  text.clear();
  ASSERT_TRUE(cns.toUnicode(bytes({0x36, 0xB1}).data(), 2, 0, text));
  EXPECT_EQ(text, u"\u4E5A");
}

}  // namespace
