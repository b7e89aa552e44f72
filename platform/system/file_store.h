#pragma once
// File-system plumbing the engine needs: what exists, the user's data folder, and storing a
// file so that readers never see it half-written.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brevia::platform {

// Bytes of the passwd-entry buffer used to find the home folder when $HOME is not set.
inline constexpr std::size_t kPasswdBufferBytes = 16384;

// A regular file the program may read.
bool isReadableFile(const std::string& path);
bool isDirectory(const std::string& path);

// The sub-folders of folder, at most maxCount of them, sorted so that an order built from them
// does not depend on the file system. Empty when folder cannot be listed.
std::vector<std::string> subfolders(const std::string& folder, std::size_t maxCount);

// path without trailing slashes; "/" stays "/".
std::string withoutTrailingSlashes(std::string path);

// $HOME when it is absolute, else the home folder of the user's passwd entry; empty when
// neither is known.
std::string homeFolder();

// relative inside the user's data folder: $XDG_DATA_HOME when it is absolute, else
// ~/.local/share. Empty when there is no home folder.
std::string userDataPath(std::string_view relative);

// Creates folder and its missing parents; true when it exists afterwards.
bool createFolders(const std::string& folder);

// Stores body as folder/name: written to a temporary file in folder, flushed to disk, made
// readable by all (0644) and renamed over name, so an interruption leaves either the old file or
// none, never a partial one. name must be a plain file name (no slash, not "." or "..").
// Returns the path of the stored file, or empty on failure (the temporary file is removed).
std::string writeFileAtomically(const std::string& folder, std::string_view name,
                                std::string_view body);

}  // namespace brevia::platform
