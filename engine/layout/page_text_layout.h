#pragma once
// The page's text layout: receives the page's glyph records in drawing order once, and turns
// them into text runs in reading order.

#include <memory>
#include <vector>

#include "engine/layout/collected_glyph.h"
#include "engine/layout/text_run.h"

class PageTextLayout {
 public:
  PageTextLayout();
  ~PageTextLayout();

  // Text showing collects glyphs only while the page's text has not been built.
  bool built() const { return built_; }

  // Builds the runs from the records of one drawing, in drawing order: lines from the glyphs'
  // baselines, words from the gaps between them, columns from the gutters that run down the
  // page, then the lines in reading order. Rotated text follows the upright text of the page,
  // unless it holds most of the page.
  void build(const std::vector<CollectedGlyph>& glyphs);
  // Forgets the runs (memory pressure); the next drawing collects again.
  void release();

  // The runs in reading order, linked through previous and next.
  const std::vector<std::unique_ptr<TextRun>>& runs() const { return runs_; }
  TextRun* firstRun() const { return runs_.empty() ? nullptr : runs_.front().get(); }
  TextRun* lastRun() const { return runs_.empty() ? nullptr : runs_.back().get(); }

 private:
  bool built_ = false;
  std::vector<std::unique_ptr<TextRun>> runs_;
};
