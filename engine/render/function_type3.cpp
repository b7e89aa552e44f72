#include "engine/render/function_type3.h"

#include <algorithm>

#include "engine/render/resolved_values.h"

bool C_PDF_Function_Type3::parse(const PdfObject& dictionary, std::span<const uint8_t>,
                                 FunctionBuildContext& context) {
  ObjectResolver& resolver = context.resolver;
  if (!parseDomainAndRange(dictionary, resolver)) return false;
  PdfObject storage;
  const PdfObject* functions = resolvedEntry(dictionary, "Functions", resolver, storage);
  if (!functions || !functions->isArray() || functions->elements.empty()) return false;
  for (const PdfObject& element : functions->elements) {
    std::unique_ptr<C_PDF_Function> function = createFunction(element, context);
    if (!function) return false;
    Functions.push_back(std::move(function));
  }
  k = static_cast<int>(Functions.size());
  const PdfObject* bounds = dictionary.lookup("Bounds");
  if (bounds ? !readNumbers(bounds, resolver, Bounds) : k != 1) return false;
  if (Bounds.size() != static_cast<std::size_t>(k - 1)) return false;
  return readNumbers(dictionary.lookup("Encode"), resolver, Encode) &&
         Encode.size() >= static_cast<std::size_t>(2 * k);
}

int C_PDF_Function_Type3::evaluate(std::span<const double> inputs) {
  const double x = inputAt(inputs, 0);
  for (int i = 0; i < k; ++i) {
    const double low = i == 0 ? Domain[0] : Bounds[i - 1];
    const double high = i == k - 1 ? Domain[1] : Bounds[i];
    // The last interval is closed so that the end of the domain is served.
    const bool inside = low <= x && (x < high || (i == k - 1 && x == high));
    if (!inside) continue;
    const double e0 = Encode[2 * i], e1 = Encode[2 * i + 1];
    const double encoded = high == low ? e0 : e0 + (x - low) * (e1 - e0) / (high - low);
    const int count = Functions[i]->evaluate({&encoded, 1});
    if (count < 0) break;
    double* out = resetOutputs(count);
    std::copy_n(Functions[i]->outputs().data(), count, out);
    return count;
  }
  resetOutputs(n);
  return -1;
}
