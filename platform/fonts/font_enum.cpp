#include "platform/fonts/font_enum.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/fonts/cjk_language.h"
#include "platform/fonts/font_name_text.h"
#include "platform/fonts/fontconfig_source.h"
#include "platform/system/program_paths.h"

using brevia::platform::contains;
using brevia::platform::endsWith;
using brevia::platform::equalsIgnoreCase;
using brevia::platform::FontLocation;
using brevia::platform::FontQuery;
using brevia::platform::InstalledFace;

namespace {

// Faces that stand for symbol sets: the fixed table decides for them, never the word match.
constexpr std::string_view kFixedStrikeOuts[] = {"Symbol", "Wingdings", "Wingdings 2",
                                                 "Wingdings 3", "ZapfDingbats"};
constexpr std::string_view kScriptFaces[] = {"Brush Script MT", "Freestyle Script",
                                             "Vladimir Script"};
// "Bold" and "Italic" at most, in either order, end a Windows face name.
constexpr int kMaxStyleWords = 2;

std::string styled(std::string_view base, bool bold, bool italic) {
  std::string name(base);
  if (bold) name += " Bold";
  if (italic) name += " Italic";
  return name;
}

bool isDingbatsFamily(std::string_view family) {
  return equalsIgnoreCase(family, "D050000L") ||
         contains(brevia::platform::lowerAscii(family), "dingbats");
}

// Families a name names often enough to outweigh a descriptor's flags, which producers often
// leave at "nonsymbolic" for every face.
enum class FamilyHint { None, Serif, Sans, Fixed };
constexpr std::string_view kSerifFamilies[] = {"times",        "georgia",           "garamond",
                                               "cambria",      "palatino",          "bookantiqua",
                                               "book antiqua", "centuryschoolbook", "bookman"};
constexpr std::string_view kSansFamilies[] = {"arial",   "helvetica", "verdana", "tahoma",
                                              "calibri", "trebuchet", "segoe"};
constexpr std::string_view kFixedFamilies[] = {"courier", "consolas", "lucidaconsole",
                                               "andalemono"};
// Style words after the family ("-BoldItalicMT", ",Black") that ask for a bold face.
constexpr std::string_view kBoldWords[] = {"Bold", "Black", "Heavy", "Semibold", "Demi"};

// The name without a subset prefix ("ABCDEF+").
std::string_view withoutSubset(std::string_view name) {
  const size_t plus = name.find('+');
  return plus == 6 ? name.substr(7) : name;
}

// The style part of a name: what follows the last '-' or ',' (empty without one).
std::string_view styleSuffix(std::string_view name) {
  const size_t cut = name.find_last_of("-,");
  return cut == std::string_view::npos ? std::string_view() : name.substr(cut + 1);
}

FamilyHint familyHint(std::string_view pdfName) {
  const std::string lower = brevia::platform::lowerAscii(withoutSubset(pdfName));
  for (std::string_view family : kFixedFamilies)
    if (contains(lower, family)) return FamilyHint::Fixed;
  for (std::string_view family : kSerifFamilies)
    if (contains(lower, family)) return FamilyHint::Serif;
  for (std::string_view family : kSansFamilies)
    if (contains(lower, family)) return FamilyHint::Sans;
  return FamilyHint::None;
}

// "Extra" in a name (but not in a Monotype one) is no word to match on.
void blankExtra(std::string& pdfName) {
  size_t extra = pdfName.find("Extra");
  if (extra != std::string::npos && !contains(pdfName, "MT")) pdfName.replace(extra, 5, 5, ' ');
}

}  // namespace

C_PDF_FontEnum& C_PDF_FontEnum::instance() {
  static C_PDF_FontEnum fontEnum(std::make_unique<brevia::platform::FontconfigSource>(),
                                 brevia::platform::dataDirectories());
  return fontEnum;
}

C_PDF_FontEnum::C_PDF_FontEnum(std::unique_ptr<brevia::platform::IFontSource> source,
                               std::vector<std::string> dataDirectories)
    : source_(std::move(source)), dataDirectories_(std::move(dataDirectories)) {}

C_PDF_FontEnum::~C_PDF_FontEnum() = default;

