#pragma once
// A page's text as copying gives it: the runs in reading order as UTF-8, runs of one line
// joined by a blank, a line break where the line changes, typographic ligatures as their
// letters.

#include <string>
#include <string_view>
#include <vector>

#include "engine/layout/text_run.h"

class PageTextLayout;

namespace text_export {

// The text of runs given in reading order, with newline between lines (none after the last).
std::string runsText(const std::vector<const TextRun*>& runs, std::string_view newline);

// The whole page with every line, the last included, ended by "\n".
std::string pageText(const PageTextLayout& layout);

// The clipboard text of a copy: the byte-order mark, then the selected runs of each page in
// order, lines ended by "\r\n" between them, and five "\r\n" between pages that have text.
std::string copyText(const std::vector<std::vector<const TextRun*>>& pages);

}  // namespace text_export
