#include "engine/render/resolved_values.h"

#include <cmath>
#include <limits>

const PdfObject* resolvedEntry(const PdfObject& dictionary, std::string_view key,
                               ObjectResolver& resolver, PdfObject& storage) {
  const PdfObject* value = dictionary.lookup(key);
  if (!value) return nullptr;
  return &resolver.resolved(*value, storage);
}

bool readNumber(const PdfObject* value, ObjectResolver& resolver, double& out) {
  if (!value) return false;
  PdfObject storage;
  const PdfObject& v = resolver.resolved(*value, storage);
  if (!v.isNumber()) return false;
  out = v.realValue();
  return true;
}

bool readInteger(const PdfObject* value, ObjectResolver& resolver, int32_t& out) {
  double number = 0;
  if (!readNumber(value, resolver, number)) return false;
  out = truncateToInt32(number);
  return true;
}

bool readNumbers(const PdfObject* value, ObjectResolver& resolver, std::vector<double>& out) {
  out.clear();
  if (!value) return false;
  PdfObject storage;
  const PdfObject& array = resolver.resolved(*value, storage);
  if (!array.isArray()) return false;
  out.reserve(array.elements.size());
  for (const PdfObject& element : array.elements) {
    double number = 0;
    if (!readNumber(&element, resolver, number)) {
      out.clear();
      return false;
    }
    out.push_back(number);
  }
  return true;
}

int32_t truncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}
