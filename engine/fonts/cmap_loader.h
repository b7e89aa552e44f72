#pragma once
// Finding predefined CMap files by name: in the "CMaps" folders beside the program, in the
// application-data folder, in the system's CMap resource folders, or by downloading them from
// the maker's server once the user agrees.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace CMaps {

// Names longer than this are not looked up.
inline constexpr std::size_t kMaxCMapNameLength = 255;
// Missing names remembered per run; once full, no further download is offered.
inline constexpr std::size_t kMaxRequestedCMapNames = 1024;
// Largest CMap file accepted from the server; the largest predefined ones are under 1 MiB.
inline constexpr std::size_t kMaxCMapDownloadBytes = 8 * 1024 * 1024;
// Objects read from a fetched file while checking that it is a CMap, at most.
inline constexpr std::size_t kMaxCMapCheckObjects = 8 * 1024 * 1024;
// The server used when neither the environment nor the settings name one. The CMap's name is
// appended to it.
inline constexpr const char kDefaultCMapServer[] = "https://cmaps.corvalis.com/download/CMaps/";
// Environment variable naming another server address.
inline constexpr const char kCMapServerVariable[] = "BREVIA_CMAP_SERVER";

// Only names made of letters, digits, '-', '_' and '.', without "..", are looked up,
// downloaded or stored: a name from a file never becomes a path elsewhere.
bool isValidCMapName(std::string_view name);

// $XDG_DATA_HOME/Corvalis/CMaps (by default ~/.local/share/Corvalis/CMaps), where downloaded
// CMaps are stored; empty when there is no home folder.
std::string applicationDataCMapFolder();

// The folders searched, in order: "CMaps" beside the executable, "CMaps" in the installed data
// folder (share/brevia), the application-data folder, then the system's CMap resource folders
// (each collection folder of /usr/share/poppler/cMap and /usr/share/fonts/cmap, and
// /usr/share/ghostscript/*/Resource/CMap) that exist.
std::vector<std::string> cmapSearchFolders();

// The first readable regular file called name in the search folders; empty when there is none or
// the name is not valid.
std::string findCMapFile(std::string_view name);

// The address CMaps are downloaded from: $BREVIA_CMAP_SERVER, else the settings value, else
// kDefaultCMapServer.
std::string cmapServerAddress();
// The address as it is fetched from: one without a scheme is taken as https; plain http only
// when written out as such; any other scheme gives empty (nothing is fetched).
std::string cmapFetchAddress(const std::string& address);

// True when bytes are a CMap resource: within kMaxCMapDownloadBytes, readable object by object
// (at most kMaxCMapCheckObjects), with begincmap followed by endcmap and at most
// kMaxCMapEntries entries. Only such files are stored.
bool looksLikeCMap(std::string_view bytes);

// Called with the name of a missing predefined CMap instead of asking and downloading where it
// was met. It must return at once: it runs inside drawing. The viewer sets one on its interface
// thread that asks and fetches later, away from the paint.
using MissingCMapHandler = std::function<void(const std::string& name)>;
// Replaces the calling thread's handler; an empty one restores asking and downloading in place.
// Threads without one (pages drawn ahead) keep their own listener's answer.
void setMissingCMapHandler(MissingCMapHandler handler);
// The settings value (the viewer's preferences); empty removes it.
void setCMapServerAddressSetting(std::string address);

// For a name that was not found: with a handler set, hands the name to it once per run and
// returns empty (the caller goes on without the CMap). Otherwise offers the download once per run
// (engine message 154, or message 150 when the user cannot be asked) and downloads when the user
// agrees. Returns the path of the stored file, or empty.
std::string requestCMapDownload(std::string_view name);

// Downloads the named CMap into the application-data folder without asking, reporting engine
// messages 155 to 158 on failure; a response that is not a CMap (looksLikeCMap) is not stored
// and counts as not found. Safe on any thread. Returns the path of the stored file, or empty.
std::string downloadCMap(std::string_view name);

}  // namespace CMaps
