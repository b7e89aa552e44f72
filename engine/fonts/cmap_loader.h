#pragma once
// Finding predefined CMap files by name: in the "CMaps" folders beside the program, in the
// application-data folder, in the system's CMap resource folders, or by downloading them from
// the maker's server once the user agrees.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace CMaps {

// Names longer than this are not looked up.
inline constexpr std::size_t kMaxCMapNameLength = 255;
// Missing names remembered per run; once full, no further download is offered.
inline constexpr std::size_t kMaxRequestedCMapNames = 1024;
// Largest CMap file accepted from the server.
inline constexpr std::size_t kMaxCMapDownloadBytes = 32 * 1024 * 1024;
// The server used when neither the environment nor the settings name one. The CMap's name is
// appended to it.
inline constexpr const char kDefaultCMapServer[] = "http://cmaps.corvalis.com/download/CMaps/";
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
// The settings value (the viewer's preferences); empty removes it.
void setCMapServerAddressSetting(std::string address);

// For a name that was not found: offers the download once per run (engine message 154, or
// message 150 when the user cannot be asked) and downloads when the user agrees. Returns the
// path of the stored file, or empty.
std::string requestCMapDownload(std::string_view name);

// Downloads the named CMap into the application-data folder without asking, reporting engine
// messages 155 to 158 on failure. Returns the path of the stored file, or empty.
std::string downloadCMap(std::string_view name);

}  // namespace CMaps
