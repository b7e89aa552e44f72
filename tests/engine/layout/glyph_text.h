#pragma once
// Glyph records as text showing collects them, written as strings placed on the page.

#include <string>
#include <vector>

#include "engine/layout/collected_glyph.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_export.h"

namespace layout_test {

// Glyphs of text at (x, baseline y), size, each advance × size wide; a blank leaves a gap
// without a glyph unless blankGlyphs.
inline void place(std::vector<CollectedGlyph>& out, const std::u16string& text, float x, float y,
                  float size = 10, float advance = 0.5f, bool blankGlyphs = false) {
  for (char16_t c : text) {
    if (c != u' ' || blankGlyphs) {
      CollectedGlyph g;
      g.unit = c;
      g.x = x;
      g.y = y;
      g.width = advance * size;
      g.height = size;
      g.sequence = static_cast<int32_t>(out.size());
      out.push_back(g);
    }
    x += advance * size;
  }
}

inline std::string pageText(const std::vector<CollectedGlyph>& glyphs) {
  PageTextLayout layout;
  layout.build(glyphs);
  return text_export::pageText(layout);
}

}  // namespace layout_test
