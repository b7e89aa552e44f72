#include "engine/render/colour_space_factory.h"

#include <lcms2.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/document/pdf_exception.h"
#include "engine/render/resolved_values.h"

namespace {

// The CIE D50 white, used where a Lab space gives none (and for ICC Lab profiles, whose
// connection space is D50).
constexpr std::array<double, 3> kWhiteD50{0.9642, 1.0, 0.8249};
constexpr std::array<int32_t, 4> kIccLabRange{-128, 127, -128, 127};

std::shared_ptr<ColourSpace> deviceSpaceByName(std::string_view name) {
  if (name == "DeviceGray" || name == "G") return deviceGray();
  if (name == "DeviceRGB" || name == "RGB") return deviceRGB();
  if (name == "DeviceCMYK" || name == "CMYK") return deviceCMYK();
  return nullptr;
}

// The family an alternate name stands for; Unknown for the rest.
ColourFamily alternateFamily(std::string_view name) {
  struct Named {
    std::string_view name;
    ColourFamily family;
  };
  static constexpr Named kAlternates[] = {
      {"CalRGB", ColourFamily::CalRGB},
      {"CalGray", ColourFamily::CalGray},
      {"Lab", ColourFamily::Lab},
      {"CalCMYK", ColourFamily::CalCMYK},
      {"DeviceRGB", ColourFamily::DeviceRGB},
      {"DeviceCMYK", ColourFamily::DeviceCMYK},
      {"DeviceGray", ColourFamily::DeviceGray},
      {"DefaultRGB", ColourFamily::DefaultRGB},
      {"DefaultCMYK", ColourFamily::DefaultCMYK},
      {"DefaultGray", ColourFamily::DefaultGray},
      {"ICCBased", ColourFamily::ICCBased},
  };
  for (const Named& named : kAlternates)
    if (named.name == name) return named.family;
  return ColourFamily::Unknown;
}

// The data colour space of an ICC profile in memory; false when it cannot be read.
bool readIccSignature(const std::vector<uint8_t>& profile, uint32_t& signature) {
  if (profile.empty()) return false;
  cmsHPROFILE handle =
      cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
  if (!handle) return false;
  signature = static_cast<uint32_t>(cmsGetColorSpace(handle));
  cmsCloseProfile(handle);
  return true;
}

// Decodes a stream; false (bytes empty) when it cannot be decoded, a malformed Filter included.
bool decodeQuietly(ObjectResolver& resolver, const PdfObject& stream, std::vector<uint8_t>& bytes) {
  try {
    return resolver.decodeStream(bytes, stream) >= 0;
  } catch (const C_PDF_Exception&) {
    bytes.clear();
    return false;
  }
}

class ColourSpaceBuilder {
 public:
  ColourSpaceBuilder(ObjectResolver& resolver, std::string* error)
      : resolver_(resolver), error_(error) {}

  std::shared_ptr<ColourSpace> build(const PdfObject& value, int depth) {
    if (depth > kMaxColourSpaceNesting) return unusable(kColourErrorUnknownArray);
    try {
      PdfObject storage;
      const PdfObject& v = resolver_.resolved(value, storage);
      if (v.isName()) return byName(v.text);
      // A reference to an object defined nowhere reads as null: that space cannot be built.
      if (v.is(PdfObjectKind::Null))
        return value.isReference() ? unusable(kColourErrorUnknownArray) : deviceGray();
      if (v.isArray()) return byArray(v, depth);
    } catch (const C_PDF_Exception&) {
      // A missing object: the space cannot be built.
    }
    return unusable(kColourErrorUnknownArray);
  }

 private:
  std::shared_ptr<ColourSpace> unusable(const char* insertion) {
    if (error_ && error_->empty()) *error_ = insertion;
    return deviceGray();
  }

  std::shared_ptr<ColourSpace> byName(std::string_view name) {
    if (std::shared_ptr<ColourSpace> device = deviceSpaceByName(name)) return device;
    if (name == "Pattern") return std::make_shared<ColourSpace>(ColourFamily::Pattern);
    if (name == "null") return deviceGray();
    return unusable(kColourErrorUnknownName);
  }

