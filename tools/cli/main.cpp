// brevia-cli: the headless face of the engine (info, render, text, find).

#include <cstdio>
#include <cstring>

#include "tools/cli/cli_support.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage:\n"
               "  brevia-cli info FILE [--password PW]\n"
               "  brevia-cli render FILE --page N|all [--dpi D] [--zoom Z] [--rotate R]\n"
               "             [--format png|pam|ppm] [--png-level 0-9] [--jobs N] -o OUT|DIR|-\n"
               "             [--password PW]\n"
               "  brevia-cli text FILE [--page N] [--password PW]\n"
               "  brevia-cli find FILE PHRASE [--case-sensitive] [--backward] [--password PW]\n");
}

}  // namespace

int main(int argc, char** argv) {
  cli::StderrListener listener;
  Corvalis::PDFConverter::Messages::SetMessageListener(&listener);

  std::string error;
  auto args = cli::parseArguments(argc, argv, error);
  if (!args) {
    std::fprintf(stderr, "brevia-cli: %s\n", error.c_str());
    usage();
    return cli::kExitBadArguments;
  }
  int status = cli::kExitBadArguments;
  if (args->command == "info") {
    status = cli::runInfo(*args);
  } else if (args->command == "render") {
    status = cli::runRender(*args);
  } else if (args->command == "text") {
    status = cli::runText(*args);
  } else if (args->command == "find") {
    status = cli::runFind(*args);
  } else {
    std::fprintf(stderr, "brevia-cli: unknown command '%s'\n", args->command.c_str());
    usage();
  }
  Corvalis::PDFConverter::Messages::SetMessageListener(nullptr);
  return status;
}
