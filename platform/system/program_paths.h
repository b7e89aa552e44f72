#pragma once
// Where the program finds files that ship with it: the folder of its own executable, and for an
// installed build the data folder share/brevia beside the bin folder.

#include <string>
#include <string_view>
#include <vector>

namespace brevia::platform {

// Longest executable path we accept from /proc/self/exe.
inline constexpr size_t kMaxProgramPathBytes = 64 * 1024;

// Absolute folder of the running executable without a trailing slash; empty when unknown.
std::string programDirectory();

// The folders searched for files beside the program, in order: the program's folder, then
// <program folder>/../share/brevia. Empty when the program's folder is unknown.
std::vector<std::string> dataDirectories();

// The first regular file called `name` in `directories`; empty when there is none. Only a plain
// file name is accepted (no slash, not "." or ".."), so data never becomes a path elsewhere.
std::string findDataFile(std::string_view name, const std::vector<std::string>& directories);

// Same, searching dataDirectories().
std::string findDataFile(std::string_view name);

}  // namespace brevia::platform