std::string C_PDF_FontEnum::reduceFullName(std::string_view fullName) {
  std::string reduced(fullName);
  if (brevia::platform::charCount(reduced) > kMaxReducedNameChars) {
    size_t cut = std::string::npos;
    for (size_t index = 1; index <= kMaxReducedNameChars; ++index) {
      size_t offset = brevia::platform::byteOffsetOfChar(reduced, index);
      if (offset < reduced.size() && reduced[offset] == ' ') {
        cut = offset;
        break;
      }
    }
    reduced = cut != std::string::npos
                  ? reduced.substr(0, cut)
                  : brevia::platform::truncateChars(reduced, kMaxReducedNameChars);
  }
  if (endsWith(reduced, " Italic")) reduced.resize(reduced.size() - 7);
  if (endsWith(reduced, " Bold")) reduced.resize(reduced.size() - 5);
  return reduced;
}

void C_PDF_FontEnum::ensureList() {
  if (!listBuilt_) buildList();
}

void C_PDF_FontEnum::buildList() {
  listBuilt_ = true;
  std::vector<InstalledFace> faces;
  // Without a list every installed-font search finds nothing and the style choice decides.
  if (!source_ || !source_->listFaces(faces)) return;

  // Families in the order first reported, each with its faces in list order. Family names
  // compare without case, as face names do on the system we follow.
  std::vector<std::string> familyOrder;
  std::unordered_map<std::string, std::vector<size_t>> familyFaces;
  for (size_t i = 0; i < faces.size(); ++i) {
    std::string key = brevia::platform::lowerAscii(faces[i].family);
    auto [entry, added] = familyFaces.try_emplace(key);
    if (added) familyOrder.push_back(key);
    entry->second.push_back(i);
  }

  std::unordered_set<std::string> listedNames;
  std::string previous;
  for (const std::string& key : familyOrder) {
    const std::vector<size_t>& own = familyFaces[key];
    const InstalledFace& leading = faces[own.front()];
    if (leading.fullName == "Arial Unicode MS") arialUnicode_ = true;
    std::string reduced = reduceFullName(leading.fullName);
    if (reduced == previous) continue;
    previous = reduced;
    // The reduced full name names the family whose faces are listed. A name such as
    // "Noto Sans Mono Regular" names no family; its own faces are listed then, not lost.
    auto named = familyFaces.find(brevia::platform::lowerAscii(reduced));
    const std::vector<size_t>& members = named != familyFaces.end() ? named->second : own;
    for (size_t index : members) {
      const InstalledFace& face = faces[index];
      if (!face.trueType && face.fullName != "Symbol") continue;
      C_PDF_FontNameElement element(face);
      if (listedNames.count(element.fullName()) != 0) continue;
      if (elements_.size() >= kMaxInstalledFaces) break;
      listedNames.insert(element.fullName());
      elements_.push_back(std::move(element));
    }
    if (elements_.size() >= kMaxInstalledFaces) break;
  }
  for (std::string_view name : kFixedStrikeOuts) strikeOut(name);
}

std::vector<C_PDF_FontNameElement> C_PDF_FontEnum::elements() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  ensureList();
  return elements_;
}

bool C_PDF_FontEnum::arialUnicodeInstalled() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  ensureList();
  return arialUnicode_;
}

void C_PDF_FontEnum::strikeOut(std::string_view fullName) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  ensureList();
  for (C_PDF_FontNameElement& element : elements_) {
    if (element.fullName() == fullName) element.strikeOut();
  }
}

std::optional<std::string> C_PDF_FontEnum::fixedFace(const std::string& name) const {
  if (contains(name, "ZapfDingbats")) return std::string(kZapfDingbatsFace);
  if (name == "Times-Roman") return "Times New Roman";
  if (name == "Times-Bold") return "Times New Roman Bold";
  if (name == "Times-Italic") return "Times New Roman Italic";
  if (name == "Times-BoldItalic") return "Times New Roman Bold Italic";
  if (contains(name, "Helvetica")) {
    std::string face = "Arial";
    if (contains(name, "Condensed")) face += " Narrow";
    if (contains(name, "Bold")) face += " Bold";
    if (contains(name, "Oblique") || contains(name, "Italic")) face += " Italic";
    return face;
  }
  if (name == "Courier") return "Courier New";
  if (name == "Courier-Bold") return "Courier New Bold";
  if (name == "Courier-Oblique") return "Courier New Italic";
  if (name == "Courier-BoldOblique") return "Courier New Bold Italic";
  if (contains(name, "+Symbol") || name.rfind("Symbol", 0) == 0) return "Symbol";
  if (contains(name, "Wingdings3") || contains(name, "Wingdings.3")) return "Wingdings 3";
  if (contains(name, "Wingdings2") || contains(name, "Wingdings.2")) return "Wingdings 2";
  if (contains(name, "Wingdings")) return "Wingdings";
  return std::nullopt;
}

