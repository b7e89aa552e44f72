#include "engine/render/colour_space.h"

int32_t familyComponentCount(ColourFamily family) {
  switch (family) {
    case ColourFamily::CalGray:
    case ColourFamily::DeviceGray:
    case ColourFamily::DefaultGray:
    case ColourFamily::Separation:
    case ColourFamily::Indexed:
      return 1;
    case ColourFamily::CalRGB:
    case ColourFamily::Lab:
    case ColourFamily::DeviceRGB:
    case ColourFamily::DefaultRGB:
      return 3;
    case ColourFamily::CalCMYK:
    case ColourFamily::DeviceCMYK:
    case ColourFamily::DefaultCMYK:
      return 4;
    case ColourFamily::ICCBased:
    case ColourFamily::DeviceN:
    case ColourFamily::Pattern:
    case ColourFamily::Unknown:
      return 0;
  }
  return 0;
}

// One set per thread: the spaces carry conversion state (the sample cache, the failure byte)
// that two threads drawing at once must not share.
std::shared_ptr<ColourSpace> deviceGray() {
  thread_local const std::shared_ptr<ColourSpace> space =
      std::make_shared<ColourSpace>(ColourFamily::DeviceGray);
  return space;
}

std::shared_ptr<ColourSpace> deviceRGB() {
  thread_local const std::shared_ptr<ColourSpace> space =
      std::make_shared<ColourSpace>(ColourFamily::DeviceRGB);
  return space;
}

std::shared_ptr<ColourSpace> deviceCMYK() {
  thread_local const std::shared_ptr<ColourSpace> space =
      std::make_shared<ColourSpace>(ColourFamily::DeviceCMYK);
  return space;
}
