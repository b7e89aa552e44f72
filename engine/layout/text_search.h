#pragma once
// Finding a phrase in a page's text runs: a Knuth–Morris–Pratt scan over the runs' characters,
// exact or ignoring case, in which a separator of the phrase (blank, no-break space, tab, line
// feed, form feed, carriage return) also matches the boundary between two runs. Hits stay
// within one page; the caller goes from page to page.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/layout/text_run.h"

// A hit from character start of run to character end (included) of endRun.
struct TextHit {
  TextRun* run = nullptr;
  int32_t start = 0;
  TextRun* endRun = nullptr;
  int32_t end = 0;
};

class TextSearch {
 public:
  // Longer phrases are cut to this many characters.
  static constexpr std::size_t kMaxPhraseLength = 4096;

  // Without caseSensitive, characters are compared after simple Unicode case folding, the same
  // in every locale.
  TextSearch(std::u16string phrase, bool caseSensitive);

  bool empty() const { return phrase_.empty(); }

  // The first hit that starts at character index of run or after it (an index past the run's
  // end starts at the next run). Runs are followed through next.
  std::optional<TextHit> findForward(TextRun* run, int32_t index) const;
  // The last hit that ends at character index of run or before it (a negative index ends at
  // the previous run). Runs are followed through previous.
  std::optional<TextHit> findBackward(TextRun* run, int32_t index) const;

  // The characters of a hit, a run boundary as a blank.
  static std::u16string hitText(const TextHit& hit);

 private:
  std::optional<TextHit> scan(TextRun* run, int32_t index, bool forward) const;

  std::u16string phrase_;     // folded unless case-sensitive
  std::u16string reversed_;   // for backward scans
  std::vector<int32_t> failure_, reversedFailure_;
  bool caseSensitive_;
};

// Highlight marks for a hit: every character from its start to its end is marked in its run.
void markHit(const TextHit& hit);
// Clears the highlight marks of the runs from first to last (following next).
void clearMarks(TextRun* first, TextRun* last);
