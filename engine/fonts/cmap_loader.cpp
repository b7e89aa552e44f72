#include "engine/fonts/cmap_loader.h"

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>

#include "engine/document/lex_source.h"
#include "engine/document/pdf_lexer.h"
#include "engine/fonts/cmap.h"
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

std::mutex g_mutex;  // guards the values below
std::string g_serverSetting;
// Names handed to a handler: once per run.
std::set<std::string, std::less<>> g_handedNames;
thread_local MissingCMapHandler g_missingHandler;
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

std::string cmapFetchAddress(const std::string& address) {
  constexpr std::string_view kSecure = "https://", kPlain = "http://";
  auto startsWith = [&](std::string_view prefix) {
    if (address.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(address[i])) != prefix[i]) return false;
    return true;
  };
  if (startsWith(kSecure) || startsWith(kPlain)) return address;
  if (address.find("://") != std::string::npos) return {};
  return std::string(kSecure) + address;
}

bool looksLikeCMap(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxCMapDownloadBytes) return false;
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<int64_t>(bytes.size()));
  PdfLexer lexer(&buffer);
  PdfObject object;
  bool begun = false;
  std::size_t entries = 0;
  for (std::size_t read = 0; read < kMaxCMapCheckObjects; ++read) {
    if (!lexer.readObject(object)) return false;  // the file ended before endcmap
    if (object.kind == PdfObjectKind::Keyword) {
      if (object.text == "begincmap") begun = true;
      if (object.text == "endcmap") return begun;
    } else if (object.kind == PdfObjectKind::String && begun && ++entries > 3 * kMaxCMapEntries) {
      return false;  // every entry has at most three strings
    }
  }
  return false;
}

void setMissingCMapHandler(MissingCMapHandler handler) { g_missingHandler = std::move(handler); }

std::string requestCMapDownload(std::string_view name) {
  if (!isValidCMapName(name)) return {};
  if (g_missingHandler) {
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      if (g_handedNames.count(name) || g_handedNames.size() >= kMaxRequestedCMapNames) return {};
      g_handedNames.emplace(name);
    }
    g_missingHandler(std::string(name));
    return {};
  }
  if (!rememberRequest(name)) return {};
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

    std::string url = cmapFetchAddress(cmapServerAddress());
    if (url.empty()) {
      Messages::ReportWithArgument(Messages::kMsgInternetError, 1,
                                   "the CMap server address is neither https nor http");
      return {};
    }
    if (url.back() != '/') url.push_back('/');
    url.append(name);
    brevia::net::HttpOptions options;
    options.connectTimeout = kConnectTimeout;
    options.connectRetries = kConnectRetries;
    options.retryDelay = kConnectBackOff;
    options.headers = {kAcceptHeader, kUserAgentHeader};
    options.maxBodyBytes = kMaxCMapDownloadBytes;
    // An https address is never left for plain http, not even by a redirect.
    options.secureOnly = url.compare(0, 6, "https:") == 0 || url.compare(0, 6, "HTTPS:") == 0;
    const brevia::net::HttpResponse response = brevia::net::httpGet(url, options);

    if (response.failed()) {
      Messages::ReportWithArgument(Messages::kMsgInternetError, 1, response.error);
      return {};
    }
    if (response.status == kHttpUnauthorized) {
      Messages::Report(Messages::kMsgDownloadAccessDenied, 1);
      return {};
    }
    if (response.status != kHttpOk || !looksLikeCMap(response.body)) {
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
  } catch (const std::bad_alloc&) {
    // The download and its storing allocate; nothing else in them throws.
    Messages::Report(Messages::kMsgUnknownException, 1);
    return {};
  } catch (const std::length_error&) {
    Messages::Report(Messages::kMsgUnknownException, 1);
    return {};
  }
}

}  // namespace CMaps