std::optional<std::string> C_PDF_FontEnum::noEligibleFace(const std::string& name) const {
  if (contains(name, "FuturaMdCnBT") || contains(name, "EGEGBF+MyriadMM_700_600_") ||
      contains(name, "EGEPGJ+MyriadMM_830_600_")) {
    return "Arial Bold";
  }
  if (contains(name, "Frutiger-BoldItalic")) return "Arial Bold Italic";
  if (contains(name, "Frutiger-Bold")) return "Arial Bold";
  if (contains(name, "Frutiger")) return "Arial";
  if (contains(name, "Sabon"))
    return styled("Times New Roman", contains(name, "Bold"), contains(name, "Italic"));
  return std::nullopt;
}

bool C_PDF_FontEnum::unmatched(const std::string& pdfName, std::string& faceName) {
  if (!returnUnmatchedName_) {
    faceName.clear();
    return false;
  }
  faceName = brevia::platform::truncateChars(pdfName, kMaxOutputNameChars);
  return true;
}

bool C_PDF_FontEnum::matchName(std::string& pdfName, std::string& faceName,
                               std::string* familyName) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (familyName != nullptr) familyName->clear();
  blankExtra(pdfName);

  if (std::optional<std::string> fixed = fixedFace(pdfName)) {
    faceName = *fixed;
    return true;
  }

  ensureList();
  // A "Goudy Stout" face is a display face; it never displaces another Goudy for a plain Goudy
  // name.
  const bool plainGoudy = contains(pdfName, "Goudy") && !contains(pdfName, "Stout");
  const C_PDF_FontNameElement* best = nullptr;
  for (C_PDF_FontNameElement& element : elements_) {
    element.scoreAgainst(pdfName);
    if (!element.eligible()) continue;
    if (best == nullptr || element.score() > best->score()) {
      best = &element;
    } else if (element.score() == best->score() && element.mismatches() < best->mismatches()) {
      bool stout = contains(element.fullName(), "Goudy") && contains(element.fullName(), "Stout");
      if (!(stout && plainGoudy)) best = &element;
    }
  }
  if (best != nullptr) {
    // One shared word and several strange ones: an "Old ..." face is too far off to stand in.
    if (best->score() == 1 && best->mismatches() > 1 && best->hasWord("Old"))
      return unmatched(pdfName, faceName);
    faceName = best->fullName();
    if (familyName != nullptr) *familyName = best->faceName();
    return true;
  }
  if (std::optional<std::string> substitute = noEligibleFace(pdfName)) {
    faceName = *substitute;
    return true;
  }
  return unmatched(pdfName, faceName);
}

std::optional<std::string> C_PDF_FontEnum::fixedMatch(std::string pdfName) const {
  blankExtra(pdfName);
  return fixedFace(pdfName);
}

bool C_PDF_FontEnum::nameAsksBold(std::string_view pdfName) {
  const std::string_view name = withoutSubset(pdfName);
  if (contains(name, "Bold")) return true;
  const std::string_view suffix = styleSuffix(name);
  for (std::string_view word : kBoldWords)
    if (contains(suffix, word)) return true;
  return false;
}

bool C_PDF_FontEnum::nameAsksItalic(std::string_view pdfName) {
  const std::string_view name = withoutSubset(pdfName);
  if (contains(name, "Italic") || contains(name, "Oblique")) return true;
  // "MinionPro-It", "MyriadPro-BoldIt", "Arial,BoldIt".
  std::string_view suffix = styleSuffix(name);
  if (endsWith(suffix, "MT")) suffix.remove_suffix(2);
  return endsWith(suffix, "It");
}

