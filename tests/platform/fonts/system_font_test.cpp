#include "platform/fonts/font_enum.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/fonts/cjk_language.h"
#include "tests/platform/fonts/fake_font_source.h"

namespace {

using fonts_testing::Face;
using fonts_testing::FakeFonts;
namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "brevia-fonts-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    return file;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(SystemFontLookup, InstalledNameIsExactlyThatFace) {
  FakeFonts fonts(
      {Face("WenQuanYi Micro Hei Mono", "WenQuanYi Micro Hei Mono", true, "/fonts/wqy.ttc", 1)});
  auto location = fonts.fonts->locateFace("wenquanyi micro hei mono", "ja");
  ASSERT_TRUE(location);
  EXPECT_EQ(location->file, "/fonts/wqy.ttc");
  EXPECT_EQ(location->faceIndex, 1);
  EXPECT_TRUE(fonts.source->queries.empty());
}

TEST(SystemFontLookup, WindowsNamesBecomeFamilyStyleAndLanguage) {
  FakeFonts fonts({Face("Arial Bold", "Arial", true, "/fonts/arialbd.ttf")});
  fonts.fonts->strikeOut("Arial Bold");  // a struck-out face is no longer found by name
  struct Case {
    const char* face;
    const char* language;
    const char* family;
    bool bold;
    bool italic;
    const char* queriedLanguage;
  };
  const Case cases[] = {
      {"Arial Bold", "", "Arial", true, false, ""},
      {"Times New Roman Bold Italic", "", "Times New Roman", true, true, ""},
      {"Courier New", "", "Courier New", false, false, ""},
      {"SimSun", "", "SimSun", false, false, "zh-cn"},
      {"MS Mincho Bold", "", "MS Mincho", true, false, "ja"},
      {"batang", "", "batang", false, false, "ko"},
      {"MingLiU", "", "MingLiU", false, false, "zh-tw"},
      {"SimSun", "ko", "SimSun", false, false, "ko"},
  };
  for (const Case& c : cases) {
    fonts.source->queries.clear();
    ASSERT_TRUE(fonts.fonts->locateFace(c.face, c.language)) << c.face;
    ASSERT_EQ(fonts.source->queries.size(), 1u) << c.face;
    const auto& query = fonts.source->queries[0];
    EXPECT_EQ(query.family, c.family) << c.face;
    EXPECT_EQ(query.bold, c.bold) << c.face;
    EXPECT_EQ(query.italic, c.italic) << c.face;
    EXPECT_EQ(query.language, c.queriedLanguage) << c.face;
  }
}

TEST(SystemFontLookup, LanguageOfCharacterCollections) {
  EXPECT_EQ(brevia::platform::languageForCharacterCollection("Adobe-GB1"), "zh-cn");
  EXPECT_EQ(brevia::platform::languageForCharacterCollection("Adobe-CNS1"), "zh-tw");
  EXPECT_EQ(brevia::platform::languageForCharacterCollection("Japan1"), "ja");
  EXPECT_EQ(brevia::platform::languageForCharacterCollection("Adobe-Korea1"), "ko");
  EXPECT_EQ(brevia::platform::languageForCharacterCollection("Adobe-Identity"), "");
}

TEST(SystemFontData, ReadsTheFileAndRecognisesCollections) {
  TempFolder folder;
  std::string single = folder.write("single.ttf", std::string("\0\1\0\0rest", 8));
  std::string collection = folder.write("pair.ttc", "ttcf....");
  FakeFonts fonts(
      {Face("Single", "Single", true, single), Face("Pair Two", "Pair", true, collection, 1)});

  auto data = fonts.fonts->systemFontData("Single");
  ASSERT_TRUE(data);
  EXPECT_EQ(data->bytes.size(), 8u);
  EXPECT_FALSE(data->collection);
  data = fonts.fonts->systemFontData("Pair Two");
  ASSERT_TRUE(data);
  EXPECT_TRUE(data->collection);
  EXPECT_EQ(data->faceIndex, 1);
  EXPECT_EQ(data->path, collection);

  // A changed file is read again, never served from the cache.
  folder.write("single.ttf", "ttcf and longer");
  data = fonts.fonts->systemFontData("Single");
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->bytes.begin(), data->bytes.end()), "ttcf and longer");
  EXPECT_TRUE(data->collection);

  fs::remove(single);
  EXPECT_FALSE(fonts.fonts->systemFontData("Single"));
}

