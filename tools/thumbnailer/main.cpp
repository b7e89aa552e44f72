// brevia-thumbnailer -s SIZE INPUT OUTPUT: page 1 of a PDF file as a PNG for file managers.

#include <cstdio>
#include <cstring>

#include "engine/messages/message_listener.h"
#include "tools/thumbnailer/thumbnailer.h"

#ifndef BREVIA_VERSION
#define BREVIA_VERSION "unknown"
#endif

namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

const char kUsage[] =
    "usage: brevia-thumbnailer [-s SIZE] INPUT OUTPUT\n"
    "Writes page 1 of the PDF file INPUT (a path or a file:// URI) to OUTPUT as a PNG of at\n"
    "most SIZE pixels (default 128) on its longer side. Files that need a password get none.\n"
    "Exit status: 0 written, 1 no thumbnail, 2 bad arguments.\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return thumbnailer::kExitOk;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("brevia-thumbnailer %s\n", BREVIA_VERSION);
      return thumbnailer::kExitOk;
    }
  }
  std::string error;
  const auto request = thumbnailer::parseArguments(argc, argv, error);
  if (!request) {
    std::fprintf(stderr, "brevia-thumbnailer: %s\n%s", error.c_str(), kUsage);
    return thumbnailer::kExitBadArguments;
  }
  Messages::QuietListener listener;
  Messages::SetMessageListener(&listener);
  const bool ok = thumbnailer::makeThumbnail(*request, error);
  Messages::SetMessageListener(nullptr);
  if (!ok) {
    std::fprintf(stderr, "brevia-thumbnailer: %s\n", error.c_str());
    return thumbnailer::kExitFailed;
  }
  return thumbnailer::kExitOk;
}