  std::shared_ptr<ColourSpace> byArray(const PdfObject& array, int depth) {
    if (array.elements.empty()) return unusable(kColourErrorUnknownArray);
    PdfObject storage;
    const PdfObject& first = resolver_.resolved(array.elements[0], storage);
    if (!first.isName()) return unusable(kColourErrorUnknownArray);
    const std::string_view name = first.text;
    if (name == "Pattern") {
      // An uncoloured pattern's space names the space its colours are given in.
      auto space = std::make_shared<ColourSpace>(ColourFamily::Pattern);
      if (array.elements.size() >= 2) space->base = build(array.elements[1], depth + 1);
      return space;
    }
    if (name == "Lab") return calibrated(ColourFamily::Lab, array);
    if (name == "CalGray") return calibrated(ColourFamily::CalGray, array);
    if (name == "CalRGB") return calibrated(ColourFamily::CalRGB, array);
    if (name == "Indexed" || name == "I") return indexed(array, depth);
    if (name == "ICCBased") return iccBased(array, depth);
    if (name == "Separation") return separation(ColourFamily::Separation, array, depth);
    if (name == "DeviceN") return separation(ColourFamily::DeviceN, array, depth);
    if (name == "CalCMYK") return deviceCMYK();
    if (std::shared_ptr<ColourSpace> device = deviceSpaceByName(name)) return device;
    return unusable(kColourErrorUnknownArray);
  }

  // The dictionary at index of array (resolved), or nullptr.
  const PdfObject* dictionaryAt(const PdfObject& array, std::size_t index, PdfObject& storage) {
    if (index >= array.elements.size()) return nullptr;
    const PdfObject& value = resolver_.resolved(array.elements[index], storage);
    return value.isDictOrStream() ? &value : nullptr;
  }

  std::shared_ptr<ColourSpace> calibrated(ColourFamily family, const PdfObject& array) {
    auto space = std::make_shared<ColourSpace>(family);
    if (family == ColourFamily::Lab) space->whitePoint = kWhiteD50;
    PdfObject storage;
    const PdfObject* dictionary = dictionaryAt(array, 1, storage);
    if (!dictionary) return space;
    std::vector<double> numbers;
    if (readNumbers(dictionary->lookup("WhitePoint"), resolver_, numbers) && numbers.size() >= 3)
      std::copy_n(numbers.begin(), 3, space->whitePoint.begin());
    if (readNumbers(dictionary->lookup("BlackPoint"), resolver_, numbers) && numbers.size() >= 3)
      std::copy_n(numbers.begin(), 3, space->blackPoint.begin());
    if (family == ColourFamily::Lab) {
      if (readNumbers(dictionary->lookup("Range"), resolver_, numbers) && numbers.size() >= 4)
        for (int i = 0; i < 4; ++i) space->labRange[i] = truncateToInt32(numbers[i]);
    } else if (family == ColourFamily::CalGray) {
      double gamma = 1.0;
      if (readNumber(dictionary->lookup("Gamma"), resolver_, gamma)) space->gamma.fill(gamma);
    } else if (readNumbers(dictionary->lookup("Gamma"), resolver_, numbers) &&
               numbers.size() >= 3) {
      std::copy_n(numbers.begin(), 3, space->gamma.begin());
    }
    return space;
  }

  std::shared_ptr<ColourSpace> iccBased(const PdfObject& array, int depth) {
    PdfObject storage;
    const PdfObject* stream = dictionaryAt(array, 1, storage);
    if (!stream) return unusable(kColourErrorUnknownArray);
    int32_t components = 0;
    readInteger(stream->lookup("N"), resolver_, components);

    std::vector<uint8_t> profile;
    uint32_t signature = 0;
    // A profile whose channels disagree with N is not the one the data was made for: the data
    // is read by N, as if the profile were unreadable.
    const bool readable = stream->isStream() && decodeQuietly(resolver_, *stream, profile) &&
                          readIccSignature(profile, signature);
    const bool mismatch = readable && components >= 1 &&
                          components <= ColourSpace::kMaxComponents &&
                          cmsChannelsOf(static_cast<cmsColorSpaceSignature>(signature)) !=
                              cmsUInt32Number(components);
    if (readable && !mismatch) {
      auto space = std::make_shared<ColourSpace>(ColourFamily::ICCBased);
      space->iccSignature = signature;
      if (components < 1 || components > ColourSpace::kMaxComponents)
        components = static_cast<int32_t>(
            std::min<cmsUInt32Number>(cmsChannelsOf(static_cast<cmsColorSpaceSignature>(signature)),
                                      ColourSpace::kMaxComponents));
      space->componentCount = components;
      if (signature == cmsSigLabData) {
        space->whitePoint = kWhiteD50;
        space->labRange = kIccLabRange;
      }
      return space;
    }

    // An unreadable profile: its Alternate, else the device family of its component count.
    if (const PdfObject* alternate = stream->lookup("Alternate")) {
      std::string alternateError;
      ColourSpaceBuilder inner(resolver_, &alternateError);
      std::shared_ptr<ColourSpace> space = inner.build(*alternate, depth + 1);
      if (alternateError.empty() && (!mismatch || space->componentCount == components))
        return space;
    }
    if (components == 3) return deviceRGB();
    if (components == 4) return deviceCMYK();
    return deviceGray();
  }

