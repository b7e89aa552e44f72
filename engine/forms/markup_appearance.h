#pragma once
// Appearances for markup annotations that come without one, built from their dictionaries:
// Square, Circle, Line, Polygon, PolyLine, Ink, Highlight, Underline, StrikeOut, Squiggly,
// FreeText, Text (a note icon), Caret and Stamp (a labelled box).

#include <optional>

#include "engine/forms/built_appearance.h"

// Points of QuadPoints, Vertices, L and InkList read per annotation at most.
inline constexpr std::size_t kMaxMarkupPoints = 100000;
// Ink strokes per annotation at most.
inline constexpr std::size_t kMaxInkStrokes = 10000;
// Zigzag steps of one squiggly quadrilateral at most.
inline constexpr int kMaxSquiggleSteps = 2000;

// nullopt for other subtypes, or when the dictionary lacks what the kind needs (a Rect, points).
std::optional<BuiltAppearance> buildMarkupAppearance(const PdfObject& annotation,
                                                     const AnnotationValues& values);
