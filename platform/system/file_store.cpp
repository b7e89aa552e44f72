#include "platform/system/file_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace brevia::platform {

bool isReadableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), R_OK) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> subfolders(const std::string& folder, std::size_t maxCount) {
  std::vector<std::string> found;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (found.size() >= maxCount) break;
    std::string path = it->path().string();
    if (isDirectory(path)) found.push_back(std::move(path));
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  struct passwd entry {};
  struct passwd* result = nullptr;
  std::vector<char> buffer(kPasswdBufferBytes);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir && result->pw_dir[0] == '/') {
    return result->pw_dir;
  }
  return {};
}

std::string userDataPath(std::string_view relative) {
  std::string base;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') {
    base = withoutTrailingSlashes(dataHome);
  } else {
    std::string home = homeFolder();
    if (home.empty()) return {};
    base = withoutTrailingSlashes(home) + "/.local/share";
  }
  if (base == "/") base.clear();
  return base + "/" + std::string(relative);
}

bool createFolders(const std::string& folder) {
  std::error_code ignored;  // an existing folder is fine; isDirectory tells the outcome
  std::filesystem::create_directories(folder, ignored);
  return isDirectory(folder);
}

std::string writeFileAtomically(const std::string& folder, std::string_view name,
                                std::string_view body) {
  if (folder.empty() || name.empty() || name == "." || name == ".." ||
      name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos) {
    return {};
  }
  std::string temporary = folder + "/." + std::string(name) + ".XXXXXX";
  int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) return {};
  bool written = true;
  std::size_t done = 0;
  while (done < body.size()) {
    ssize_t n = ::write(descriptor, body.data() + done, body.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (written && ::fsync(descriptor) != 0) written = false;
  if (::close(descriptor) != 0) written = false;
  // mkostemp creates the file readable by the owner only; a stored file is ordinary data.
  if (written) ::chmod(temporary.c_str(), 0644);
  std::string path = folder + "/" + std::string(name);
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return {};
  }
  return path;
}

}  // namespace brevia::platform
