// brevia-cli --help, COMMAND --help and --version: the usage on standard output.

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/cli/cli_support.h"

#ifndef BREVIA_VERSION
#define BREVIA_VERSION "unknown"
#endif

namespace cli {

namespace {

struct CommandHelp {
  const char* name;
  const char* synopsis;
  const char* description;
};

const CommandHelp kCommands[] = {
    {"info", "brevia-cli info FILE [--password PW]",
     "Prints the page count, whether the file is encrypted and every page's size and rotation\n"
     "as one JSON object.\n"},
    {"render",
     "brevia-cli render FILE --page N|all [--dpi D] [--zoom Z] [--rotate R]\n"
     "             [--format png|pam|ppm] [--png-level 0-9] [--jobs N] -o OUT|DIR|- "
     "[--password PW]",
     "Renders a page (72 dpi and zoom 1 unless given) to OUT; with --page all, every page to\n"
     "DIR/page-N.png by --jobs worker processes. -o - writes to standard output.\n"
     "--rotate turns the page in quarter turns as the viewer's rotation does.\n"},
    {"text", "brevia-cli text FILE [--page N] [--json] [--password PW]",
     "Prints the page text in reading order, one line per text line, pages separated by a\n"
     "form feed. With --json, one JSON object per page instead: its number and its lines,\n"
     "each line with its text and box in page points from the top-left corner of the page.\n"},
    {"find", "brevia-cli find FILE PHRASE [--case-sensitive] [--backward] [--json] [--password PW]",
     "Prints one line per hit: the page number, a tab and the hit's text. With --json, one\n"
     "JSON object per hit instead: page, text, rectangles in page points from the top-left\n"
     "corner of the page, and a few words of context before and after the hit.\n"},
};

const char kExitCodes[] =
    "Exit status: 0 success, 1 a file cannot be read or a page cannot be drawn (the reason\n"
    "on standard error), 2 bad arguments.\n";

const CommandHelp* findCommand(const std::string& name) {
  for (const CommandHelp& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

bool isHelp(const char* a) { return std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0; }

}  // namespace

void printUsage(std::FILE* out) {
  std::fputs("usage:\n", out);
  for (const CommandHelp& c : kCommands) std::fprintf(out, "  %s\n", c.synopsis);
  std::fputs("  brevia-cli COMMAND --help\n  brevia-cli --help | --version\n", out);
}

bool printCommandUsage(const std::string& command, std::FILE* out) {
  const CommandHelp* c = findCommand(command);
  if (!c) return false;
  std::fprintf(out, "usage: %s\n", c->synopsis);
  return true;
}

std::optional<int> helpOrVersion(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  const char* first = argv[1];
  if (std::strcmp(first, "--version") == 0 || std::strcmp(first, "-V") == 0) {
    std::printf("brevia-cli %s\n", BREVIA_VERSION);
    return kExitOk;
  }
  if (isHelp(first) || std::strcmp(first, "help") == 0) {
    // "help COMMAND" is "COMMAND --help".
    if (std::strcmp(first, "help") == 0 && argc > 2) {
      const CommandHelp* c = findCommand(argv[2]);
      if (!c) {
        std::fprintf(stderr, "brevia-cli: unknown command '%s'\n", argv[2]);
        printUsage(stderr);
        return kExitBadArguments;
      }
      std::printf("usage: %s\n\n%s\n%s", c->synopsis, c->description, kExitCodes);
      return kExitOk;
    }
    std::fputs("brevia-cli: the PDF engine of Brevia Reader without a window.\n\n", stdout);
    printUsage(stdout);
    std::fputs("\n", stdout);
    for (const CommandHelp& c : kCommands) std::printf("%s:\n%s\n", c.name, c.description);
    std::fputs(kExitCodes, stdout);
    return kExitOk;
  }
  const CommandHelp* c = findCommand(first);
  if (!c) return std::nullopt;
  for (int i = 2; i < argc; ++i) {
    // A value of --password or a phrase may itself read "--help"; the help wins only where it
    // cannot be an option's value.
    if (isHelp(argv[i]) && !(i > 2 && optionTakesValue(argv[i - 1]))) {
      std::printf("usage: %s\n\n%s\n%s", c->synopsis, c->description, kExitCodes);
      return kExitOk;
    }
  }
  return std::nullopt;
}

}  // namespace cli
