// brevia-cli text: the page text in reading order.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/document/pdf_exception.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_export.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "tools/cli/cli_support.h"
#include "tools/cli/text_json.h"

namespace cli {

std::string exceptionText(const C_PDF_Exception& e) {
  const std::string text = Corvalis::PDFConverter::Messages::ExceptionText(e.code());
  // The reason first, in plain words; the catalogue text after it.
  if (!e.reason().empty()) return text.empty() ? e.reason() : e.reason() + " (" + text + ")";
  return text.empty() ? e.what() : text;
}

int runText(const Arguments& args) {
  bool known = args.positional.size() == 1 &&
               std::all_of(args.flags.begin(), args.flags.end(),
                           [](const std::string& f) { return f == "--json"; });
  for (const auto& [name, value] : args.options)
    known = known && (name == "--page" || name == "--password");
  long pageNumber = 0;
  if (known && args.has("--page")) {
    const std::string text = args.option("--page");
    char* end = nullptr;
    errno = 0;
    pageNumber = std::strtol(text.c_str(), &end, 10);
    known =
        !text.empty() && *end == '\0' && errno == 0 && pageNumber >= 1 && pageNumber <= INT32_MAX;
  }
  if (!known) {
    printCommandUsage("text", stderr);
    return kExitBadArguments;
  }

  auto document = openDocument(args.positional[0], args.option("--password"));
  if (!document) return kExitCannotOpen;
  C_PDF_Creator creator(*document);
  C_PDF_Draw draw(*document, creator);
  const int32_t first = pageNumber ? static_cast<int32_t>(pageNumber) : 1;
  const int32_t last = pageNumber ? first : document->pageCount;
  const bool json = args.flag("--json");
  bool ok = true;
  for (int32_t n = first; n <= last; ++n) {
    if (n > first && !json) std::fputc('\f', stdout);
    try {
      const PageTextLayout* layout = draw.collectPageText(n);
      if (!layout) {
        std::fprintf(stderr, "brevia-cli: page %d does not exist\n", n);
        ok = false;
        break;
      }
      const std::string text =
          json ? pageLinesJson(n, *layout) + "\n" : text_export::pageText(*layout);
      std::fwrite(text.data(), 1, text.size(), stdout);
    } catch (const C_PDF_Exception& e) {
      std::fprintf(stderr, "brevia-cli: page %d: %s\n", n, exceptionText(e).c_str());
      ok = false;
    }
    creator.evict(n);
  }
  std::fflush(stdout);
  return ok ? kExitOk : kExitCannotOpen;
}

}  // namespace cli
