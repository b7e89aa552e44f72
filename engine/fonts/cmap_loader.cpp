#include "engine/fonts/cmap_loader.h"

#include <cstdlib>
#include <mutex>
#include <set>

#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"
#include "platform/net/http_client.h"
#include "platform/system/file_store.h"
#include "platform/system/program_paths.h"

namespace CMaps {

namespace Messages = Corvalis::PDFConverter::Messages;
namespace Platform = brevia::platform;

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

std::mutex g_mutex;  // guards the value below
std::string g_serverSetting;
// Per thread: a thread drawing ahead in the background that meets a missing CMap is told no
// without using up the question the interface thread will ask when it draws the page itself.
thread_local std::set<std::string, std::less<>> g_requestedNames;

// Remembers name; false when it was already requested in this run (or the list is full).
bool rememberRequest(std::string_view name) {
  if (g_requestedNames.find(name) != g_requestedNames.end()) return false;
  if (g_requestedNames.size() >= kMaxRequestedCMapNames) return false;
  g_requestedNames.emplace(name);
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

std::string applicationDataCMapFolder() { return Platform::userDataPath("Corvalis/CMaps"); }

std::vector<std::string> cmapSearchFolders() {
  std::vector<std::string> folders;
  for (const std::string& data : Platform::dataDirectories()) {
    folders.push_back(Platform::withoutTrailingSlashes(data) + "/CMaps");
  }
  std::string appData = applicationDataCMapFolder();
  if (!appData.empty()) folders.push_back(std::move(appData));
  for (const char* root : kSystemCMapRoots) {
    if (!Platform::isDirectory(root)) continue;
    folders.emplace_back(root);
    for (std::string& sub : Platform::subfolders(root, kMaxSystemSubfolders))
      folders.push_back(std::move(sub));
  }
  for (const std::string& version : Platform::subfolders(kGhostscriptRoot, kMaxSystemSubfolders)) {
    std::string resources = version + "/Resource/CMap";
    if (Platform::isDirectory(resources)) folders.push_back(std::move(resources));
  }
  return folders;
}

std::string findCMapFile(std::string_view name) {
  if (!isValidCMapName(name)) return {};
  for (const std::string& folder : cmapSearchFolders()) {
    std::string path = folder + "/" + std::string(name);
    if (Platform::isReadableFile(path)) return path;
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
    // An existing folder is fine; one that cannot be made fails when the file is stored.
    if (!folder.empty()) Platform::createFolders(folder);

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
    // Stored whole or not at all, so an interrupted download never leaves a partial CMap.
    const std::string path =
        folder.empty() ? std::string() : Platform::writeFileAtomically(folder, name, response.body);
    if (path.empty()) {
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
