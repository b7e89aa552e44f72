#include "engine/layout/text_export.h"

#include "engine/layout/page_text_layout.h"
#include "engine/layout/unicode_text.h"

namespace text_export {

std::string runsText(const std::vector<const TextRun*>& runs, std::string_view newline) {
  std::u16string text;
  const TextRun* previous = nullptr;
  for (const TextRun* run : runs) {
    if (!run || run->text.empty()) continue;
    if (previous) {
      if (run->line != previous->line)
        text.append(newline.begin(), newline.end());
      else
        text.push_back(u' ');
    }
    unicode_text::appendWithoutLigatures(text, run->text);
    previous = run;
  }
  return unicode_text::toUtf8(text);
}

std::string pageText(const PageTextLayout& layout) {
  std::vector<const TextRun*> runs;
  runs.reserve(layout.runs().size());
  for (const auto& run : layout.runs()) runs.push_back(run.get());
  std::string text = runsText(runs, "\n");
  if (!text.empty()) text += '\n';
  return text;
}

std::string copyText(const std::vector<std::vector<const TextRun*>>& pages) {
  std::string text = "\xEF\xBB\xBF";
  bool pageWithText = false;
  for (const auto& runs : pages) {
    const std::string page = runsText(runs, "\r\n");
    if (page.empty()) continue;
    if (pageWithText) text += "\r\n\r\n\r\n\r\n\r\n";
    text += page;
    pageWithText = true;
  }
  return text;
}

}  // namespace text_export
