#pragma once
// The CMaps built into the program, so the most common fonts need no file.

#include <string_view>

namespace CMaps {

// The resource text of the built-in CMap "Identity-H", "Identity-V" or "Adobe-Identity-UCS2";
// empty for any other name.
std::string_view builtInCMapText(std::string_view name);

}  // namespace CMaps
