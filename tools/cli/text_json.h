#pragma once
// JSON of page text for scripts: boxes of text runs and search hits in page points (from the
// top-left corner of the page as shown, y downwards), lines of a page, a hit with its context.

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/layout/text_run.h"

class PageTextLayout;
struct TextHit;

namespace cli {

struct TextBox {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  void add(const TextBox& other);
};

// The box of characters first to last (included) of a run, down to a typical descender below
// its baseline; rotated runs give the upright box around them.
TextBox characterBox(const TextRun& run, int32_t first, int32_t last);

std::string boxJson(const TextBox& box);

// One page of text as JSON: {"page": N, "lines": [{"text": ..., "box": {...}}, ...]}.
std::string pageLinesJson(int32_t page, const PageTextLayout& layout);

// The hits of one page as JSON, one object per hit: page, text, rectangles (one per run the
// hit covers) and a few words of context either side.
class HitJsonWriter {
 public:
  // Words of context taken on each side of a hit.
  static constexpr int kContextWords = 5;
  // Context never reaches further than this many characters on one side.
  static constexpr std::size_t kMaxContextCharacters = 200;

  HitJsonWriter(int32_t page, const PageTextLayout& layout);
  std::string json(const TextHit& hit) const;

 private:
  int32_t page_;
  std::u16string text_;  // the page's runs, a blank between two of them
  std::unordered_map<const TextRun*, std::size_t> starts_;
};

}  // namespace cli
