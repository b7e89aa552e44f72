#include "engine/render/jpx_image.h"

#include <lcms2.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/decode/jpx/jpx_decoder.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/colour_space.h"
#include "engine/render/xobject_descriptor.h"

namespace {

constexpr std::array<double, 3> kWhiteD50{0.9642, 1.0, 0.8249};

const PdfObject& resolvedValue(const PdfObject* v, PdfObject& storage, ObjectResolver& resolver) {
  static const PdfObject none;
  if (!v) return none;
  try {
    return resolver.resolved(*v, storage);
  } catch (const C_PDF_Exception&) {
    return none;
  }
}

// The colour space the JPX data declares.
std::shared_ptr<ColourSpace> spaceOf(const JpxImage& jpx) {
  switch (jpx.colour) {
    case JpxColour::Grey:
      return deviceGray();
    case JpxColour::Cmyk:
      return deviceCMYK();
    case JpxColour::Lab: {
      auto space = std::make_shared<ColourSpace>(ColourFamily::Lab);
      space->whitePoint = kWhiteD50;
      // Sample codes map linearly onto L, a and b: code 0 is -offset × range / (2^depth - 1).
      const int depth = jpx.colourPlanes.empty() ? 8 : jpx.planes[jpx.colourPlanes[0]].depth;
      const double maxCode = double((1 << depth) - 1);
      for (int i = 0; i < 2; ++i) {
        const double lo = -jpx.labOffset[1 + i] * jpx.labRange[1 + i] / maxCode;
        space->labRange[2 * i] = int32_t(std::lround(lo));
        space->labRange[2 * i + 1] = int32_t(std::lround(lo + jpx.labRange[1 + i]));
      }
      return space;
    }
    case JpxColour::Icc: {
      cmsHPROFILE handle = cmsOpenProfileFromMem(jpx.icc.data(), cmsUInt32Number(jpx.icc.size()));
      if (handle) {
        const cmsColorSpaceSignature signature = cmsGetColorSpace(handle);
        cmsCloseProfile(handle);
        auto space = std::make_shared<ColourSpace>(ColourFamily::ICCBased);
        space->iccSignature = uint32_t(signature);
        space->componentCount = int32_t(cmsChannelsOf(signature));
        if (signature == cmsSigLabData) {
          space->whitePoint = kWhiteD50;
          space->labRange = {-128, 127, -128, 127};
        }
        if (space->componentCount == int32_t(jpx.colourPlanes.size())) return space;
      }
      break;
    }
    default:
      break;
  }
  const std::size_t n = jpx.colourPlanes.size();
  return n >= 4 ? deviceCMYK() : n == 3 ? deviceRGB() : deviceGray();
}

}  // namespace

bool isJpxStream(const PdfObject& stream, ObjectResolver& resolver) {
  PdfObject storage;
  const PdfObject& filter = resolvedValue(stream.lookup("Filter"), storage, resolver);
  if (filter.isName("JPXDecode")) return true;
  return filter.isArray() && !filter.elements.empty() && filter.elements.back().isName("JPXDecode");
}

int32_t decodeJpxImageData(XObjectDescriptor& image, const PdfObject& stream,
                           ObjectResolver& resolver) {
  image.data.clear();
  // The filters before JPXDecode (decryption included) run as usual; an empty Filter array
  // keeps the pipeline from guessing a filter for the bare JPX bytes.
  PdfObject outer(PdfObjectKind::Stream);
  PdfObject filterStorage, parmsStorage;
  const PdfObject& filter = resolvedValue(stream.lookup("Filter"), filterStorage, resolver);
  const PdfObject& parms = resolvedValue(stream.lookup("DecodeParms"), parmsStorage, resolver);
  PdfObject before(PdfObjectKind::Array);
  PdfObject beforeParms(PdfObjectKind::Array);
  if (filter.isArray()) {
    for (std::size_t i = 0; i + 1 < filter.elements.size(); ++i) {
      before.elements.push_back(filter.elements[i]);
      beforeParms.elements.push_back(parms.isArray() && i < parms.elements.size()
                                         ? parms.elements[i]
                                         : PdfObject(PdfObjectKind::Null));
    }
  }
  for (const DictEntry& e : stream.entries)
    if (e.key != "Filter" && e.key != "DecodeParms") outer.add(e.key, e.value);
  outer.add("Filter", before);
  if (!beforeParms.elements.empty()) outer.add("DecodeParms", beforeParms);
  outer.text = stream.text;
  outer.objectNumber = stream.objectNumber;
  outer.generation = stream.generation;
  std::vector<uint8_t> bytes;
  try {
    if (resolver.decodeStream(bytes, outer) < 0) return -1;
  } catch (const C_PDF_Exception&) {
    return -1;
  }

  JpxImage jpx;
  if (!decodeJpxImage(bytes, jpx) || jpx.colourPlanes.empty()) return -1;
  bytes = {};

  std::shared_ptr<ColourSpace> space = image.colourSpace;
  const bool indexed = space && space->family == ColourFamily::Indexed;
  std::vector<int> planes = jpx.colourPlanes;
  if (space) {
    // The dictionary's space wins; it takes the image's colour channels in order.
    const std::size_t n = std::size_t(std::max(1, space->componentCount));
    if (planes.size() != n) {
      planes.clear();
      for (std::size_t i = 0; i < n && i < jpx.planes.size(); ++i) planes.push_back(int(i));
      if (planes.size() != n) return -1;
    }
  } else {
    space = spaceOf(jpx);
    image.colourSpace = space;
  }

  PdfObject smaskStorage;
  const bool useAlpha =
      jpx.alphaPlane >= 0 && !image.dictionary.lookup("SMask") &&
      resolvedValue(image.dictionary.lookup("SMaskInData"), smaskStorage, resolver).intValue() > 0;
  image.width = jpx.width;
  image.height = jpx.height;
  image.bitsPerComponent = 8;
  const std::size_t pixels = std::size_t(jpx.width) * jpx.height;
  const std::size_t n = planes.size();
  image.data.resize(pixels * n);
  for (std::size_t c = 0; c < n; ++c) {
    const JpxPlane& p = jpx.planes[planes[c]];
    const uint32_t maxCode = (1u << p.depth) - 1;
    uint8_t* out = image.data.data() + c;
    if (indexed || p.depth == 8) {
      // Palette indices stay indices.
      for (std::size_t i = 0; i < pixels; ++i)
        out[i * n] = uint8_t(std::min<uint32_t>(p.samples[i], 255));
    } else {
      for (std::size_t i = 0; i < pixels; ++i)
        out[i * n] = uint8_t((p.samples[i] * 255u + maxCode / 2) / maxCode);
    }
  }
  if (useAlpha && !indexed) {
    // The opacity channel becomes the image's soft mask; premultiplied colours were blended
    // with black, which the mask's matte undoes.
    const JpxPlane& a = jpx.planes[jpx.alphaPlane];
    const uint32_t maxCode = (1u << a.depth) - 1;
    auto alpha = std::make_shared<ImageAlpha>();
    alpha->width = jpx.width;
    alpha->height = jpx.height;
    alpha->values.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i)
      alpha->values[i] = uint8_t((a.samples[i] * 255u + maxCode / 2) / maxCode);
    alpha->hasMatte = jpx.alphaPremultiplied;
    image.alpha = std::move(alpha);
  }
  return int32_t(std::min<std::size_t>(image.data.size(), INT32_MAX));
}
