#pragma once
// Stitching function: the domain is cut by Bounds into intervals, each served by one
// sub-function.

#include "engine/render/function.h"

class C_PDF_Function_Type3 : public C_PDF_Function {
 public:
  int evaluate(std::span<const double> inputs) override;
  bool parse(const PdfObject& dictionary, std::span<const uint8_t> data,
             FunctionBuildContext& context) override;

  std::vector<std::unique_ptr<C_PDF_Function>> Functions;
  std::vector<double> Bounds;  // k - 1 values
  std::vector<double> Encode;  // two per sub-function
  int k = 0;
};