TEST(SystemFontData, ThreadsAskingAtOnceGetTheSameAnswers) {
  // Pages drawn on two threads share the one list and the one file cache.
  TempFolder folder;
  std::string single = folder.write("single.ttf", std::string("\0\1\0\0rest", 8));
  std::string other = folder.write("other.ttf", std::string(5000, 'x'));
  FakeFonts fonts(
      {Face("Single", "Single", true, single), Face("Other Face", "Other", true, other)});
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::string asked = "Other Bold", expected;
  const bool matched = fonts.fonts->matchName(asked, expected);
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        auto a = fonts.fonts->systemFontData((i + t) % 2 ? "Single" : "Other Face");
        if (!a || a->bytes.size() != ((i + t) % 2 ? 8u : 5000u)) ++wrong[t];
        std::string name = "Other Bold", face;
        if (fonts.fonts->matchName(name, face) != matched || face != expected) ++wrong[t];
      }
    });
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << t;
}

TEST(SystemFontData, ZapfDingbatsFileBesideTheProgramComesFirst) {
  TempFolder empty;
  TempFolder program;
  program.write("ZAPFDING.TTF", "zapf");
  FakeFonts fonts({}, {empty.path(), program.path()});
  auto data = fonts.fonts->systemFontData("QLN/ZapfDingbats");
  ASSERT_TRUE(data);
  EXPECT_EQ(data->path, program.path() + "/ZAPFDING.TTF");
  EXPECT_TRUE(fonts.source->queries.empty());

  // Without the file, the system's answer counts only when it is a Dingbats face.
  FakeFonts fallback({}, {empty.path()});
  EXPECT_FALSE(fallback.fonts->zapfDingbatsSubstitute());
  EXPECT_FALSE(fallback.source->queries.empty());
}

// The fonts of this machine: fonts-liberation2, fonts-urw-base35 and fonts-wqy-microhei.

std::string fileName(const std::optional<S_SystemFontData>& data) {
  return data ? fs::path(data->path).filename().string() : "<none>";
}

bool coversCharacter(const S_SystemFontData& data, FcChar32 character) {
  int count = 0;
  FcPattern* pattern = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(data.path.c_str()),
                                       static_cast<unsigned>(data.faceIndex), nullptr, &count);
  if (pattern == nullptr) return false;
  FcCharSet* characters = nullptr;
  bool covered = FcPatternGetCharSet(pattern, FC_CHARSET, 0, &characters) == FcResultMatch &&
                 FcCharSetHasChar(characters, character);
  FcPatternDestroy(pattern);
  return covered;
}

TEST(InstalledFonts, WindowsNamesFindTheirMetricTwins) {
  C_PDF_FontEnum& fonts = C_PDF_FontEnum::instance();
  EXPECT_EQ(fileName(fonts.systemFontData("Arial Bold")), "LiberationSans-Bold.ttf");
  EXPECT_EQ(fileName(fonts.systemFontData("Times New Roman Italic")), "LiberationSerif-Italic.ttf");
  EXPECT_EQ(fileName(fonts.systemFontData("Courier New Bold Italic")),
            "LiberationMono-BoldItalic.ttf");
  EXPECT_EQ(fileName(fonts.systemFontData("QLN/ZapfDingbats")).rfind("D050000L", 0), 0u);
}

TEST(InstalledFonts, ListHoldsTrueTypeAndOpenTypeFaces) {
  C_PDF_FontEnum& fonts = C_PDF_FontEnum::instance();
  std::string name = "LiberationSans-Bold";
  std::string face;
  std::string family;
  ASSERT_TRUE(fonts.matchName(name, face, &family));
  EXPECT_EQ(face, "Liberation Sans Bold");
  EXPECT_EQ(family, "Liberation Sans");
  for (const auto& element : fonts.elements()) {
    std::string extension = fs::path(element.file()).extension().string();
    EXPECT_TRUE(extension == ".ttf" || extension == ".otf" || extension == ".ttc")
        << element.file();
  }
}

TEST(InstalledFonts, CjkNamesGetACjkFace) {
  C_PDF_FontEnum& fonts = C_PDF_FontEnum::instance();
  constexpr FcChar32 kZhong = 0x4E2D;
  for (const char* language : {"zh-cn", ""}) {
    auto data = fonts.systemFontData("SimSun", language);
    ASSERT_TRUE(data) << language;
    EXPECT_TRUE(coversCharacter(*data, kZhong)) << data->path;
  }
}

}  // namespace
