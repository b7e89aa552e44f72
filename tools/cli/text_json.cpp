#include "tools/cli/text_json.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_search.h"
#include "engine/layout/unicode_text.h"
#include "tools/cli/cli_support.h"

namespace cli {

namespace {

// Share of the font size that a box reaches below the baseline (descenders).
constexpr double kDescent = 0.2;

std::string number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  std::string s = buffer;
  // 12.50 → 12.5, 12.00 → 12; "-0" reads as 0.
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == 0xA0; }

std::string plainUtf8(std::u16string_view text) {
  std::u16string out;
  unicode_text::appendWithoutLigatures(out, text);
  return unicode_text::toUtf8(out);
}

}  // namespace

void TextBox::add(const TextBox& o) {
  x0 = std::min(x0, o.x0);
  y0 = std::min(y0, o.y0);
  x1 = std::max(x1, o.x1);
  y1 = std::max(y1, o.y1);
}

TextBox characterBox(const TextRun& run, int32_t first, int32_t last) {
  const int32_t n = static_cast<int32_t>(run.positions.size());
  double left = n > 0 ? run.positions.front() : run.right, right = run.right;
  if (n > 0) {
    first = std::clamp(first, 0, n - 1);
    last = std::clamp(last, first, n - 1);
    left = run.positions[first];
    if (last + 1 < n) right = run.positions[last + 1];
  }
  const double top = std::min(run.top, run.baseline);
  const double bottom = std::max(run.top, run.baseline) + kDescent * std::abs(run.fontSize);
  if (run.orientation == 0) return {left, top, right, bottom};
  // Along the run's own axes (u, v) to page points.
  const double a = run.orientation * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  TextBox box;
  bool firstCorner = true;
  for (double u : {left, right}) {
    for (double v : {top, bottom}) {
      const double x = u * c + v * s, y = v * c - u * s;
      const TextBox corner{x, y, x, y};
      if (firstCorner)
        box = corner;
      else
        box.add(corner);
      firstCorner = false;
    }
  }
  return box;
}

std::string boxJson(const TextBox& b) {
  return "{\"x0\": " + number(b.x0) + ", \"y0\": " + number(b.y0) + ", \"x1\": " + number(b.x1) +
         ", \"y1\": " + number(b.y1) + "}";
}

std::string pageLinesJson(int32_t page, const PageTextLayout& layout) {
  std::string out = "{\"page\": " + std::to_string(page) + ", \"lines\": [";
  const auto& runs = layout.runs();
  bool firstLine = true;
  for (std::size_t i = 0; i < runs.size();) {
    // Runs of one line follow each other in reading order.
    std::size_t j = i;
    std::vector<const TextRun*> line;
    TextBox box;
    while (j < runs.size() && runs[j]->line == runs[i]->line) {
      const TextRun& run = *runs[j];
      if (!run.text.empty()) {
        const TextBox b = characterBox(run, 0, run.length() - 1);
        if (line.empty())
          box = b;
        else
          box.add(b);
        line.push_back(&run);
      }
      ++j;
    }
    if (!line.empty()) {
      std::u16string text;
      for (const TextRun* run : line) {
        if (!text.empty()) text.push_back(u' ');
        text += run->text;
      }
      out += firstLine ? "" : ", ";
      out += "{\"text\": " + jsonString(plainUtf8(text)) + ", \"box\": " + boxJson(box) + "}";
      firstLine = false;
    }
    i = j;
  }
  return out + "]}";
}

HitJsonWriter::HitJsonWriter(int32_t page, const PageTextLayout& layout) : page_(page) {
  for (const auto& run : layout.runs()) {
    if (!text_.empty()) text_.push_back(u' ');
    starts_[run.get()] = text_.size();
    text_ += run->text;
  }
}

std::string HitJsonWriter::json(const TextHit& hit) const {
  std::string rects;
  for (const TextRun* run = hit.run; run; run = run->next) {
    const int32_t first = run == hit.run ? hit.start : 0;
    const int32_t last = run == hit.endRun ? hit.end : run->length() - 1;
    if (run->length() > 0 && last >= first) {
      rects += rects.empty() ? "" : ", ";
      rects += boxJson(characterBox(*run, first, last));
    }
    if (run == hit.endRun) break;
  }

  std::string before, after;
  const auto start = starts_.find(hit.run), end = starts_.find(hit.endRun);
  if (start != starts_.end() && end != starts_.end()) {
    const std::size_t from = std::min(start->second + hit.start, text_.size());
    const std::size_t to = std::min(end->second + hit.end + 1, text_.size());
    // Back over kContextWords words, blanks between them included.
    std::size_t b = from;
    for (int words = 0; words < kContextWords && b > 0 && from - b < kMaxContextCharacters;) {
      while (b > 0 && isBlank(text_[b - 1])) --b;
      while (b > 0 && !isBlank(text_[b - 1]) && from - b < kMaxContextCharacters) --b;
      ++words;
    }
    std::size_t a = to;
    for (int words = 0;
         words < kContextWords && a < text_.size() && a - to < kMaxContextCharacters;) {
      while (a < text_.size() && isBlank(text_[a])) ++a;
      while (a < text_.size() && !isBlank(text_[a]) && a - to < kMaxContextCharacters) ++a;
      ++words;
    }
    before = plainUtf8(std::u16string_view(text_).substr(b, from - b));
    after = plainUtf8(std::u16string_view(text_).substr(to, a - to));
  }
  return "{\"page\": " + std::to_string(page_) +
         ", \"text\": " + jsonString(unicode_text::toUtf8(TextSearch::hitText(hit))) +
         ", \"rects\": [" + rects + "], \"context\": {\"before\": " + jsonString(before) +
         ", \"after\": " + jsonString(after) + "}}";
}

}  // namespace cli
