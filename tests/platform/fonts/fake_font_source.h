#pragma once
// A fixed list of installed faces and a recorded face lookup, for the matcher's tests.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/fonts/font_enum.h"
#include "platform/fonts/font_source.h"

namespace fonts_testing {

using brevia::platform::FontLocation;
using brevia::platform::FontQuery;
using brevia::platform::InstalledFace;

inline InstalledFace Face(std::string fullName, std::string family, bool trueType = true,
                          std::string file = {}, int faceIndex = 0) {
  return InstalledFace{std::move(fullName), std::move(family), trueType, std::move(file),
                       faceIndex};
}

class FakeFontSource : public brevia::platform::IFontSource {
 public:
  explicit FakeFontSource(std::vector<InstalledFace> faces, bool listWorks = true)
      : faces_(std::move(faces)), listWorks_(listWorks) {}

  bool listFaces(std::vector<InstalledFace>& out) override {
    ++listings;
    out = faces_;
    return listWorks_;
  }
  std::optional<FontLocation> matchFace(const FontQuery& query) override {
    queries.push_back(query);
    return answer;
  }

  std::vector<FontQuery> queries;
  int listings = 0;  // times the list was asked for
  std::optional<FontLocation> answer = FontLocation{"/fonts/substitute.ttf", 0, "Substitute"};

 private:
  std::vector<InstalledFace> faces_;
  bool listWorks_;
};

// A matcher over a fixed list; `source` stays readable while the matcher lives.
struct FakeFonts {
  explicit FakeFonts(std::vector<InstalledFace> faces,
                     std::vector<std::string> dataDirectories = {}) {
    auto owned = std::make_unique<FakeFontSource>(std::move(faces));
    source = owned.get();
    fonts = std::make_unique<C_PDF_FontEnum>(std::move(owned), std::move(dataDirectories));
  }
  // The face matchName gives, or "<none>".
  std::string match(std::string pdfName, std::string* family = nullptr) {
    std::string face;
    return fonts->matchName(pdfName, face, family) ? face : "<none>";
  }
  FakeFontSource* source = nullptr;
  std::unique_ptr<C_PDF_FontEnum> fonts;
};

}  // namespace fonts_testing
