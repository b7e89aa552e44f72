#include "platform/system/program_paths.h"

#include <sys/stat.h>
#include <unistd.h>

namespace brevia::platform {

std::string programDirectory() {
  std::string path;
  for (size_t size = 256; size <= kMaxProgramPathBytes; size *= 2) {
    path.resize(size);
    ssize_t got = ::readlink("/proc/self/exe", path.data(), size);
    if (got < 0) return {};
    if (static_cast<size_t>(got) < size) {
      path.resize(static_cast<size_t>(got));
      size_t slash = path.rfind('/');
      if (slash == std::string::npos) return {};
      path.resize(slash == 0 ? 1 : slash);
      return path;
    }
    // The name filled the buffer and may have been cut: try a larger one.
  }
  return {};
}

std::vector<std::string> dataDirectories() {
  std::string program = programDirectory();
  if (program.empty()) return {};
  std::vector<std::string> folders{program};
  size_t slash = program.rfind('/');
  std::string prefix =
      slash == std::string::npos || slash == 0 ? std::string() : program.substr(0, slash);
  folders.push_back(prefix + "/share/brevia");
  return folders;
}

std::string findDataFile(std::string_view name, const std::vector<std::string>& directories) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos) {
    return {};
  }
  for (const std::string& folder : directories) {
    if (folder.empty()) continue;
    std::string path = folder;
    if (path.back() != '/') path.push_back('/');
    path.append(name);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return path;
  }
  return {};
}

std::string findDataFile(std::string_view name) { return findDataFile(name, dataDirectories()); }

}  // namespace brevia::platform
