#include "engine/render/colour_space.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space_factory.h"
#include "fuzz/render_fuzz_harness.h"
#include "tests/engine/render/object_text.h"

namespace {

using render_test::MemoryDocument;
using render_test::NoDocument;
using render_test::parse;
using render_test::stream;

struct Built {
  std::shared_ptr<ColourSpace> space;
  std::string error;
};

Built build(const PdfObject& value) {
  NoDocument none;
  Built built;
  built.space = createColourSpace(value, none.resolver, &built.error);
  return built;
}

Built build(std::string_view text) { return build(parse(text)); }

// An ICC profile made by the colour library, as stored in a file.
std::string profileBytes(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// [/ICCBased <stream>] with the stream made a direct element, as a resolver would return it.
PdfObject iccArray(const std::string& dictionary, const std::string& profile) {
  PdfObject array = parse("[/ICCBased]");
  array.elements.push_back(stream(dictionary, profile));
  return array;
}

TEST(ColourSpace, DeviceColours) {
  EXPECT_EQ(toColorref(1, 0, 0, -1, *deviceRGB()), 0x000000FFu);
  EXPECT_EQ(toColorref(0, 0, 0, 1, *deviceCMYK()), 0x00000000u);
  EXPECT_EQ(toColorref(0.5, -1, -1, -1, *deviceGray()), 0x007F7F7Fu);
  EXPECT_EQ(toColorref(1, 0, 0, 0, *deviceCMYK()), 0x00FFFF00u);  // cyan
  // Components outside 0..1 clamp, CMYK ones before they are combined.
  EXPECT_EQ(toColorref(2, -1, 0.5, -1, *deviceRGB()), 0x007F00FFu);
  EXPECT_EQ(toColorref(2, 0, 0, 2, *deviceCMYK()), 0x00000000u);
  EXPECT_EQ(toColorref(std::nan(""), -1, -1, -1, *deviceGray()), 0u);
  EXPECT_EQ(applyAlpha(0x000000FF, 0.5), 0x7FFF0000u);
  EXPECT_EQ(applyAlpha(0x00332211, 1.0), 0xFF112233u);
  EXPECT_EQ(applyAlpha(0x00FFFFFF, -3), 0x00FFFFFFu);
  EXPECT_EQ(defaultColourSpace(), deviceGray());
}

TEST(ColourSpace, NamesAndArrays) {
  for (const char* gray : {"/DeviceGray", "/G", "[/DeviceGray]", "null"}) {
    Built b = build(gray);
    EXPECT_EQ(b.space, deviceGray()) << gray;
    EXPECT_EQ(b.error, "") << gray;
  }
  EXPECT_EQ(build("/RGB").space, deviceRGB());
  EXPECT_EQ(build("/CMYK").space, deviceCMYK());
  EXPECT_EQ(build("[/CalCMYK << >>]").space, deviceCMYK());
  Built pattern = build("[/Pattern /DeviceRGB]");
  EXPECT_EQ(pattern.space->family, ColourFamily::Pattern);
  EXPECT_EQ(toColorref(1, 1, 1, 1, *pattern.space), kPatternColour);
  EXPECT_EQ(initialColour(*pattern.space), kPatternColour);

  // What names nothing gives DeviceGray and the insertion for message 60; nothing ends.
  Built unknownName = build("/Spot1");
  EXPECT_EQ(unknownName.space, deviceGray());
  EXPECT_EQ(unknownName.error, "11");
  EXPECT_EQ(build("[/Spot1 1]").error, "12");
  EXPECT_EQ(build("[]").error, "12");
  EXPECT_EQ(build("42").error, "12");
  EXPECT_EQ(build("5 0 R").error, "12");  // a reference that cannot be loaded
}

TEST(ColourSpace, CalibratedAndLab) {
  Built calGray = build("[/CalGray << /WhitePoint [0.9505 1 1.089] /Gamma 2.2 >>]");
  ASSERT_EQ(calGray.space->family, ColourFamily::CalGray);
  EXPECT_DOUBLE_EQ(calGray.space->gamma[2], 2.2);
  EXPECT_EQ(toColorref(0.5, -1, -1, -1, *calGray.space), 0x007F7F7Fu);  // gamma not applied
  Built calRgb = build("[/CalRGB << /WhitePoint [0.9505 1 1.089] /Gamma [1.8 1.8 1.8] >>]");
  EXPECT_EQ(toColorref(0, 1, 0, -1, *calRgb.space), 0x0000FF00u);

  Built lab = build("[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-128 127 -128 127] >>]");
  ASSERT_EQ(lab.space->family, ColourFamily::Lab);
  const uint32_t white = toColorref(100, 0, 0, -1, *lab.space);
  EXPECT_GE(redOf(white), 250);
  EXPECT_GE(greenOf(white), 250);
  EXPECT_GE(blueOf(white), 250);
  EXPECT_EQ(toColorref(0, 0, 0, -1, *lab.space), 0u);
  EXPECT_EQ(initialColour(*lab.space), 0u);
  // L above 100 and a, b beyond the range clamp.
  EXPECT_EQ(toColorref(120, 0, 0, -1, *lab.space), white);
  Built narrow = build("[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-10 10 -10 10] >>]");
  EXPECT_EQ(toColorref(50, 100, 0, -1, *narrow.space), toColorref(50, 10, 0, -1, *narrow.space));
  const uint32_t red = toColorref(50, 80, 60, -1, *lab.space);
  EXPECT_GT(redOf(red), 150);
  EXPECT_LT(greenOf(red), 60);
  // a = b = 0 is a neutral grey at any lightness and white point; L 50 is sRGB's middle grey.
  for (const char* white : {"[0.9642 1 0.8249]", "[0.9505 1 1.089]"}) {
    Built l = build(std::string("[/Lab << /WhitePoint ") + white + " >>]");
    const uint32_t grey = toColorref(50, 0, 0, -1, *l.space);
    EXPECT_NEAR(redOf(grey), 118, 2) << white;
    EXPECT_NEAR(redOf(grey), greenOf(grey), 1) << white;
    EXPECT_NEAR(blueOf(grey), greenOf(grey), 1) << white;
    EXPECT_GE(blueOf(toColorref(100, 0, 0, -1, *l.space)), 250) << white;
  }
}

TEST(ColourSpace, SeparationAndDeviceN) {
  // Without a tint transform: gray = 1 - tint.
  Built plain = build("[/Separation /Spot /DeviceGray]");
  ASSERT_EQ(plain.space->family, ColourFamily::Separation);
  EXPECT_EQ(toColorref(0.25, -1, -1, -1, *plain.space), 0x00BFBFBFu);
  EXPECT_EQ(initialColour(*plain.space), 0u);

  Built cyan = build(
      "[/Separation /Cyanish /DeviceCMYK "
      "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 0 0 0] /N 1 >>]");
  ASSERT_TRUE(cyan.space->tintTransform);
  EXPECT_EQ(toColorref(1, -1, -1, -1, *cyan.space), 0x00FFFF00u);
  EXPECT_EQ(toColorref(0, -1, -1, -1, *cyan.space), 0x00FFFFFFu);
  EXPECT_EQ(initialColour(*cyan.space), 0x00FFFF00u);

  // A tint transform that fails gives the grey of the role the space serves in.
  PdfObject failing = parse("[/Separation /S /DeviceRGB]");
  failing.elements.push_back(
      stream("<< /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1] >>", "{ dup }"));
  Built fails = build(failing);
  ASSERT_TRUE(fails.space->tintTransform);
  EXPECT_EQ(toColorref(0.5, -1, -1, -1, *fails.space), kFailedStrokeColour);
  fails.space->nonStroking = true;
  EXPECT_EQ(toColorref(0.5, -1, -1, -1, *fails.space), kFailedFillColour);
  EXPECT_TRUE(fails.space->conversionFailed);

  // DeviceN: one input per colorant, outputs through the alternate.
  Built deviceN = build(
      "[/DeviceN [/A /B] /DeviceRGB "
      "<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] >>]");
  EXPECT_EQ(deviceN.space->componentCount, 2);
  PdfObject n = parse("[/DeviceN [/A /B] /DeviceRGB]");
  n.elements.push_back(stream("<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] >>",
                              "{ 0 }"));  // (a b) -> (a b 0)
  Built twoInks = build(n);
  EXPECT_EQ(toColorref(1, 0.5, -1, -1, *twoInks.space), 0x00007FFFu);

  // Alternates by name: a Lab array keeps its white point; the Default names fail to grey.
  Built labAlternate = build(
      "[/Separation /S [/Lab << /WhitePoint [0.9642 1 0.8249] >>] "
      "<< /FunctionType 2 /Domain [0 1] /C0 [100 0 0] /C1 [0 0 0] /N 1 >>]");
  EXPECT_GE(redOf(toColorref(0, -1, -1, -1, *labAlternate.space)), 250);
  Built defaultGray = build(
      "[/Separation /S /DefaultGray "
      "<< /FunctionType 2 /Domain [0 1] /N 1 >>]");
  EXPECT_EQ(toColorref(0.5, -1, -1, -1, *defaultGray.space), kFailedStrokeColour);
}

TEST(ColourSpace, IndexedLookup) {
  Built indexed = build("[/Indexed /DeviceRGB 1 <FF0000 00FF00>]");
  ASSERT_EQ(indexed.space->family, ColourFamily::Indexed);
  EXPECT_EQ(toColorref(1, -1, -1, -1, *indexed.space), 0x0000FF00u);
  EXPECT_EQ(toColorref(0, -1, -1, -1, *indexed.space), 0x000000FFu);
  EXPECT_EQ(initialColour(*indexed.space), 0x000000FFu);
  // Indices outside 0..hival take the nearest entry.
  EXPECT_EQ(toColorref(9, -1, -1, -1, *indexed.space), 0x0000FF00u);
  EXPECT_EQ(toColorref(-3, -1, -1, -1, *indexed.space), 0x000000FFu);

  // hival beyond the table and a short lookup: 256 entries at most, missing bytes 0.
  Built big = build("[/Indexed /DeviceGray 1000 <80>]");
  EXPECT_EQ(toColorref(0, -1, -1, -1, *big.space), 0x00808080u);
  EXPECT_EQ(toColorref(255, -1, -1, -1, *big.space), 0u);
  Built huge = build("[/Indexed /DeviceGray 2147483647 <80>]");
  EXPECT_EQ(toColorref(1e12, -1, -1, -1, *huge.space), 0u);
  // A base of six components keeps four per entry, stepping six bytes per index.
  Built wide = build(
      "[/Indexed [/DeviceN [/A /B /C /D /E /F] /DeviceGray] 1 "
      "<000000000000 400000000000>]");
  EXPECT_EQ(toColorref(1, -1, -1, -1, *wide.space), 0x00BFBFBFu);  // tint 0x40/255

  // Lookup as a stream; a Lab base spreads the bytes over its ranges.
  PdfObject labIndexed = parse("[/Indexed [/Lab << /WhitePoint [0.9642 1 0.8249] >>] 0]");
  labIndexed.elements.push_back(stream("<< >>", std::string("\xFF\x80\x80", 3)));
  Built lab = build(labIndexed);
  EXPECT_GE(redOf(toColorref(0, -1, -1, -1, *lab.space)), 245);

  // Unknown base: the insertion is reported, the space still converts.
  Built unknownBase = build("[/Indexed /Spot 0 <FF>]");
  EXPECT_EQ(unknownBase.error, "11");
  EXPECT_EQ(toColorref(0, -1, -1, -1, *unknownBase.space), 0x00FFFFFFu);
}

TEST(ColourSpace, SpacesThatContainThemselves) {
  testing_pdf::PdfBuilder builder;
  builder.set(1, "[/Indexed 1 0 R 0 <00>]");
  builder.setStream(2, "/N 3 /Alternate 3 0 R", "not a profile");
  builder.set(3, "[/ICCBased 2 0 R]");
  builder.set(4, "[/Separation /S 4 0 R << /FunctionType 2 /Domain [0 1] /N 1 >>]");
  MemoryDocument document(builder);
  for (int number : {1, 3, 4}) {
    std::string error;
    std::shared_ptr<ColourSpace> space =
        createColourSpace(MemoryDocument::reference(number), document.resolver(), &error);
    ASSERT_TRUE(space);
    toColorref(0.5, 0.5, 0.5, 0.5, *space);
    initialColour(*space);
  }
  std::string error;
  createColourSpace(MemoryDocument::reference(1), document.resolver(), &error);
  EXPECT_EQ(error, "12");
  // The ICC space that is its own alternate ends in the device family of N.
  EXPECT_EQ(createColourSpace(MemoryDocument::reference(3), document.resolver(), nullptr),
            deviceRGB());
}

TEST(ColourSpace, IccBasedReadsTheProfileFromMemory) {
  Built rgb = build(iccArray("<< /N 3 >>", profileBytes(cmsCreate_sRGBProfile())));
  ASSERT_EQ(rgb.space->family, ColourFamily::ICCBased);
  EXPECT_EQ(rgb.space->iccSignature, static_cast<uint32_t>(cmsSigRgbData));
  EXPECT_EQ(rgb.space->componentCount, 3);
  EXPECT_EQ(toColorref(1, 0, 0, -1, *rgb.space), 0x000000FFu);
  EXPECT_EQ(initialColour(*rgb.space), 0u);

  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  Built gray =
      build(iccArray("<< /N 1 >>", profileBytes(cmsCreateGrayProfile(cmsD50_xyY(), curve))));
  cmsFreeToneCurve(curve);
  EXPECT_EQ(gray.space->iccSignature, static_cast<uint32_t>(cmsSigGrayData));
  EXPECT_EQ(toColorref(0.5, -1, -1, -1, *gray.space), 0x007F7F7Fu);

  Built lab = build(iccArray("<< >>", profileBytes(cmsCreateLab4Profile(nullptr))));
  EXPECT_EQ(lab.space->iccSignature, static_cast<uint32_t>(cmsSigLabData));
  EXPECT_EQ(lab.space->componentCount, 3);  // from the profile when N is missing
  EXPECT_GE(greenOf(toColorref(100, 0, 0, -1, *lab.space)), 250);
}

TEST(ColourSpace, IccProfilesThatDisagreeWithNAreReadByN) {
  // An RGB profile on one-component data: grey, as N says, not a red channel.
  Built one = build(iccArray("<< /N 1 >>", profileBytes(cmsCreate_sRGBProfile())));
  EXPECT_EQ(one.space, deviceGray());
  EXPECT_EQ(toColorref(0.5, -1, -1, -1, *one.space), 0x007F7F7Fu);
  // Four components with an RGB profile are CMYK; an Alternate of the wrong size is passed over.
  Built four =
      build(iccArray("<< /N 4 /Alternate /DeviceRGB >>", profileBytes(cmsCreate_sRGBProfile())));
  EXPECT_EQ(four.space, deviceCMYK());
  Built three = build(iccArray("<< /N 3 /Alternate [/CalRGB << /WhitePoint [0.9505 1 1.089] >>] >>",
                               profileBytes(cmsCreateLab4Profile(nullptr))));
  EXPECT_EQ(three.space->family, ColourFamily::ICCBased);  // Lab has three channels: it fits
}

TEST(ColourSpace, UnreadableIccFallsBack) {
  EXPECT_EQ(build(iccArray("<< /N 3 /Alternate /DeviceCMYK >>", "garbage")).space, deviceCMYK());
  Built calAlternate =
      build(iccArray("<< /N 1 /Alternate [/CalGray << /Gamma 2 >>] >>", std::string(200, 'x')));
  EXPECT_EQ(calAlternate.space->family, ColourFamily::CalGray);
  // Without a usable Alternate: the device family of N; no insertion is reported.
  Built byN = build(iccArray("<< /N 4 /Alternate /Nonsense >>", ""));
  EXPECT_EQ(byN.space, deviceCMYK());
  EXPECT_EQ(byN.error, "");
  EXPECT_EQ(build(iccArray("<< /N 3 /Filter /FlateDecode >>", "not zlib")).space, deviceRGB());
  EXPECT_EQ(build(iccArray("<< /N 3 /Filter 7 >>", "x")).space, deviceRGB());
}

TEST(ColourSpace, InitialColourOfUnknownFamily) {
  ColourSpace unknown(ColourFamily::DefaultRGB);
  std::string error;
  EXPECT_EQ(initialColour(unknown, &error), 0u);
  EXPECT_EQ(error, "18");
  EXPECT_EQ(toColorref(1, 1, 1, -1, unknown), kFailedStrokeColour);
}

TEST(ColourSpace, ImageSamples) {
  const uint8_t one = 1, eight = 8, gray = 0x80;
  EXPECT_EQ(sampleToRgb({&one, 1}, 1, *deviceGray()), (std::array<uint8_t, 3>{255, 255, 255}));
  EXPECT_EQ(sampleToRgb({&eight, 1}, 4, *deviceGray()), (std::array<uint8_t, 3>{136, 136, 136}));
  EXPECT_EQ(sampleToRgb({&one, 1}, 2, *deviceGray()), (std::array<uint8_t, 3>{85, 85, 85}));
  EXPECT_EQ(sampleToRgb({&gray, 1}, 8, *deviceGray()), (std::array<uint8_t, 3>{128, 128, 128}));
  const uint8_t cmyk[4] = {0, 255, 255, 0};
  EXPECT_EQ(sampleToRgb(cmyk, 8, *deviceCMYK()), (std::array<uint8_t, 3>{255, 0, 0}));

  // Lab samples spread over the ranges, however wide (a lands far above 127 here).
  Built lab =
      build("[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-2147483648 2147483647 0 0] >>]");
  const uint8_t labSample[3] = {255, 128, 0};
  EXPECT_EQ(sampleToRgb(labSample, 8, *lab.space)[0], 255);

  // Indexed samples are indices, not scaled.
  Built indexed = build("[/Indexed /DeviceRGB 1 <FF0000 00FF00>]");
  EXPECT_EQ(sampleToRgb({&one, 1}, 1, *indexed.space), (std::array<uint8_t, 3>{0, 255, 0}));

  // The cache answers repeats, and does not hide the grey of the other role.
  PdfObject failing = parse("[/Separation /S /DeviceRGB]");
  failing.elements.push_back(stream("<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>", "{ pop }"));
  Built fails = build(failing);
  EXPECT_EQ(sampleToRgb({&gray, 1}, 8, *fails.space), (std::array<uint8_t, 3>{0x64, 0x64, 0x64}));
  EXPECT_EQ(sampleToRgb({&gray, 1}, 8, *fails.space), (std::array<uint8_t, 3>{0x64, 0x64, 0x64}));
  fails.space->nonStroking = true;
  EXPECT_EQ(sampleToRgb({&gray, 1}, 8, *fails.space), (std::array<uint8_t, 3>{0xE6, 0xE6, 0xE6}));
}

TEST(ColourSpace, FunctionColours) {
  NoDocument none;
  auto redToBlue = createFunction(
      parse("<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>"), none.resolver);
  ASSERT_TRUE(redToBlue);
  EXPECT_EQ(functionColour(*redToBlue, 0, *deviceRGB()), 0x000000FFu);
  EXPECT_EQ(functionColour(*redToBlue, 1, *deviceRGB()), 0x00FF0000u);
  // One output into an RGB space: the missing ones count as -1 and clamp to 0.
  auto gray = createFunction(parse("<< /FunctionType 2 /Domain [0 1] /N 1 >>"), none.resolver);
  EXPECT_EQ(functionColour(*gray, 1, *deviceRGB()), 0x000000FFu);
  auto stitched = createFunction(
      parse("<< /FunctionType 3 /Domain [0 1] /Encode [0 1] /Functions [<< /FunctionType 2 "
            "/Domain [0 1] /N 1 >>] >>"),
      none.resolver);
  ColourSpace fill(ColourFamily::DeviceRGB);
  fill.nonStroking = true;
  EXPECT_EQ(functionColour(*stitched, 2, fill), kFailedFillColour);
}

TEST(ColourSpace, FuzzFindingsDoNotCrash) {
  const char* dataDir = std::getenv("BREVIA_TEST_DATA");
  const std::filesystem::path dir =
      (dataDir ? std::filesystem::path(dataDir)
               : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data") /
      "fuzz" / "colour_space_fuzz";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no fuzz findings";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    render_fuzz::runColourSpaceInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
}

}  // namespace
