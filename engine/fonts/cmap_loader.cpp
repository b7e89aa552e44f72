#include "engine/fonts/cmap_loader.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"
#include "platform/net/http_client.h"
#include "platform/system/program_paths.h"

namespace CMaps {

namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

// Where the system keeps Adobe's CMap resources, one folder per character collection.
constexpr const char* kSystemCMapRoots[] = {"/usr/share/poppler/cMap", "/usr/share/fonts/cmap"};
constexpr const char kGhostscriptRoot[] = "/usr/share/ghostscript";
// Folders listed per system root; the real ones hold fewer than ten.
constexpr std::size_t kMaxSystemSubfolders = 256;

constexpr const char kAcceptHeader[] =
    "Accept: audio/x-aiff, audio/basic, audio/midi, audio/mpeg, audio/wav, image/jpeg, "
    "image/gif, image/jpg, image/png, image/mng, image/bmp, text/plain, text/html, text/htm";
constexpr const char kUserAgentHeader[] = "User-Agent: Quillon/1.0";
constexpr std::chrono::milliseconds kConnectTimeout{30000};
constexpr std::chrono::milliseconds kConnectBackOff{1000};
constexpr int kConnectRetries = 1;
constexpr int kHttpOk = 200;
constexpr int kHttpUnauthorized = 401;

std::mutex g_mutex;  // guards the two values below
std::set<std::string, std::less<>> g_requestedNames;
std::string g_serverSetting;

bool isReadableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), R_OK) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The sub-folders of folder, sorted so the search order does not depend on the file system.
std::vector<std::string> subfolders(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (found.size() >= kMaxSystemSubfolders) break;
    std::string path = it->path().string();
    if (isDirectory(path)) found.push_back(std::move(path));
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  struct passwd entry {};
  struct passwd* result = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir && result->pw_dir[0] == '/') {
    return result->pw_dir;
  }
  return {};
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Remembers name; false when it was already requested in this run (or the list is full).
bool rememberRequest(std::string_view name) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_requestedNames.find(name) != g_requestedNames.end()) return false;
  if (g_requestedNames.size() >= kMaxRequestedCMapNames) return false;
  g_requestedNames.emplace(name);
  return true;
}

// Writes body to a temporary file in folder and renames it to name only when all of it is on
// disk, so an interrupted download never leaves a partial CMap behind.
bool storeFile(const std::string& folder, std::string_view name, const std::string& body,
               std::string& path) {
  std::string temporary = folder + "/." + std::string(name) + ".XXXXXX";
  int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) return false;
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
  // mkostemp creates the file readable by the owner only; a stored CMap is ordinary data.
  if (written) ::chmod(temporary.c_str(), 0644);
  path = folder + "/" + std::string(name);
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    path.clear();
    return false;
  }
  return true;
}

}  // namespace

bool isValidCMapName(std::string_view name) {
  if (name.empty() || name.size() > kMaxCMapNameLength) return false;
  if (name.find("..") != std::string_view::npos) return false;
  for (char c : name) {
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
    if (!allowed) return false;
  }
  // "." alone names the folder itself.
  return name != ".";
}

std::string applicationDataCMapFolder() {
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
  return base + "/Corvalis/CMaps";
}

std::vector<std::string> cmapSearchFolders() {
  std::vector<std::string> folders;
  for (const std::string& data : brevia::platform::dataDirectories()) {
    folders.push_back(withoutTrailingSlashes(data) + "/CMaps");
  }
  std::string appData = applicationDataCMapFolder();
  if (!appData.empty()) folders.push_back(std::move(appData));
  for (const char* root : kSystemCMapRoots) {
    if (!isDirectory(root)) continue;
    folders.emplace_back(root);
    for (std::string& sub : subfolders(root)) folders.push_back(std::move(sub));
  }
  for (const std::string& version : subfolders(kGhostscriptRoot)) {
    std::string resources = version + "/Resource/CMap";
    if (isDirectory(resources)) folders.push_back(std::move(resources));
  }
  return folders;
}

std::string findCMapFile(std::string_view name) {
  if (!isValidCMapName(name)) return {};
  for (const std::string& folder : cmapSearchFolders()) {
    std::string path = folder + "/" + std::string(name);
    if (isReadableFile(path)) return path;
  }
  return {};
}

std::string cmapServerAddress() {
  const char* variable = std::getenv(kCMapServerVariable);
  if (variable && variable[0]) return variable;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_serverSetting.empty()) return g_serverSetting;
  }
  return kDefaultCMapServer;
}

void setCMapServerAddressSetting(std::string address) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_serverSetting = std::move(address);
}

std::string requestCMapDownload(std::string_view name) {
  if (!isValidCMapName(name) || !rememberRequest(name)) return {};
  if (!Messages::InteractiveQuery()) {
    Messages::ReportWithArgument(Messages::kMsgCMapNotFound, 1, name);
    return {};
  }
  if (Messages::AskDownloadCMap(name) != Messages::kAnswerYes) return {};
  return downloadCMap(name);
}

std::string downloadCMap(std::string_view name) {
  if (!isValidCMapName(name)) return {};
  try {
    const std::string folder = applicationDataCMapFolder();
    if (!folder.empty()) {
      std::error_code ignored;  // an existing folder is fine; a missing one fails below
      std::filesystem::create_directories(folder, ignored);
    }

    std::string url = cmapServerAddress();
    if (url.back() != '/') url.push_back('/');
    url.append(name);
    brevia::net::HttpOptions options;
    options.connectTimeout = kConnectTimeout;
    options.connectRetries = kConnectRetries;
    options.retryDelay = kConnectBackOff;
    options.headers = {kAcceptHeader, kUserAgentHeader};
    options.maxBodyBytes = kMaxCMapDownloadBytes;
    const brevia::net::HttpResponse response = brevia::net::httpGet(url, options);

    if (response.failed()) {
      Messages::ReportWithArgument(Messages::kMsgInternetError, 1, response.error);
      return {};
    }
    if (response.status == kHttpUnauthorized) {
      Messages::Report(Messages::kMsgDownloadAccessDenied, 1);
      return {};
    }
    if (response.status != kHttpOk) {
      Messages::Report(Messages::kMsgDownloadNotFound, 1);
      return {};
    }
    std::string path;
    if (folder.empty() || !storeFile(folder, name, response.body, path)) {
      Messages::Report(Messages::kMsgUnknownException, 1);
      return {};
    }
    return path;
  } catch (...) {
    Messages::Report(Messages::kMsgUnknownException, 1);
    return {};
  }
}

}  // namespace CMaps
