// brevia-cli find: every hit of a phrase, page by page.

#include <cstdio>
#include <optional>
#include <string>

#include "engine/document/pdf_exception.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_search.h"
#include "engine/layout/unicode_text.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "tools/cli/cli_support.h"
#include "tools/cli/text_json.h"

namespace cli {

int runFind(const Arguments& args) {
  bool known = args.positional.size() == 2;
  for (const auto& [name, value] : args.options) known = known && name == "--password";
  for (const std::string& f : args.flags)
    known = known && (f == "--case-sensitive" || f == "--backward" || f == "--json");
  bool valid = false;
  const std::u16string phrase = known ? unicode_text::fromUtf8(args.positional[1], &valid) : u"";
  if (!known || !valid || phrase.empty()) {
    if (known)
      std::fputs(phrase.empty() ? "brevia-cli: the phrase is empty\n"
                                : "brevia-cli: the phrase is not UTF-8\n",
                 stderr);
    printCommandUsage("find", stderr);
    return kExitBadArguments;
  }
  const bool backward = args.flag("--backward");
  const bool json = args.flag("--json");
  const TextSearch search(phrase, args.flag("--case-sensitive"));

  auto document = openDocument(args.positional[0], args.option("--password"));
  if (!document) return kExitCannotOpen;
  C_PDF_Creator creator(*document);
  C_PDF_Draw draw(*document, creator);
  const int32_t count = document->pageCount;
  bool ok = true;
  long hits = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t n = backward ? count - i : i + 1;
    try {
      const PageTextLayout* layout = draw.collectPageText(n);
      if (!layout) {
        std::fprintf(stderr, "brevia-cli: page %d does not exist\n", n);
        ok = false;
        continue;
      }
      std::optional<HitJsonWriter> writer;
      if (json) writer.emplace(n, *layout);
      auto print = [&](const TextHit& hit) {
        ++hits;
        if (writer)
          std::printf("%s\n", writer->json(hit).c_str());
        else
          std::printf("%d\t%s\n", n, unicode_text::toUtf8(TextSearch::hitText(hit)).c_str());
      };
      if (!backward) {
        for (auto hit = search.findForward(layout->firstRun(), 0); hit;
             hit = search.findForward(hit->run, hit->start + 1))
          print(*hit);
      } else if (TextRun* last = layout->lastRun()) {
        for (auto hit = search.findBackward(last, last->length() - 1); hit;
             hit = search.findBackward(hit->endRun, hit->end - 1))
          print(*hit);
      }
    } catch (const C_PDF_Exception& e) {
      std::fprintf(stderr, "brevia-cli: page %d: %s\n", n, exceptionText(e).c_str());
      ok = false;
    }
    creator.evict(n);
  }
  std::fflush(stdout);
  // Scripts reading --json get an empty output; the message is for people.
  if (hits == 0) std::fputs("No matches found.\n", stderr);
  return ok ? kExitOk : kExitCannotOpen;
}

}  // namespace cli
