#pragma once
// One shown text unit as text showing collects it for the page's text layout.

#include <cstdint>

struct S_FixedPosSize_Font;

struct CollectedGlyph {
  char16_t unit = 0;
  // Page units (points at zoom 1), y downwards from the top of the page; y is the baseline.
  float x = 0;
  float width = 0;
  float y = 0;
  float height = 0;
  // Sequence number of the operator that showed it.
  int32_t sequence = 0;
  // Degrees.
  int32_t orientation = 0;
  // ARGB.
  uint32_t colour = 0;
  const S_FixedPosSize_Font* font = nullptr;
};
