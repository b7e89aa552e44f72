#pragma once
// Exponential interpolation: y = C0 + x^N × (C1 - C0).

#include "engine/render/function.h"

class C_PDF_Function_Type2 : public C_PDF_Function {
 public:
  int evaluate(std::span<const double> inputs) override;
  bool parse(const PdfObject& dictionary, std::span<const uint8_t> data,
             FunctionBuildContext& context) override;

  // Both hold n values: entries one array lacks take the default (0 for C0, 1 for C1).
  std::vector<double> C0;
  std::vector<double> C1;
  double N = 1.0;
};
