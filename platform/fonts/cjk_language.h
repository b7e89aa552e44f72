#pragma once
// Languages that steer the system font lookup towards a face of the right script. fontconfig
// knows no aliases for the Windows CJK faces, but a language in the query picks a CJK font.

#include <string>
#include <string_view>

namespace brevia::platform {

// "zh-cn", "zh-tw", "ja" or "ko" for a CID character collection such as "Adobe-GB1", "Adobe-CNS1",
// "Adobe-Japan1", "Adobe-Korea1" (the ordering alone, e.g. "Japan1", works too); empty otherwise.
std::string languageForCharacterCollection(std::string_view collection);

// The language of a common Windows CJK face name ("SimSun", "MingLiU", "MS Mincho", "Batang", ...,
// compared without case); empty for other names.
std::string languageForFaceName(std::string_view family);

}  // namespace brevia::platform
