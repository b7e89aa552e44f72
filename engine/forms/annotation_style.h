#pragma once
// The drawing style an annotation dictionary gives: colours, border, opacity.

#include <optional>
#include <string>
#include <vector>

#include "engine/forms/built_appearance.h"

struct AnnotationStyle {
  // Dash lengths beyond this many are dropped.
  static constexpr std::size_t kMaxDashes = 16;
  // Border widths beyond this are taken as this.
  static constexpr double kMaxBorderWidth = 100;

  std::vector<double> colour;    // C: empty means transparent
  std::vector<double> interior;  // IC
  double borderWidth = 1;        // BS W, else Border's third number
  std::vector<double> dashes;    // set when the border style is dashed
  double opacity = 1;            // CA
};

// Reads C, IC, BS (W, S, D), Border and CA.
AnnotationStyle readAnnotationStyle(const PdfObject& annotation, const AnnotationValues& values);

// The numbers of an array value (resolved element by element), at most limit of them.
std::vector<double> readNumbers(const PdfObject* value, const AnnotationValues& values,
                                std::size_t limit);

// A resolved number, or fallback.
double readNumber(const PdfObject* value, const AnnotationValues& values, double fallback);

// A resolved name's text, or empty.
std::string readName(const PdfObject* value, const AnnotationValues& values);

// Rect with its corners ordered; nullopt without four finite numbers.
std::optional<std::array<double, 4>> readRect(const PdfObject& annotation,
                                              const AnnotationValues& values);
