#pragma once
// Finding a phrase in a page's text runs: a Knuth–Morris–Pratt scan over the runs' characters,
// exact or ignoring case, in which a separator of the phrase (blank, no-break space, tab, line
// feed, form feed, carriage return) also matches the boundary between two runs. Hits stay
// within one page; the caller goes from page to page.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
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

// How a search that ignores case decides that a character of the text matches one of the phrase:
// true when a (from the text) and b (from the phrase) are the same letter. The viewer supplies one
// that follows the collation of the user's locale (for example QCollator with case sensitivity
// off, comparing the two characters as one-character strings); the engine cannot see the locale.
// Requirements:
// - It must behave as an equivalence (reflexive, symmetric, transitive) on single UTF-16 units:
//   the failure table of the scan is built with it, and a comparison that is not transitive can
//   make the scan skip hits.
// - It sees single units only, never sequences; a surrogate half arrives on its own.
// - It must not change its answers while a search lives: answers are remembered, so that each
//   pair of a phrase character and a text character is asked about once per search (a search
//   of a long document then costs a few thousand calls, not one per character).
// - It is called on the thread that runs the search and must not re-enter the search.
using CharacterMatch = std::function<bool(char16_t text, char16_t phrase)>;

class TextSearch {
 public:
  // Longer phrases are cut to this many characters.
  static constexpr std::size_t kMaxPhraseLength = 4096;
  // Answers of a CharacterMatch are remembered for this many distinct phrase characters; the
  // rest are asked each time.
  static constexpr std::size_t kMaxRememberedCharacters = 64;

  // Without caseSensitive, characters are compared by ignoringCase when given, else after
  // simple Unicode case folding, the same in every locale. ignoringCase is not used when
  // caseSensitive is set.
  TextSearch(std::u16string phrase, bool caseSensitive, CharacterMatch ignoringCase = {});
  ~TextSearch();
  TextSearch(TextSearch&&) noexcept;
  TextSearch& operator=(TextSearch&&) noexcept;

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
  // Whether the text character c matches the phrase character wanted.
  bool same(char16_t c, char16_t wanted) const;
  std::vector<int32_t> failureTable(const std::u16string& t) const;

  std::u16string phrase_;    // folded when case is ignored by folding
  std::u16string reversed_;  // for backward scans
  std::vector<int32_t> failure_, reversedFailure_;
  bool caseSensitive_;
  CharacterMatch match_;
  // Remembered answers of match_: per distinct phrase character, one byte per text character
  // (0 not asked yet, 1 no, 2 yes).
  struct Answers;
  std::unique_ptr<Answers> answers_;
};

// Highlight marks for a hit: every character from its start to its end is marked in its run.
void markHit(const TextHit& hit);
// Clears the highlight marks of the runs from first to last (following next).
void clearMarks(TextRun* first, TextRun* last);
