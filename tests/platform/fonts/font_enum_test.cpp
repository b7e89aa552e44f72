#include "platform/fonts/font_enum.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/fonts/font_name_text.h"
#include "tests/platform/fonts/fake_font_source.h"

namespace {

using fonts_testing::Face;
using fonts_testing::FakeFonts;

TEST(FontEnumTable, StandardAndSymbolNames) {
  FakeFonts fonts({Face("Arial", "Arial"), Face("Times New Roman", "Times New Roman")});
  const std::pair<const char*, const char*> cases[] = {
      {"ZapfDingbats", "QLN/ZapfDingbats"},
      {"ABCDEF+ZapfDingbats", "QLN/ZapfDingbats"},
      {"Times-Roman", "Times New Roman"},
      {"Times-BoldItalic", "Times New Roman Bold Italic"},
      {"Helvetica", "Arial"},
      {"Helvetica-BoldOblique", "Arial Bold Italic"},
      {"Helvetica-Condensed-Bold", "Arial Narrow Bold"},
      {"Courier", "Courier New"},
      {"Courier-BoldOblique", "Courier New Bold Italic"},
      {"ABCDEF+Symbol", "Symbol"},
      {"SymbolMT", "Symbol"},
      {"Wingdings-Regular", "Wingdings"},
      {"Wingdings2", "Wingdings 2"},
      {"Wingdings.3", "Wingdings 3"},
  };
  for (const auto& [pdfName, expected] : cases) {
    std::string family = "stale";
    EXPECT_EQ(fonts.match(pdfName, &family), expected) << pdfName;
    EXPECT_EQ(family, "") << pdfName;
  }
  // Exact rows compare the whole name; this one goes to the installed faces.
  EXPECT_EQ(fonts.match("Times-Roman,Bold"), "Times New Roman");
}

TEST(FontEnumTable, ExtraIsBlankedInTheCallersName) {
  FakeFonts fonts({});
  std::string name = "Helvetica-ExtraBold";
  std::string face;
  ASSERT_TRUE(fonts.fonts->matchName(name, face));
  EXPECT_EQ(name, "Helvetica-     Bold");
  EXPECT_EQ(face, "Arial Bold");

  name = "ArialMT-ExtraBold";
  fonts.fonts->matchName(name, face);
  EXPECT_EQ(name, "ArialMT-ExtraBold");
}

TEST(FontEnumScore, MoreSharedWordsWin) {
  FakeFonts fonts({Face("Arial", "Arial"), Face("Arial Bold", "Arial")});
  std::string family;
  EXPECT_EQ(fonts.match("Arial-BoldMT", &family), "Arial Bold");
  EXPECT_EQ(family, "Arial");
  EXPECT_EQ(fonts.match("ArialMT"), "Arial");
}

TEST(FontEnumScore, FewerMismatchesWinInEitherOrder) {
  FakeFonts regularFirst(
      {Face("Book Antiqua", "Book Antiqua"), Face("Book Antiqua Bold", "Book Antiqua")});
  FakeFonts boldFirst(
      {Face("Book Antiqua Bold", "Book Antiqua"), Face("Book Antiqua", "Book Antiqua")});
  EXPECT_EQ(regularFirst.match("BookAntiqua"), "Book Antiqua");
  EXPECT_EQ(boldFirst.match("BookAntiqua"), "Book Antiqua");
  EXPECT_EQ(boldFirst.match("BookAntiqua-Bold"), "Book Antiqua Bold");
}

TEST(FontEnumScore, SignificantWordRules) {
  struct Case {
    const char* installed;
    const char* pdfName;
    const char* expected;
  };
  const Case cases[] = {
      {"MS Reference Sans Serif", "ReferenceSansSerif", "MS Reference Sans Serif"},
      {"MS UI Mincho", "Mincho", "MS UI Mincho"},
      {"MS", "MS", "<none>"},  // no word after the maker prefix
      {"Century Gothic", "CenturyGothic", "<none>"},
      {"Italic Capitals", "ItalicCapitals", "<none>"},
      {"RomanC", "Times-RomanCondensed", "<none>"},
      {"RomanC", "RomanC-Bold", "RomanC"},
      {"Berlin Sans FB", "BerlingAntiqua-Roman", "<none>"},
      {"Berlin Sans FB", "BerlinSansFB-Reg", "Berlin Sans FB"},
  };
  for (const Case& c : cases) {
    FakeFonts fonts({Face(c.installed, c.installed)});
    EXPECT_EQ(fonts.match(c.pdfName), c.expected) << c.installed << " / " << c.pdfName;
  }
}

TEST(FontEnumScore, WordsAfterTheNinthDoNotCount) {
  // Both share the first nine words; the tenth would favour the second.
  FakeFonts fonts({Face("A B C D E F G H I J", "A"), Face("A B C D E F G H I K", "A")});
  EXPECT_EQ(fonts.match("ABCDEFGHIK"), "A B C D E F G H I J");
}

TEST(FontEnumScore, FarOffOldFaceIsRejected) {
  FakeFonts fonts({Face("Goudy Old Style", "Goudy Old Style")});
  EXPECT_EQ(fonts.match("GoudyHandtooledBT"), "<none>");
  EXPECT_EQ(fonts.match("GoudyOldStyleT-Bold"), "Goudy Old Style");

  fonts.fonts->setReturnUnmatchedName(true);
  EXPECT_EQ(fonts.match("GoudyHandtooledBT"), "GoudyHandtooledBT");
  EXPECT_EQ(fonts.match("NothingLikeIt"), "NothingLikeIt");
  EXPECT_EQ(fonts.match(std::string(100, 'x')),
            std::string(C_PDF_FontEnum::kMaxOutputNameChars, 'x'));
}

TEST(FontEnumScore, GoudyStoutDoesNotDisplacePlainGoudy) {
  FakeFonts fonts({Face("Goudy Sans Medium", "Goudy Sans"), Face("Goudy Stout", "Goudy Stout")});
  EXPECT_EQ(fonts.match("GoudyHandtooled"), "Goudy Sans Medium");
  EXPECT_EQ(fonts.match("GoudyStout"), "Goudy Stout");
}

TEST(FontEnumScore, SubstitutesWhenNothingQualifies) {
  FakeFonts fonts({Face("Arial", "Arial")});
  const std::pair<const char*, const char*> cases[] = {
      {"FuturaMdCnBT", "Arial Bold"},
      {"EGEGBF+MyriadMM_700_600_", "Arial Bold"},
      {"Frutiger-BoldItalic", "Arial Bold Italic"},
      {"Frutiger-Bold", "Arial Bold"},
      {"Frutiger-Roman", "Arial"},
      {"Sabon-BoldItalic", "Times New Roman Bold Italic"},
      {"Sabon-Roman", "Times New Roman"},
      {"Unheard-Of", "<none>"},
  };
  for (const auto& [pdfName, expected] : cases)
    EXPECT_EQ(fonts.match(pdfName), expected) << pdfName;
}

TEST(FontEnumScore, StruckOutFaceNeverMatchesAgain) {
  FakeFonts fonts({Face("Arial", "Arial"), Face("Arial Bold", "Arial")});
  EXPECT_EQ(fonts.match("Arial-BoldMT"), "Arial Bold");
  fonts.fonts->strikeOut("Arial Bold");
  EXPECT_EQ(fonts.match("Arial-BoldMT"), "Arial");
  fonts.fonts->strikeOut("Arial");
  EXPECT_EQ(fonts.match("Arial-BoldMT"), "<none>");
  EXPECT_EQ(fonts.fonts->elements()[0].fullName(), C_PDF_FontNameElement::kStruckOutFullName);
}

TEST(FontEnumList, KeepsTrueTypeFacesOnceAndStrikesOutSymbolFonts) {
  FakeFonts fonts({Face("Arial", "Arial"), Face("Arial", "Arial"),
                   Face("Nimbus Sans", "Nimbus Sans", false), Face("Symbol", "Symbol", false),
                   Face("Wingdings", "Wingdings"), Face("Arial Unicode MS", "Arial Unicode MS")});
  const auto& elements = fonts.fonts->elements();
  ASSERT_EQ(elements.size(), 4u);
  EXPECT_EQ(elements[0].fullName(), "Arial");
  EXPECT_TRUE(elements[1].struckOut());  // Symbol
  EXPECT_TRUE(elements[2].struckOut());  // Wingdings
  EXPECT_EQ(elements[2].words(),
            std::vector<std::string>{std::string(C_PDF_FontNameElement::kStruckOutWord)});
  EXPECT_EQ(elements[3].words(), (std::vector<std::string>{"Arial", "Unicode", "MS"}));
  EXPECT_TRUE(fonts.fonts->arialUnicodeInstalled());
}

TEST(FontEnumList, ListHandedOutStaysAsItWasWhileAnotherThreadStrikesOut) {
  FakeFonts fonts({Face("Arial", "Arial"), Face("Verdana", "Verdana")});
  // A snapshot: what a caller holds does not change under it.
  const std::vector<C_PDF_FontNameElement>& before = fonts.fonts->elements();
  constexpr int kRounds = 200;
  std::atomic<bool> done{false};
  // Strikes out (again) and flips a setting until the reader is through, at least once.
  std::thread striker([&] {
    int i = 0;
    do {
      fonts.fonts->strikeOut("Verdana");
      fonts.fonts->setReturnUnmatchedName(i++ % 2 == 0);
    } while (!done);
  });
  int unnamed = 0;
  for (int i = 0; i < kRounds; ++i) {
    for (const C_PDF_FontNameElement& element : fonts.fonts->elements()) {
      const std::string name = element.fullName();
      if (name != "Arial" && name != "Verdana" && !element.struckOut()) ++unnamed;
    }
    std::string name = "NothingLikeIt", face;
    fonts.fonts->matchName(name, face);
  }
  done = true;
  striker.join();
  EXPECT_EQ(unnamed, 0);
  ASSERT_EQ(before.size(), 2u);
  EXPECT_EQ(before[1].fullName(), "Verdana");
  EXPECT_TRUE(fonts.fonts->elements()[1].struckOut());
}

TEST(FontEnumList, LongNamesAreCutWithinTheirLimits) {
  std::string longName;
  for (int i = 0; i < 40; ++i) longName += "Wörd ";  // 200 characters, 40 words
  FakeFonts fonts({Face(longName, longName)});
  const C_PDF_FontNameElement element = fonts.fonts->elements().at(0);
  EXPECT_EQ(brevia::platform::charCount(element.fullName()), 64u);
  EXPECT_EQ(longName.rfind(element.fullName(), 0), 0u);
  EXPECT_EQ(brevia::platform::charCount(element.faceName()), 32u);
  EXPECT_EQ(longName.rfind(element.faceName(), 0), 0u);
  EXPECT_LE(element.words().size(), C_PDF_FontNameElement::kMaxWords);
}

TEST(FontEnumList, StopsAtTheFaceLimit) {
  std::vector<brevia::platform::InstalledFace> faces;
  for (size_t i = 0; i < C_PDF_FontEnum::kMaxInstalledFaces + 50; ++i) {
    std::string name = "Face" + std::to_string(i);
    faces.push_back(Face(name, name));
  }
  FakeFonts fonts(std::move(faces));
  EXPECT_EQ(fonts.fonts->elements().size(), C_PDF_FontEnum::kMaxInstalledFaces);
}

TEST(FontEnumList, FamiliesAreFoundThroughTheReducedFullName) {
  EXPECT_EQ(C_PDF_FontEnum::reduceFullName("Arial Bold Italic"), "Arial");
  EXPECT_EQ(C_PDF_FontEnum::reduceFullName("Arial Italic Bold"), "Arial Italic");
  EXPECT_EQ(C_PDF_FontEnum::reduceFullName("Microsoft Extraordinarily Long Face Name"),
            "Microsoft");
  EXPECT_EQ(C_PDF_FontEnum::reduceFullName(std::string(40, 'A')), std::string(31, 'A'));

  // "Foo Bold" reduces to "Foo", which is listed twice in a row: the second family is skipped.
  // "Noto Sans Mono Regular" names no family; its own faces are listed.
  FakeFonts fonts({Face("Foo", "Foo"), Face("Foo Bold", "Foo Bold"),
                   Face("Noto Sans Mono Regular", "Noto Sans Mono"),
                   Face("Noto Sans Mono Bold", "Noto Sans Mono")});
  std::vector<std::string> names;
  for (const auto& element : fonts.fonts->elements()) names.push_back(element.fullName());
  EXPECT_EQ(names,
            (std::vector<std::string>{"Foo", "Noto Sans Mono Regular", "Noto Sans Mono Bold"}));
}

TEST(FontEnumList, FailedListLeavesTheStyleChoice) {
  auto source = std::make_unique<fonts_testing::FakeFontSource>(
      std::vector<brevia::platform::InstalledFace>{Face("Arial", "Arial")}, false);
  C_PDF_FontEnum fonts(std::move(source));
  std::string name = "ArialMT";
  std::string face;
  EXPECT_FALSE(fonts.matchName(name, face));
  EXPECT_TRUE(fonts.elements().empty());
  EXPECT_EQ(fonts.chooseByStyle({"ArialMT"}), "Arial");
}

TEST(FontEnumStyle, FlagsDecideInOrder) {
  FakeFonts fonts({});
  S_FontStyleFlags symbolic{"X-Bold", true, true, true, true, true};
  EXPECT_EQ(fonts.fonts->chooseByStyle(symbolic), "Arial");
  S_FontStyleFlags fixed{"X-Bold", true, true, false, true, true};
  EXPECT_EQ(fonts.fonts->chooseByStyle(fixed), "Courier New Bold Italic");
  S_FontStyleFlags script{"X-Bold", false, true, false, true, false};
  EXPECT_EQ(fonts.fonts->chooseByStyle(script), "Times New Roman Bold Italic");
  S_FontStyleFlags serifItalic{"Unknown", false, true, false, false, true};
  EXPECT_EQ(fonts.fonts->chooseByStyle(serifItalic), "Times New Roman Italic");
  S_FontStyleFlags plain{"Unknown,Bold", false, false, false, false, false};
  EXPECT_EQ(fonts.fonts->chooseByStyle(plain), "Arial Bold");

  FakeFonts unicode({Face("Arial Unicode MS", "Arial Unicode MS")});
  EXPECT_EQ(unicode.fonts->chooseByStyle(symbolic), "Arial Unicode MS");
}

TEST(FontEnumStyle, TheNameAsksForTheStyleAndFamily) {
  FakeFonts fonts({});
  auto choose = [&](const char* name, bool serif = false, bool symbolic = false) {
    S_FontStyleFlags style{name, false, serif, symbolic, false, false};
    return fonts.fonts->chooseByStyle(style);
  };
  EXPECT_EQ(choose("Arial-ItalicMT"), "Arial Italic");
  EXPECT_EQ(choose("Arial,BoldItalic"), "Arial Bold Italic");
  EXPECT_EQ(choose("ABCDEF+Verdana-BoldOblique"), "Arial Bold Italic");
  EXPECT_EQ(choose("MinionPro-It", true), "Times New Roman Italic");
  EXPECT_EQ(choose("MyriadPro-SemiboldIt"), "Arial Bold Italic");
  EXPECT_EQ(choose("ITCAvantGarde-Demi"), "Arial Bold");
  // A known family outweighs flags that producers leave at their defaults.
  EXPECT_EQ(choose("TimesNewRomanPS-BoldItalicMT"), "Times New Roman Bold Italic");
  EXPECT_EQ(choose("CourierNewPS-BoldMT", true), "Courier New Bold");
  EXPECT_EQ(choose("Arial-BoldMT", true, true), "Arial Bold");
  // Words that only look like style or family words.
  EXPECT_EQ(choose("MonotypeCorsiva"), "Arial");
  EXPECT_EQ(choose("Kit-Regular"), "Arial");
  EXPECT_EQ(choose("Unknown", false, true), "Arial");
  // The descriptor's weight, passed as bold.
  S_FontStyleFlags heavy{"MyFont", false, true, false, false, false, true};
  EXPECT_EQ(fonts.fonts->chooseByStyle(heavy), "Times New Roman Bold");

  std::string face;
  std::string name = "Helvetica-BoldItalic";
  ASSERT_TRUE(fonts.fonts->matchName(name, face));
  EXPECT_EQ(face, "Arial Bold Italic");
}

TEST(FontEnumStyle, ScriptFacesInPreferenceOrder) {
  S_FontStyleFlags script{"X", false, false, false, true, false};
  FakeFonts named({Face("Kunstler Script", "Kunstler Script"),
                   Face("VLADIMIR SCRIPT", "Vladimir Script"),
                   Face("Freestyle Script", "Freestyle Script")});
  EXPECT_EQ(named.fonts->chooseByStyle(script), "Freestyle Script");
  FakeFonts other({Face("Arial", "Arial"), Face("Kunstler Script", "Kunstler Script")});
  EXPECT_EQ(other.fonts->chooseByStyle(script), "Kunstler Script");
}

}  // namespace
