#pragma once
// A text run of a page: characters of one line (and column) in reading order with their
// positions, as search, selection and copy read them.

#include <cstdint>
#include <string>
#include <vector>

struct TextRun {
  std::u16string text;
  // One horizontal position per character (its left edge), page units.
  std::vector<float> positions;
  // Right edge of the last character, page units.
  float right = 0;
  // Baseline, page units from the top of the page.
  float baseline = 0;
  // Top of the run's box (baseline minus the glyph height), page units.
  float top = 0;
  // Font size in page units.
  float fontSize = 0;
  // Line within the page, counted from 0 in reading order; runs of one line share it.
  int32_t line = 0;
  // Column of the run's line, counted from 0 at the left (0 for lines across the page).
  int32_t column = 0;
  // Degrees, as the text was shown (0 for upright text). For rotated text the positions, right,
  // baseline and top are measured along the text's own axes: a point (u, v) of the run lies at
  // page (u·cos θ + v·sin θ, v·cos θ − u·sin θ).
  int32_t orientation = 0;

  // Marks used by search and selection in the viewer.
  int32_t firstHighlighted = -1;
  int32_t lastHighlighted = -1;
  bool highlighted = false;
  bool painted = false;
  bool tight = false;

  TextRun* previous = nullptr;
  TextRun* next = nullptr;

  int32_t length() const { return static_cast<int32_t>(text.size()); }
};
