// brevia-cli info: page count, encryption and every page's size and rotation as JSON.

#include <cstdio>

#include "engine/document/pdf_exception.h"
#include "engine/messages/message_catalogue.h"
#include "tools/cli/cli_support.h"

namespace cli {

int runInfo(const Arguments& args) {
  if (args.positional.size() != 1) {
    printCommandUsage("info", stderr);
    return kExitBadArguments;
  }
  auto document = openDocument(args.positional[0], args.option("--password"));
  if (!document) return kExitCannotOpen;

  std::string pages;
  try {
    for (int32_t n = 1; n <= document->pageCount; ++n) {
      const C_PDF_PageTreeNode_or_Page* page = document->findPage(n, false);
      if (!page) break;
      char line[160];
      std::snprintf(
          line, sizeof line,
          "%s{\"page\": %d, \"width\": %d, \"height\": %d, \"rotation\": %d, \"size_text\": ",
          n == 1 ? "" : ", ", n, page->width, page->height, page->rotation);
      pages += line;
      pages += jsonString(page->sizeText) + "}";
    }
  } catch (const C_PDF_Exception& e) {
    std::fprintf(stderr, "brevia-cli: %s: %s\n", args.positional[0].c_str(),
                 exceptionText(e).c_str());
    return kExitCannotOpen;
  }
  std::printf("{\"pages\": %d, \"encrypted\": %s, \"pages_info\": [%s]}\n", document->pageCount,
              document->encrypted() ? "true" : "false", pages.c_str());
  return kExitOk;
}

}  // namespace cli
