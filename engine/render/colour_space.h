#pragma once
// Colour-space objects: what a colour-space value of a file says, and the state colour
// conversion keeps per object (the fill-or-stroke byte, the failure byte, the image-sample cache).

#include <array>
#include <cstdint>
#include <memory>

#include "engine/render/function.h"

enum class ColourFamily : int32_t {
  Unknown = 0,  // an alternate that names nothing convertible
  CalCMYK = 1,  // only as the alternate of a Separation or DeviceN
  CalRGB = 10,
  CalGray = 11,
  Lab = 12,
  ICCBased = 13,
  DeviceRGB = 20,
  DeviceCMYK = 21,  // also the names CMYK and CalCMYK
  DeviceGray = 22,
  DefaultRGB = 23,  // 23 to 25 only as alternates
  DefaultCMYK = 24,
  DefaultGray = 25,
  Separation = 30,
  DeviceN = 31,
  Indexed = 32,
  Pattern = 33,
};

// Components of a family; ICCBased and DeviceN take theirs from the file.
int32_t familyComponentCount(ColourFamily family);

class ColourSpace {
 public:
  // Indexed lookup tables hold this many entries of kIndexedEntryBytes bytes.
  static constexpr int kIndexedEntries = 256;
  static constexpr int kIndexedEntryBytes = 4;
  // Components handed to a conversion at most (DeviceN colorants beyond it are dropped).
  static constexpr int kMaxComponents = 32;

  explicit ColourSpace(ColourFamily f) : family(f), componentCount(familyComponentCount(f)) {}

  ColourFamily family;
  int32_t componentCount;

  // CalGray, CalRGB and Lab: kept as read; CalGray's one gamma fills all three.
  std::array<double, 3> whitePoint{};
  std::array<double, 3> blackPoint{};
  std::array<double, 3> gamma{1.0, 1.0, 1.0};
  // Lab: amin amax bmin bmax.
  std::array<int32_t, 4> labRange{-100, 100, -100, 100};

  // ICCBased: the profile's data colour space (an ICC signature such as 'RGB ').
  uint32_t iccSignature = 0;

  // Separation and DeviceN: the tint transform (null when there is none or it cannot be read)
  // and the space its outputs are converted with.
  std::unique_ptr<C_PDF_Function> tintTransform;
  std::shared_ptr<ColourSpace> alternate;

  // Indexed: the highest index, the base space and the table (base components as bytes, unused
  // bytes 0).
  int32_t hival = -1;
  std::shared_ptr<ColourSpace> base;
  std::array<uint8_t, kIndexedEntries * kIndexedEntryBytes> lookup{};

  // Set by the interpreter while the space serves as the non-stroking space; decides the grey
  // of a failed conversion.
  bool nonStroking = false;
  // Set when a conversion gave a fallback grey.
  bool conversionFailed = false;

  // The last image sample converted (sampleToRgb).
  struct SampleCache {
    bool valid = false;
    bool nonStroking = false;
    int32_t bitsPerComponent = 0;
    uint8_t count = 0;
    std::array<uint8_t, kMaxComponents> input{};
    std::array<uint8_t, 3> rgb{};
  } sampleCache;
};

// The built-in device spaces, one set per thread. The default colour space of every new graphics
// state is deviceGray().
std::shared_ptr<ColourSpace> deviceGray();
std::shared_ptr<ColourSpace> deviceRGB();
std::shared_ptr<ColourSpace> deviceCMYK();
inline std::shared_ptr<ColourSpace> defaultColourSpace() { return deviceGray(); }
