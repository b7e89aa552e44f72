#include "engine/layout/text_search.h"

#include <algorithm>

#include "engine/layout/unicode_text.h"

using unicode_text::expandForSearch;
using unicode_text::foldCase;
using unicode_text::isSeparator;
using unicode_text::kMaxSearchExpansion;

namespace {

// Runs visited in one scan; a page never has this many.
constexpr std::size_t kMaxScannedRuns = std::size_t(1) << 24;

TextRun* nextWithText(TextRun* run) {
  for (run = run ? run->next : nullptr; run && run->text.empty(); run = run->next) {
  }
  return run;
}

TextRun* previousWithText(TextRun* run) {
  for (run = run ? run->previous : nullptr; run && run->text.empty(); run = run->previous) {
  }
  return run;
}

// A place in the stream of characters: index is a character of run, or run's length for the
// boundary between run and the next run with text.
struct Place {
  TextRun* run = nullptr;
  int32_t index = 0;
};

}  // namespace

struct TextSearch::Answers {
  // Slot of each phrase character among the remembered ones, -1 for none.
  std::array<int16_t, 0x10000> slot;
  std::vector<std::vector<uint8_t>> known;
};

TextSearch::TextSearch(std::u16string phrase, bool caseSensitive, CharacterMatch ignoringCase)
    : caseSensitive_(caseSensitive) {
  if (phrase.size() > kMaxPhraseLength) phrase.resize(kMaxPhraseLength);
  // The phrase is read as the text is: ligatures and long foldings as their letters.
  phrase_ = unicode_text::expandedForSearch(phrase, !caseSensitive_);
  if (!caseSensitive_ && ignoringCase) {
    match_ = std::move(ignoringCase);
    answers_ = std::make_unique<Answers>();
    answers_->slot.fill(-1);
    for (char16_t c : phrase_) {
      if (answers_->slot[c] >= 0 || answers_->known.size() >= kMaxRememberedCharacters) continue;
      answers_->slot[c] = static_cast<int16_t>(answers_->known.size());
      answers_->known.emplace_back();
    }
  } else if (!caseSensitive_) {
    for (char16_t& c : phrase_) c = foldCase(c);
  }
  reversed_.assign(phrase_.rbegin(), phrase_.rend());
  failure_ = failureTable(phrase_);
  reversedFailure_ = failureTable(reversed_);
}

TextSearch::~TextSearch() = default;
TextSearch::TextSearch(TextSearch&&) noexcept = default;
TextSearch& TextSearch::operator=(TextSearch&&) noexcept = default;

bool TextSearch::same(char16_t c, char16_t wanted) const {
  if (caseSensitive_) return c == wanted;
  if (!match_) return foldCase(c) == wanted;
  if (c == wanted) return true;
  const int16_t slot = answers_->slot[wanted];
  if (slot < 0) return match_(c, wanted);
  std::vector<uint8_t>& row = answers_->known[slot];
  if (row.empty()) row.assign(0x10000, 0);
  uint8_t& known = row[c];
  if (known == 0) known = match_(c, wanted) ? 2 : 1;
  return known == 2;
}

// f[i] is the length of the longest proper border of the first i characters, f[0] = −1.
std::vector<int32_t> TextSearch::failureTable(const std::u16string& t) const {
  const int32_t n = static_cast<int32_t>(t.size());
  std::vector<int32_t> f(n + 1);
  f[0] = -1;
  for (int32_t i = 1; i <= n; ++i) {
    f[i] = f[i - 1] + 1;
    while (f[i] > 0 && !same(t[i - 1], t[f[i] - 1])) f[i] = f[f[i] - 1] + 1;
  }
  return f;
}

std::optional<TextHit> TextSearch::findForward(TextRun* run, int32_t index) const {
  return scan(run, index, true);
}

std::optional<TextHit> TextSearch::findBackward(TextRun* run, int32_t index) const {
  return scan(run, index, false);
}