  std::shared_ptr<ColourSpace> indexed(const PdfObject& array, int depth) {
    if (array.elements.size() < 4) return unusable(kColourErrorUnknownArray);
    auto space = std::make_shared<ColourSpace>(ColourFamily::Indexed);
    space->base = build(array.elements[1], depth + 1);
    if (!readInteger(&array.elements[2], resolver_, space->hival)) space->hival = -1;

    PdfObject storage;
    const PdfObject& lookup = resolver_.resolved(array.elements[3], storage);
    std::vector<uint8_t> bytes;
    if (lookup.isString()) {
      bytes.assign(lookup.text.begin(), lookup.text.end());
    } else if (lookup.isStream()) {
      decodeQuietly(resolver_, lookup, bytes);
    }
    // Entries beyond the table or the lookup data stay 0; a base of more than four components
    // keeps its first four.
    const int32_t stride = std::max(0, space->base->componentCount);
    const int32_t kept = std::min(stride, ColourSpace::kIndexedEntryBytes);
    const int32_t entries = std::clamp(space->hival, -1, ColourSpace::kIndexedEntries - 1) + 1;
    for (int32_t i = 0; i < entries; ++i) {
      for (int32_t c = 0; c < kept; ++c) {
        const std::size_t from = static_cast<std::size_t>(i) * stride + c;
        if (from < bytes.size())
          space->lookup[static_cast<std::size_t>(i) * ColourSpace::kIndexedEntryBytes + c] =
              bytes[from];
      }
    }
    return space;
  }

  std::shared_ptr<ColourSpace> separation(ColourFamily family, const PdfObject& array, int depth) {
    if (array.elements.size() < 3) return unusable(kColourErrorUnknownArray);
    auto space = std::make_shared<ColourSpace>(family);
    if (family == ColourFamily::DeviceN) {
      PdfObject storage;
      const PdfObject& names = resolver_.resolved(array.elements[1], storage);
      space->componentCount =
          names.isArray() ? static_cast<int32_t>(std::max<std::size_t>(1, names.elements.size()))
                          : 1;
    }
    space->alternate = alternate(array.elements[2], depth);
    // The tint transform is the first dictionary or reference after the alternate.
    for (std::size_t i = 3; i < array.elements.size(); ++i) {
      const PdfObject& element = array.elements[i];
      if (element.isDictOrStream() || element.isReference()) {
        space->tintTransform = createFunction(element, resolver_);
        break;
      }
    }
    return space;
  }

  // The space the tint transform's outputs are converted with, decided by the alternate's name.
  std::shared_ptr<ColourSpace> alternate(const PdfObject& value, int depth) {
    PdfObject storage;
    const PdfObject& v = resolver_.resolved(value, storage);
    std::string name;
    if (v.isName()) {
      name = v.text;
    } else if (v.isArray() && !v.elements.empty()) {
      PdfObject firstStorage;
      const PdfObject& first = resolver_.resolved(v.elements[0], firstStorage);
      if (first.isName()) name = first.text;
    }
    const ColourFamily family = alternateFamily(name);
    switch (family) {
      case ColourFamily::DeviceGray:
        return deviceGray();
      case ColourFamily::DeviceRGB:
        return deviceRGB();
      case ColourFamily::DeviceCMYK:
        return deviceCMYK();
      case ColourFamily::CalRGB:
      case ColourFamily::CalGray:
      case ColourFamily::Lab:
      case ColourFamily::ICCBased:
        if (v.isArray()) {
          std::string alternateError;
          ColourSpaceBuilder inner(resolver_, &alternateError);
          std::shared_ptr<ColourSpace> space = inner.build(v, depth + 1);
          if (alternateError.empty()) return space;
          return std::make_shared<ColourSpace>(ColourFamily::Unknown);
        }
        if (family == ColourFamily::ICCBased)
          return std::make_shared<ColourSpace>(ColourFamily::Unknown);
        return calibrated(family, PdfObject());
      default:
        return std::make_shared<ColourSpace>(family);
    }
  }

  ObjectResolver& resolver_;
  std::string* error_;
};

}  // namespace

std::shared_ptr<ColourSpace> createColourSpace(const PdfObject& value, ObjectResolver& resolver,
                                               std::string* error) {
  ColourSpaceBuilder builder(resolver, error);
  return builder.build(value, 0);
}