std::string C_PDF_FontEnum::chooseByStyle(const S_FontStyleFlags& style) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const bool bold = style.bold || nameAsksBold(style.baseFont);
  const bool italic = style.italic || nameAsksItalic(style.baseFont);
  const FamilyHint hint = familyHint(style.baseFont);
  if (style.symbolic && hint == FamilyHint::None)
    return arialUnicodeInstalled() ? "Arial Unicode MS" : "Arial";
  if (style.fixedPitch || hint == FamilyHint::Fixed) return styled("Courier New", bold, italic);
  if (style.script && hint == FamilyHint::None) {
    ensureList();
    for (std::string_view script : kScriptFaces) {
      for (const C_PDF_FontNameElement& element : elements_) {
        if (equalsIgnoreCase(element.fullName(), script)) return element.fullName();
      }
    }
    for (const C_PDF_FontNameElement& element : elements_) {
      if (contains(element.fullName(), "Script")) return element.fullName();
    }
    return bold ? "Times New Roman Bold Italic" : "Times New Roman Italic";
  }
  if ((style.serif && hint != FamilyHint::Sans) || hint == FamilyHint::Serif)
    return styled("Times New Roman", bold, italic);
  return styled("Arial", bold, italic);
}

std::optional<FontLocation> C_PDF_FontEnum::zapfDingbatsLocation() {
  std::string beside = brevia::platform::findDataFile(kZapfDingbatsFile, dataDirectories_);
  if (!beside.empty()) return FontLocation{beside, 0, "ZapfDingbats"};
  if (!source_) return std::nullopt;
  for (const char* family : {"D050000L", "Dingbats"}) {
    FontQuery query;
    query.family = family;
    std::optional<FontLocation> found = source_->matchFace(query);
    // fontconfig always answers; a general substitute is no Dingbats face.
    if (found && isDingbatsFamily(found->family)) return found;
  }
  return std::nullopt;
}

std::optional<FontLocation> C_PDF_FontEnum::locateFace(std::string_view faceName,
                                                       std::string_view language) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (faceName == kZapfDingbatsFace) return zapfDingbatsLocation();
  ensureList();
  for (const C_PDF_FontNameElement& element : elements_) {
    if (!element.struckOut() && !element.file().empty() &&
        equalsIgnoreCase(element.fullName(), faceName)) {
      return FontLocation{element.file(), element.faceIndex(), element.faceName()};
    }
  }
  if (!source_ || faceName.empty()) return std::nullopt;
  FontQuery query;
  query.family = std::string(faceName);
  for (int i = 0; i < kMaxStyleWords; ++i) {
    if (endsWith(query.family, " Italic") && query.family.size() > 7) {
      query.italic = true;
      query.family.resize(query.family.size() - 7);
    } else if (endsWith(query.family, " Bold") && query.family.size() > 5) {
      query.bold = true;
      query.family.resize(query.family.size() - 5);
    }
  }
  query.language = language.empty() ? brevia::platform::languageForFaceName(query.family)
                                    : std::string(language);
  return source_->matchFace(query);
}

std::optional<S_SystemFontData> C_PDF_FontEnum::dataAt(const FontLocation& location) {
  std::shared_ptr<const std::vector<uint8_t>> bytes = files_.read(location.file);
  if (!bytes) return std::nullopt;
  S_SystemFontData data;
  data.bytes = *bytes;
  data.faceIndex = location.faceIndex;
  data.collection = data.bytes.size() >= 4 && std::memcmp(data.bytes.data(), "ttcf", 4) == 0;
  data.path = location.file;
  return data;
}

std::optional<S_SystemFontData> C_PDF_FontEnum::systemFontData(std::string_view faceName,
                                                               std::string_view language) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::optional<FontLocation> location = locateFace(faceName, language);
  if (!location) return std::nullopt;
  return dataAt(*location);
}

std::optional<S_SystemFontData> C_PDF_FontEnum::zapfDingbatsSubstitute() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::optional<FontLocation> location = zapfDingbatsLocation();
  if (!location) return std::nullopt;
  return dataAt(*location);
}
