#include "platform/fonts/fontconfig_source.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>
#include <tuple>

namespace brevia::platform {
namespace {

// fontconfig keeps several names per face (typographic and legacy, localised); a pattern never
// holds more than a handful, this only bounds the walk.
constexpr int kMaxNamesPerFace = 64;

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;

std::string stringValue(FcPattern* pattern, const char* object, int index = 0) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch || value == nullptr)
    return {};
  return reinterpret_cast<const char*>(value);
}

int intValue(FcPattern* pattern, const char* object, int fallback) {
  int value = fallback;
  return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

bool boolValue(FcPattern* pattern, const char* object, bool fallback) {
  FcBool value = fallback ? FcTrue : FcFalse;
  return FcPatternGetBool(pattern, object, 0, &value) == FcResultMatch ? value != FcFalse
                                                                       : fallback;
}

// The English name, as a Windows machine in English reports it; fontconfig lists the typographic
// name before the legacy one, so the last English value is the legacy name.
std::string englishName(FcPattern* pattern, const char* object, const char* langObject) {
  std::string chosen;
  for (int i = 0; i < kMaxNamesPerFace; ++i) {
    std::string name = stringValue(pattern, object, i);
    if (name.empty()) break;
    std::string lang = stringValue(pattern, langObject, i);
    if (i == 0 || lang == "en" || lang.rfind("en-", 0) == 0) chosen = name;
  }
  return chosen;
}

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool hasSfntExtension(const std::string& file) {
  size_t dot = file.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = lowerAscii(std::string_view(file).substr(dot + 1));
  return ext == "ttf" || ext == "ttc" || ext == "otf" || ext == "otc";
}

// Scalable TrueType or OpenType outlines: the faces a Windows machine reports as TrueType.
bool isSfntOutline(FcPattern* pattern) {
  if (!boolValue(pattern, FC_SCALABLE, false) || !boolValue(pattern, FC_OUTLINE, false))
    return false;
  std::string format = stringValue(pattern, FC_FONTFORMAT);
  if (format == "TrueType") return true;
  return format == "CFF" && hasSfntExtension(stringValue(pattern, FC_FILE));
}

std::string fullNameOf(FcPattern* pattern, const std::string& family) {
  std::string full = englishName(pattern, FC_FULLNAME, FC_FULLNAMELANG);
  if (!full.empty()) return full;
  std::string style = englishName(pattern, FC_STYLE, FC_STYLELANG);
  return style.empty() || style == "Regular" ? family : family + " " + style;
}

struct ListedFace {
  InstalledFace face;
  std::string familyKey;
  int weight = 0;
  int slant = 0;
  int width = 0;
};

}  // namespace

FontconfigSource::FontconfigSource() = default;

_FcConfig* FontconfigSource::config() {
  // Reading the configuration and the font cache takes time and memory; documents whose fonts
  // are all embedded never need it.
  if (!configLoaded_) {
    configLoaded_ = true;
    config_ = FcInitLoadConfigAndFonts();
  }
  return config_;
}

FontconfigSource::~FontconfigSource() {
  if (config_ != nullptr) FcConfigDestroy(config_);
}

bool FontconfigSource::listFaces(std::vector<InstalledFace>& out) {
  out.clear();
  if (config() == nullptr) return false;
  PatternPtr all(FcPatternCreate());
  ObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FULLNAME, FC_FULLNAMELANG,
                                        FC_STYLE, FC_STYLELANG, FC_FONTFORMAT, FC_SCALABLE,
                                        FC_OUTLINE, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT,
                                        FC_WIDTH, FC_VARIABLE, nullptr));
  if (!all || !objects) return false;
  FontSetPtr set(FcFontList(config_, all.get(), objects.get()));
  if (!set) return false;

  std::vector<ListedFace> listed;
  listed.reserve(static_cast<size_t>(std::max(set->nfont, 0)));
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* pattern = set->fonts[i];
    // A variable font is listed once as a whole and once per named instance; the instances are the
    // faces.
    if (boolValue(pattern, FC_VARIABLE, false)) continue;
    ListedFace entry;
    entry.face.family = englishName(pattern, FC_FAMILY, FC_FAMILYLANG);
    if (entry.face.family.empty()) continue;
    entry.face.fullName = fullNameOf(pattern, entry.face.family);
    entry.face.trueType = isSfntOutline(pattern);
    entry.face.file = stringValue(pattern, FC_FILE);
    entry.face.faceIndex = intValue(pattern, FC_INDEX, 0);
    entry.familyKey = lowerAscii(entry.face.family);
    entry.weight = intValue(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    entry.slant = intValue(pattern, FC_SLANT, FC_SLANT_ROMAN);
    entry.width = intValue(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
    listed.push_back(std::move(entry));
  }
  // fontconfig's own order is that of its hash table; sorting makes the list the same on every run.
  std::sort(listed.begin(), listed.end(), [](const ListedFace& a, const ListedFace& b) {
    auto key = [](const ListedFace& f) {
      return std::tie(f.familyKey, f.width, f.weight, f.slant, f.face.fullName, f.face.file,
                      f.face.faceIndex);
    };
    return key(a) < key(b);
  });
  out.reserve(listed.size());
  for (ListedFace& entry : listed) out.push_back(std::move(entry.face));
  return true;
}

std::optional<FontLocation> FontconfigSource::matchFace(const FontQuery& query) {
  if (query.family.empty() || config() == nullptr) return std::nullopt;
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern.get(), FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(query.family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, query.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, query.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  if (!query.language.empty()) {
    std::string language = lowerAscii(query.language);
    FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
  }
  if (!FcConfigSubstitute(config_, pattern.get(), FcMatchPattern)) return std::nullopt;
  FcDefaultSubstitute(pattern.get());

  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(config_, pattern.get(), &result));
  if (!match) return std::nullopt;
  FcPattern* chosen = match.get();
  FontSetPtr sorted;
  if (!isSfntOutline(chosen)) {
    // Type 1 twins of the base-35 faces are installed beside their OpenType versions; the
    // OpenType file behaves like the TrueType fonts the loader expects.
    sorted.reset(FcFontSort(config_, pattern.get(), FcFalse, nullptr, &result));
    std::string family = englishName(chosen, FC_FAMILY, FC_FAMILYLANG);
    int weight = intValue(chosen, FC_WEIGHT, FC_WEIGHT_REGULAR);
    int slant = intValue(chosen, FC_SLANT, FC_SLANT_ROMAN);
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
      FcPattern* candidate = sorted->fonts[i];
      if (isSfntOutline(candidate) && englishName(candidate, FC_FAMILY, FC_FAMILYLANG) == family &&
          intValue(candidate, FC_WEIGHT, FC_WEIGHT_REGULAR) == weight &&
          intValue(candidate, FC_SLANT, FC_SLANT_ROMAN) == slant) {
        chosen = candidate;
        break;
      }
    }
  }
  FontLocation location;
  location.file = stringValue(chosen, FC_FILE);
  location.faceIndex = intValue(chosen, FC_INDEX, 0);
  location.family = englishName(chosen, FC_FAMILY, FC_FAMILYLANG);
  if (location.file.empty()) return std::nullopt;
  return location;
}

}  // namespace brevia::platform
