#include "engine/render/colour_conversion.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <exception>

#include "engine/render/colour_space_factory.h"
#include "engine/render/resolved_values.h"

namespace {

// Conversions pass through Indexed bases and Separation alternates; the spaces were built with
// bounded nesting, this guards the walk all the same.
constexpr int kMaxConversionNesting = kMaxColourSpaceNesting + 2;

// The white point of sRGB displays.
constexpr double kD65White[3] = {0.95047, 1.0, 1.08883};

double clamp01(double v) { return std::isnan(v) ? 0.0 : std::min(std::max(v, 0.0), 1.0); }

uint32_t channel(double v) { return static_cast<uint32_t>(clamp01(v) * 255.0); }

uint32_t rgb(double r, double g, double b) {
  return channel(r) | (channel(g) << 8) | (channel(b) << 16);
}

uint32_t cmyk(double c, double m, double y, double k) {
  // Components are clamped first: two components above 1 must not multiply back into range.
  c = clamp01(c), m = clamp01(m), y = clamp01(y), k = clamp01(k);
  return rgb((1 - k) * (1 - c), (1 - k) * (1 - m), (1 - k) * (1 - y));
}

double signedPower(double v, double p) { return v < 0 ? -std::pow(-v, p) : std::pow(v, p); }

uint32_t xyzToRgb(double x, double y, double z) {
  x = signedPower(x, 1.1111111111111112);
  y = signedPower(y, 1.25);
  z = signedPower(z, 0.9090909090909091);
  const double r = 3.13360257102309 * x - 1.6168214013565443 * y - 0.490742404412824 * z;
  const double g = -0.9786503158825 * x + 1.916061004125328 * y + 0.03351290204844009 * z;
  const double b = 0.07207655781398956 * x - 0.2290655454722216 * y + 1.405359496754565 * z;
  return rgb(signedPower(r, 0.625), signedPower(g, 0.6666666666666666),
             signedPower(b, 0.7142857142857143));
}

// Lab components are taken as 8-bit signed integers (saturating), then limited to the ranges.
double labComponent(double v, double low, double high) {
  const int32_t i = std::clamp(truncateToInt32(v), -128, 127);
  return std::min(std::max<double>(i, low), high);
}

double labF(double f) {
  constexpr double kEdge = 6.0 / 29.0;
  return f >= kEdge ? f * f * f : (f - 4.0 / 29.0) * 0.12841854934601665;
}

// Linear light to an sRGB channel.
double srgbGamma(double v) {
  if (!(v > 0.0031308)) return 12.92 * std::max(v, 0.0);
  return 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

uint32_t lab(double l, double a, double b, const ColourSpace& space) {
  const std::array<int32_t, 4>& range = space.labRange;
  l = labComponent(l, 0, 100);
  a = labComponent(a, range[0], range[1]);
  b = labComponent(b, range[2], range[3]);
  const double fy = (l + 16.0) / 116.0;
  const double fx = fy + a / 500.0;
  const double fz = fy - b / 200.0;
  // Relative to the space's white point, which becomes the display's (D65) white: L 100 is
  // white and a = b = 0 grey, whatever the white point.
  const double x = labF(fx) * kD65White[0], y = labF(fy) * kD65White[1],
               z = labF(fz) * kD65White[2];
  return rgb(srgbGamma(3.2404542 * x - 1.5371385 * y - 0.4985314 * z),
             srgbGamma(-0.9692660 * x + 1.8760108 * y + 0.0415560 * z),
             srgbGamma(0.0556434 * x - 0.2040259 * y + 1.0572252 * z));
}

double componentAt(std::span<const double> c, std::size_t i) { return i < c.size() ? c[i] : -1.0; }

uint32_t failed(ColourSpace& space) {
  space.conversionFailed = true;
  return space.nonStroking ? kFailedFillColour : kFailedStrokeColour;
}

bool isLabSpace(const ColourSpace& space) {
  return space.family == ColourFamily::Lab ||
         (space.family == ColourFamily::ICCBased && space.iccSignature == cmsSigLabData);
}

// Component values of one conversion; unused ones are -1.0.
struct Components {
  std::array<double, ColourSpace::kMaxComponents> values;
  std::size_t count = 4;
  Components() { values.fill(-1.0); }
  std::span<const double> span() const { return {values.data(), count}; }
};

// Bytes (lookup entries, image samples) to component values: 0..255 spans each component's
// range, which is 0..1 except for Lab.
void bytesToComponents(std::span<const uint8_t> bytes, const ColourSpace& space, Components& out) {
  const std::size_t count = std::min(bytes.size(), out.values.size());
  out.count = std::max<std::size_t>(count, 4);
  for (std::size_t i = 0; i < count; ++i) out.values[i] = bytes[i] / 255.0;
  if (isLabSpace(space) && count >= 3) {
    const std::array<int32_t, 4>& r = space.labRange;
    out.values[0] = bytes[0] * 100.0 / 255.0;
    out.values[1] = r[0] + bytes[1] * (static_cast<double>(r[1]) - r[0]) / 255.0;
    out.values[2] = r[2] + bytes[2] * (static_cast<double>(r[3]) - r[2]) / 255.0;
  }
}

// The outputs of a function's last evaluation as components.
Components outputsOf(const C_PDF_Function& function) {
  const std::span<const double> outputs = function.outputs();
  Components values;
  const std::size_t used = std::min(outputs.size(), values.values.size());
  std::copy_n(outputs.begin(), used, values.values.begin());
  values.count = std::max<std::size_t>(used, 4);
  return values;
}

uint32_t convert(std::span<const double> c, ColourSpace& space, int depth);

uint32_t convertTint(std::span<const double> c, ColourSpace& space, int depth) {
  if (!space.tintTransform) {
    const double gray = 1 - componentAt(c, 0);
    return rgb(gray, gray, gray);
  }
  const std::size_t inputs = static_cast<std::size_t>(std::max(1, space.componentCount));
  int count = -1;
  try {
    count = space.tintTransform->evaluate(c.first(std::min(inputs, c.size())));
  } catch (const std::exception&) {
    return 0;  // black
  }
  if (count < 0 || !space.alternate) return failed(space);
  return convert(outputsOf(*space.tintTransform).span(), *space.alternate, depth + 1);
}

uint32_t convertIndexed(std::span<const double> c, ColourSpace& space, int depth) {
  if (!space.base) return failed(space);
  // Indices outside 0..hival take the nearest entry.
  const int32_t last = std::clamp(space.hival, 0, ColourSpace::kIndexedEntries - 1);
  const int32_t index = std::clamp(truncateToInt32(componentAt(c, 0)), 0, last);
  const std::span<const uint8_t> entry(
      space.lookup.data() + static_cast<std::size_t>(index) * ColourSpace::kIndexedEntryBytes,
      ColourSpace::kIndexedEntryBytes);
  Components values;
  bytesToComponents(entry, *space.base, values);
  return convert(values.span(), *space.base, depth + 1);
}

uint32_t convert(std::span<const double> c, ColourSpace& space, int depth) {
  if (depth > kMaxConversionNesting) return failed(space);
  const double c1 = componentAt(c, 0), c2 = componentAt(c, 1), c3 = componentAt(c, 2),
               c4 = componentAt(c, 3);
  switch (space.family) {
    case ColourFamily::DeviceGray:
    case ColourFamily::CalGray:
      return rgb(c1, c1, c1);
    case ColourFamily::DeviceRGB:
    case ColourFamily::CalRGB:
      return rgb(c1, c2, c3);
    case ColourFamily::DeviceCMYK:
    case ColourFamily::CalCMYK:
      return cmyk(c1, c2, c3, c4);
    case ColourFamily::Lab:
      return lab(c1, c2, c3, space);
    case ColourFamily::ICCBased:
      switch (space.iccSignature) {
        case cmsSigCmykData:
          return cmyk(c1, c2, c3, c4);
        case cmsSigGrayData:
          return rgb(c1, c1, c1);
        case cmsSigLabData:
          return lab(c1, c2, c3, space);
        case cmsSigXYZData:
          return xyzToRgb(c1, c2, c3);
        default:
          return rgb(c1, c2, c3);
      }
    case ColourFamily::Separation:
    case ColourFamily::DeviceN:
      return convertTint(c, space, depth);
    case ColourFamily::Indexed:
      return convertIndexed(c, space, depth);
    case ColourFamily::Pattern:
      return kPatternColour;
    default:
      return failed(space);
  }
}

}  // namespace

uint32_t toColorref(double c1, double c2, double c3, double c4, ColourSpace& space) {
  const double components[4] = {c1, c2, c3, c4};
  return convert(components, space, 0);
}

uint32_t toColorref(std::span<const double> components, ColourSpace& space) {
  if (components.size() >= 4) return convert(components, space, 0);
  double padded[4] = {-1.0, -1.0, -1.0, -1.0};
  std::copy(components.begin(), components.end(), padded);
  return convert(padded, space, 0);
}

uint32_t functionColour(C_PDF_Function& function, double t, ColourSpace& space) {
  const int count = function.evaluate({&t, 1});
  if (count < 0) return failed(space);
  return convert(outputsOf(function).span(), space, 0);
}

uint32_t initialColour(ColourSpace& space, std::string* error) {
  switch (space.family) {
    case ColourFamily::DeviceGray:
    case ColourFamily::CalGray:
      return toColorref(0.0, -1.0, -1.0, -1.0, space);
    case ColourFamily::DeviceRGB:
    case ColourFamily::CalRGB:
    case ColourFamily::Lab:
      return toColorref(0.0, 0.0, 0.0, -1.0, space);
    case ColourFamily::DeviceCMYK:
      return toColorref(0.0, 0.0, 0.0, 1.0, space);
    case ColourFamily::Indexed:
      return toColorref(0.0, -1.0, -1.0, -1.0, space);
    case ColourFamily::Separation:
    case ColourFamily::DeviceN: {
      // Every colorant at full tint.
      Components tints;
      const std::size_t count = static_cast<std::size_t>(
          std::clamp(space.componentCount, 1, ColourSpace::kMaxComponents));
      std::fill_n(tints.values.begin(), count, 1.0);
      tints.count = std::max<std::size_t>(count, 4);
      return toColorref(tints.span(), space);
    }
    case ColourFamily::Pattern:
      return kPatternColour;
    case ColourFamily::ICCBased:
      return 0;
    default:
      if (error && error->empty()) *error = kColourErrorNoInitialColour;
      return 0;
  }
}

std::array<uint8_t, 3> sampleToRgb(std::span<const uint8_t> components, int32_t bitsPerComponent,
                                   ColourSpace& space) {
  ColourSpace::SampleCache& cache = space.sampleCache;
  const std::size_t count = std::min<std::size_t>(components.size(), ColourSpace::kMaxComponents);
  const std::span<const uint8_t> input = components.first(count);
  if (cache.valid && cache.bitsPerComponent == bitsPerComponent && cache.count == count &&
      cache.nonStroking == space.nonStroking &&
      std::equal(input.begin(), input.end(), cache.input.begin()))
    return cache.rgb;

  std::array<uint8_t, ColourSpace::kMaxComponents> bytes{};
  std::copy(input.begin(), input.end(), bytes.begin());
  uint32_t colorref;
  if (space.family == ColourFamily::Indexed) {
    colorref = toColorref(count > 0 ? bytes[0] : 0.0, -1.0, -1.0, -1.0, space);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      switch (bitsPerComponent) {
        case 1:
          bytes[i] = (bytes[i] & 1) ? 255 : 0;
          break;
        case 2:
          bytes[i] = static_cast<uint8_t>((bytes[i] & 3) * 85);
          break;
        case 4:
          bytes[i] = static_cast<uint8_t>((bytes[i] & 15) * 17);
          break;
        default:
          break;
      }
    }
    Components values;
    bytesToComponents({bytes.data(), count}, space, values);
    colorref = convert(values.span(), space, 0);
  }

  cache.valid = true;
  cache.bitsPerComponent = bitsPerComponent;
  cache.count = static_cast<uint8_t>(count);
  cache.nonStroking = space.nonStroking;
  std::copy(input.begin(), input.end(), cache.input.begin());
  cache.rgb = {redOf(colorref), greenOf(colorref), blueOf(colorref)};
  return cache.rgb;
}

uint32_t replaceAlpha(uint32_t argb, double alpha) {
  const uint32_t rgb = argb & 0xFFFFFF;
  // applyAlpha takes 0x00BBGGRR; hand it the channels in that order.
  const uint32_t colorref = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
  return applyAlpha(colorref, alpha);
}

uint32_t applyAlpha(uint32_t colorref, double alpha) {
  // NaN counts as opaque.
  const double a = std::isnan(alpha) ? 1.0 : std::min(std::max(alpha, 0.0), 1.0);
  const uint32_t alphaByte = static_cast<uint32_t>(static_cast<int32_t>(a * 255.0));
  return (alphaByte << 24) | (uint32_t{redOf(colorref)} << 16) |
         (uint32_t{greenOf(colorref)} << 8) | blueOf(colorref);
}
