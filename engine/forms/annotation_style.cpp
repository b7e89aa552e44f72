#include "engine/forms/annotation_style.h"

#include <algorithm>
#include <cmath>

std::vector<double> readNumbers(const PdfObject* value, const AnnotationValues& values,
                                std::size_t limit) {
  std::vector<double> out;
  if (!value) return out;
  const PdfObject array = values.resolve(*value);
  if (!array.isArray()) return out;
  for (const PdfObject& element : array.elements) {
    if (out.size() >= limit) break;
    const PdfObject number = element.isReference() ? values.resolve(element) : element;
    if (number.isNumber() && std::isfinite(number.realValue())) out.push_back(number.realValue());
  }
  return out;
}

double readNumber(const PdfObject* value, const AnnotationValues& values, double fallback) {
  if (!value) return fallback;
  const PdfObject number = values.resolve(*value);
  return number.isNumber() && std::isfinite(number.realValue()) ? number.realValue() : fallback;
}

std::string readName(const PdfObject* value, const AnnotationValues& values) {
  if (!value) return {};
  const PdfObject name = values.resolve(*value);
  return name.isName() ? name.text : std::string();
}

std::optional<std::array<double, 4>> readRect(const PdfObject& annotation,
                                              const AnnotationValues& values) {
  const std::vector<double> r = readNumbers(annotation.lookup("Rect"), values, 4);
  if (r.size() < 4) return std::nullopt;
  return std::array<double, 4>{std::min(r[0], r[2]), std::min(r[1], r[3]), std::max(r[0], r[2]),
                               std::max(r[1], r[3])};
}

AnnotationStyle readAnnotationStyle(const PdfObject& a, const AnnotationValues& values) {
  AnnotationStyle style;
  style.colour = readNumbers(a.lookup("C"), values, 4);
  style.interior = readNumbers(a.lookup("IC"), values, 4);
  bool dashed = false;
  PdfObject bs = a.lookup("BS") ? values.resolve(*a.lookup("BS")) : PdfObject();
  if (bs.isDictionary()) {
    style.borderWidth = readNumber(bs.lookup("W"), values, 1);
    dashed = readName(bs.lookup("S"), values) == "D";
    if (dashed) style.dashes = readNumbers(bs.lookup("D"), values, AnnotationStyle::kMaxDashes);
  } else if (const PdfObject* border = a.lookup("Border")) {
    const PdfObject array = values.resolve(*border);
    if (array.isArray() && array.elements.size() >= 3) {
      style.borderWidth = readNumber(&array.elements[2], values, 1);
      if (array.elements.size() >= 4) {
        style.dashes = readNumbers(&array.elements[3], values, AnnotationStyle::kMaxDashes);
        dashed = true;
      }
    }
  }
  if (dashed && style.dashes.empty()) style.dashes = {3};
  // A dash pattern of zeros alone would draw nothing, or loop in some painters.
  if (std::all_of(style.dashes.begin(), style.dashes.end(), [](double d) { return d <= 0; }))
    style.dashes.clear();
  style.borderWidth = std::clamp(style.borderWidth, 0.0, AnnotationStyle::kMaxBorderWidth);
  style.opacity = std::clamp(readNumber(a.lookup("CA"), values, 1), 0.0, 1.0);
  return style;
}
