#pragma once
// An appearance made by the engine for an annotation that brings none (or a stale one): a form
// XObject's content, box and resources, drawn like an appearance stream of the file.

#include <array>
#include <string>

#include "engine/document/pdf_object.h"

struct BuiltAppearance {
  std::string content;
  // In the form's own space; the drawing fits it onto the annotation's Rect.
  std::array<double, 4> bbox{0, 0, 0, 0};
  // The form's Matrix (a field turned by its MK R).
  std::array<double, 6> matrix{1, 0, 0, 1, 0, 0};
  // A resource dictionary (fonts, graphics states), or None.
  PdfObject resources;
};

// How the builders read an annotation's values: indirect values resolved, strings decrypted.
class AnnotationValues {
 public:
  virtual ~AnnotationValues() = default;
  // The value itself when direct; None when it cannot be read.
  virtual PdfObject resolve(const PdfObject& value) const { return value; }
  // A string operand's bytes as the file means them (decrypted when the file is encrypted).
  virtual std::string stringBytes(const PdfObject& string) const { return string.text; }
};
