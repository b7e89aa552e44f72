#pragma once
// Finds the gutters of a page: blank vertical strips between columns of text that run down
// several lines with wide text on both sides. Lines are split there, so that a column is read
// to its end before the next one starts.

#include <vector>

class GutterFinder {
 public:
  // A gutter must be at least this wide, in ems of the page's body text.
  static constexpr float kMinGutterEm = 0.8f;
  // ... have wide text beside it on this many lines on each side ...
  static constexpr int kMinGutterLines = 3;
  // ... where wide text is a stretch of a line at least this long, in ems of the body text
  // (narrower stretches are list bullets, numbers, labels, table cells).
  static constexpr float kMinColumnWidthEm = 8.0f;
  // Lines just above or below the wide text, this close to it, still belong to its columns
  // (a heading over a column); lines further off do not (a page header or footer).
  static constexpr float kColumnLeadEm = 1.5f;
  static constexpr int kMaxLeadRows = 4;
  // Blank strips followed at once; narrow, short-lived ones beyond this are dropped.
  static constexpr int kMaxOpenStrips = 256;
  // A blank band across the whole page at least this high (in ems of the body text) ends
  // every gutter: a figure or a break across the columns.
  static constexpr float kMaxRowGapEm = 2.5f;
  // Gutters kept per page (the tallest), which bounds the work of splitting the rows.
  static constexpr int kMaxGutters = 4096;

  // Part of a row covered by text.
  struct Span {
    float left = 0;
    float right = 0;
  };
  // A row of text: its spans, sorted and apart by at least the gutter width, and its height.
  struct Row {
    std::vector<Span> spans;
    float top = 0;
    float bottom = 0;
  };

  // rows are in order down the page. Returns, for every row, the sorted x positions where it
  // is split into columns. A gutter splits the rows from the first to the last one with wide
  // text beside it, and the rows that follow on closely above and below.
  static std::vector<std::vector<float>> find(const std::vector<Row>& rows, float bodySize);
};
