#include "engine/document/pdf_object.h"

#include <charconv>
#include <limits>

void PdfObject::clear() {
  objectNumber = -1;
  generation = -1;
  kind = PdfObjectKind::None;
  text.clear();
  elements.clear();
  entries.clear();
}

int32_t parseIntValue(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

int64_t parseInt64Value(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    value = value > (kLimit - digit) / 10 ? kLimit : value * 10 + digit;
  }
  return negative ? -value : value;
}

double parseRealValue(std::string_view text) {
  if (text.find('.') == std::string_view::npos) return parseIntValue(text);
  // Take the longest prefix of the form: sign, digits, point, digits, exponent.
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::size_t start = i;
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
  }
  if (!digits) return 0.0;
  std::size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      end = j;
    }
  }
  double value = 0.0;
  std::string_view number = text.substr(start, end - start);
  // from_chars does not take a number that starts with the point; give it a leading zero.
  std::string buffer;
  if (!number.empty() && number[0] == '.') {
    buffer = "0";
    buffer += number;
    number = buffer;
  }
  std::from_chars(number.data(), number.data() + number.size(), value);
  return negative ? -value : value;
}

int32_t PdfObject::intValue() const { return parseIntValue(text); }
int64_t PdfObject::offsetValue() const { return parseInt64Value(text); }
double PdfObject::realValue() const { return parseRealValue(text); }
bool PdfObject::boolValue() const { return text != "false"; }

const PdfObject* PdfObject::lookup(std::string_view key) const {
  for (const DictEntry& e : entries)
    if (e.key == key) return &e.value;
  return nullptr;
}

PdfObject* PdfObject::lookup(std::string_view key) {
  for (DictEntry& e : entries)
    if (e.key == key) return &e.value;
  return nullptr;
}

void PdfObject::add(std::string key, PdfObject value) {
  entries.push_back(DictEntry{std::move(key), std::move(value)});
}
