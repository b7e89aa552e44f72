#include "viewer/ui/leading_number.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <string>

namespace Corvalis::Viewer {

namespace {

// Typed numbers beyond this are taken as this, so the arithmetic stays finite.
constexpr double kMaxTypedPercent = 1e9;
// Digits of a typed integer beyond this cannot change the saturated result.
constexpr int kMaxIntegerDigits = 12;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

double leadingNumber(const QString& text) {
  const std::string s = text.toLocal8Bit().toStdString();
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  // Only decimal digits or a point may start the number (no "inf", "nan" or hexadecimal).
  if (i >= s.size() || !((s[i] >= '0' && s[i] <= '9') || s[i] == '.')) return 0;
  double value = 0;
  const auto [end, error] =
      std::from_chars(s.data() + i, s.data() + s.size(), value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value = kMaxTypedPercent;
  } else if (error != std::errc() || end == s.data() + i) {
    return 0;
  }
  value = std::min(value, kMaxTypedPercent);
  return negative ? -value : value;
}

int leadingInteger(const QString& text) {
  const std::string s = text.toLocal8Bit().toStdString();
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  while (i < s.size() && s[i] == '0') ++i;
  long long value = 0;
  for (int digits = 0; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (++digits > kMaxIntegerDigits) break;
    value = value * 10 + (s[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace Corvalis::Viewer
