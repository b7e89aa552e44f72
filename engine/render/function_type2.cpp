#include "engine/render/function_type2.h"

#include <cmath>

#include "engine/render/resolved_values.h"

bool C_PDF_Function_Type2::parse(const PdfObject& dictionary, std::span<const uint8_t>,
                                 FunctionBuildContext& context) {
  ObjectResolver& resolver = context.resolver;
  if (!parseDomainAndRange(dictionary, resolver)) return false;
  const PdfObject* c0 = dictionary.lookup("C0");
  const PdfObject* c1 = dictionary.lookup("C1");
  if (c0 && !readNumbers(c0, resolver, C0)) return false;
  if (c1 && !readNumbers(c1, resolver, C1)) return false;
  if (!c0) C0 = {0.0};
  if (!c1) C1 = {1.0};
  n = static_cast<int>(c0 || !c1 ? C0.size() : C1.size());
  if (n < 1 || n > kMaxOutputs) return false;
  C0.resize(static_cast<std::size_t>(n), 0.0);
  C1.resize(static_cast<std::size_t>(n), 1.0);
  return readNumber(dictionary.lookup("N"), resolver, N);
}

int C_PDF_Function_Type2::evaluate(std::span<const double> inputs) {
  double* out = resetOutputs(n);
  const double xN = std::pow(inputAt(inputs, 0), N);
  for (int i = 0; i < n; ++i) out[i] = C0[i] + xN * (C1[i] - C0[i]);
  return n;
}
