#pragma once
// The text a copy puts on the clipboard: every selection entry's runs, page by page in the order
// the entries were made.

#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/doc/selection_context.h"

class PageTextLayout;
struct TextRun;

namespace Corvalis::Viewer {

class PageTextSource;
struct HitPlace;

// The runs of the page that the entry covers, in reading order.
std::vector<const TextRun*> runsInEntry(const PageTextLayout& layout, const SelectionEntry& entry);

// The copied text as UTF-8: the byte-order mark, then the entries' runs; entries in a row on one
// page share that page's text (a run is taken once), "\r\n" between lines and five of them
// between pages. The runs of every page in the selection lose their highlight marks.
std::string selectionText(const SelectionContext& selection, PageTextSource& source);

// The copied text of a search hit as UTF-8: the byte-order mark, then the hit's characters, a
// blank between runs of one line and "\r\n" between lines. Just the mark when the hit's places
// are not in the layout.
std::string hitCopyText(const PageTextLayout& layout, const HitPlace& hit);

// The clipboard's wide text: without the leading byte-order mark; four-byte sequences become
// surrogate pairs, so no character is lost.
QString clipboardText(std::string_view utf8);

}  // namespace Corvalis::Viewer
