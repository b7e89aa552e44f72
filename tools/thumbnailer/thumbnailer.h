#pragma once
// Page 1 of a PDF file as a PNG of at most SIZE pixels on its longer side, for file managers
// (the freedesktop thumbnailer convention: brevia-thumbnailer -s SIZE INPUT OUTPUT).

#include <optional>
#include <string>

namespace thumbnailer {

// Thumbnails are at least 1 and at most this many pixels on their longer side.
inline constexpr int kMaxSize = 4096;
// Without -s.
inline constexpr int kDefaultSize = 128;

struct Request {
  int size = kDefaultSize;
  std::string input;  // a path
  std::string output;
};

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitBadArguments = 2 };

// The arguments after the program name; an empty optional with error set when they are wrong.
std::optional<Request> parseArguments(int argc, char** argv, std::string& error);

// A local path from INPUT, which is a path or a file:// URI (percent escapes decoded); empty
// when it names no local file (another scheme or host, a NUL byte, a bad escape).
std::string localPath(const std::string& input);

// Writes the thumbnail (through a temporary file beside it, renamed when complete). false, with
// the reason in error, when the file cannot be read, needs a password, or the PNG cannot be
// written; no file is left behind then.
bool makeThumbnail(const Request& request, std::string& error);

}  // namespace thumbnailer