std::optional<TextHit> TextSearch::scan(TextRun* run, int32_t index, bool forward) const {
  const std::u16string& t = forward ? phrase_ : reversed_;
  const std::vector<int32_t>& f = forward ? failure_ : reversedFailure_;
  const int32_t n = static_cast<int32_t>(t.size());
  if (n == 0 || !run) return std::nullopt;

  // The first place to look at.
  Place at{run, index};
  if (forward && (run->text.empty() || index >= run->length())) at = {nextWithText(run), 0};
  if (forward && index < 0) at.index = 0;
  if (!forward && (run->text.empty() || index < 0)) {
    at.run = previousWithText(run);
    at.index = at.run ? at.run->length() - 1 : 0;
  }
  if (!forward && at.run && index >= at.run->length()) at.index = at.run->length() - 1;
  if (!at.run) return std::nullopt;

  auto step = [&](Place p) -> Place {
    if (forward) {
      if (p.index + 1 < p.run->length()) return {p.run, p.index + 1};
      if (p.index < p.run->length()) {  // last character: the boundary comes next, if any
        return nextWithText(p.run) ? Place{p.run, p.run->length()} : Place{};
      }
      return {nextWithText(p.run), 0};
    }
    if (p.index == p.run->length()) return {p.run, p.index - 1};
    if (p.index > 0) return {p.run, p.index - 1};
    TextRun* previous = previousWithText(p.run);
    return previous ? Place{previous, previous->length()} : Place{};
  };
  // A boundary place as a character: the first character after it, or the last before it.
  auto character = [](Place p, bool after) -> Place {
    if (p.index < p.run->length()) return p;
    return after ? Place{nextWithText(p.run), 0} : Place{p.run, p.run->length() - 1};
  };

  // A character that reads as several (a ligature) is matched unit by unit, in the direction
  // of the scan; a hit must take all of its units or none.
  struct Unit {
    Place place;
    int32_t part = 0;  // which of the place's units, in the order they are scanned
  };
  // The units of the last n matched, to find where a hit began.
  std::vector<Unit> recent(n);
  std::size_t count = 0, runs = 0;
  int32_t k = 0;
  const bool ignoringCase = !caseSensitive_;
  for (Place p = at; p.run && runs < kMaxScannedRuns; p = step(p)) {
    if (p.index == 0) ++runs;
    const bool boundary = p.index == p.run->length();
    char16_t units[kMaxSearchExpansion];
    int32_t parts = 1;
    if (!boundary) {
      units[0] = p.run->text[p.index];
      if (const int expanded = expandForSearch(units[0], ignoringCase, units); expanded > 0) {
        parts = expanded;
        if (!forward) std::reverse(units, units + parts);
      }
    }
    for (int32_t part = 0; part < parts; ++part) {
      auto matches = [&](char16_t wanted) {
        return boundary ? isSeparator(wanted) : same(units[part], wanted);
      };
      recent[count % n] = {p, part};
      ++count;
      while (k > 0 && !matches(t[k])) k = f[k];
      if (matches(t[k])) ++k;
      if (k < n) continue;
      const Unit first = recent[(count - n) % n];
      // A lone boundary shows no character, and a hit never splits a ligature.
      if ((n == 1 && boundary) || first.part != 0 || part != parts - 1) {
        k = f[k];
        continue;
      }
      TextHit hit;
      if (forward) {
        const Place s = character(first.place, true), e = character(p, false);
        hit = {s.run, s.index, e.run, e.index};
      } else {
        const Place s = character(p, true), e = character(first.place, false);
        hit = {s.run, s.index, e.run, e.index};
      }
      return hit;
    }
  }
  return std::nullopt;
}

std::u16string TextSearch::hitText(const TextHit& hit) {
  std::u16string text;
  for (TextRun* run = hit.run; run; run = run->next) {
    const int32_t from = run == hit.run ? hit.start : 0;
    const int32_t to = run == hit.endRun ? hit.end : run->length() - 1;
    if (run != hit.run && !run->text.empty()) text.push_back(u' ');
    for (int32_t i = std::max(0, from); i <= to && i < run->length(); ++i)
      text.push_back(run->text[i]);
    if (run == hit.endRun) break;
  }
  return text;
}

void markHit(const TextHit& hit) {
  for (TextRun* run = hit.run; run; run = run->next) {
    const int32_t from = run == hit.run ? hit.start : 0;
    const int32_t to = run == hit.endRun ? hit.end : run->length() - 1;
    if (from <= to && !run->text.empty()) {
      if (run->firstHighlighted < 0 || from < run->firstHighlighted) run->firstHighlighted = from;
      run->lastHighlighted = std::max(run->lastHighlighted, to);
    }
    if (run == hit.endRun) break;
  }
}

void clearMarks(TextRun* first, TextRun* last) {
  for (TextRun* run = first; run; run = run->next) {
    run->firstHighlighted = run->lastHighlighted = -1;
    if (run == last) break;
  }
}
