#pragma once
// The installed fonts as fontconfig knows them.

#include "platform/fonts/font_source.h"

struct _FcConfig;

namespace brevia::platform {

class FontconfigSource : public IFontSource {
 public:
  FontconfigSource();
  ~FontconfigSource() override;
  FontconfigSource(const FontconfigSource&) = delete;
  FontconfigSource& operator=(const FontconfigSource&) = delete;

  // Faces sorted by family, then weight, slant and width, so the regular face leads its family.
  bool listFaces(std::vector<InstalledFace>& out) override;
  // fontconfig's match (its aliases map Windows family names onto installed twins); a Type 1
  // result gives way to an sfnt file of the same family and style when one is installed.
  std::optional<FontLocation> matchFace(const FontQuery& query) override;

 private:
  // Loaded on first use.
  _FcConfig* config();

  _FcConfig* config_ = nullptr;
  bool configLoaded_ = false;
};

}  // namespace brevia::platform
