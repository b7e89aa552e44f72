#include "engine/forms/content_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Control points of a quarter ellipse drawn with one cubic curve.
constexpr double kKappa = 0.5522847498;

}  // namespace

std::string formatNumber(double value) {
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, -ContentWriter::kMaxOperand, ContentWriter::kMaxOperand);
  char buffer[48];
  int n = std::snprintf(buffer, sizeof buffer, "%.4f", value);
  if (n <= 0 || n >= static_cast<int>(sizeof buffer)) return std::string(1, '0');
  while (n > 0 && buffer[n - 1] == '0') --n;
  if (n > 0 && buffer[n - 1] == '.') --n;
  std::string_view s(buffer, static_cast<std::size_t>(n));
  if (s.empty() || s == "-0" || s == "-") return std::string(1, '0');
  return std::string(s);
}

void ContentWriter::separate() {
  if (!out_.empty() && out_.back() != '\n') out_ += ' ';
}

ContentWriter& ContentWriter::number(double value) {
  separate();
  out_ += formatNumber(value);
  return *this;
}

ContentWriter& ContentWriter::op(std::string_view name) {
  separate();
  out_ += name;
  out_ += '\n';
  return *this;
}

ContentWriter& ContentWriter::string(std::string_view bytes) {
  separate();
  out_ += '(';
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '(' || c == ')' || c == '\\') {
      out_ += '\\';
      out_ += c;
    } else if (u < 32 || u == 127) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", u);
      out_ += octal;
    } else {
      out_ += c;
    }
  }
  out_ += ')';
  return *this;
}

ContentWriter& ContentWriter::name(std::string_view name) {
  separate();
  out_ += '/';
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 32 || u >= 127 || std::string_view("#()<>[]{}/%").find(c) != std::string_view::npos) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "#%02X", u);
      out_ += hex;
    } else {
      out_ += c;
    }
  }
  return *this;
}

ContentWriter& ContentWriter::moveTo(double x, double y) { return number(x).number(y).op("m"); }
ContentWriter& ContentWriter::lineTo(double x, double y) { return number(x).number(y).op("l"); }

ContentWriter& ContentWriter::curveTo(double x1, double y1, double x2, double y2, double x3,
                                      double y3) {
  return number(x1).number(y1).number(x2).number(y2).number(x3).number(y3).op("c");
}

ContentWriter& ContentWriter::rect(double x, double y, double w, double h) {
  return number(x).number(y).number(w).number(h).op("re");
}

ContentWriter& ContentWriter::ellipse(double x0, double y0, double x1, double y1) {
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const double rx = std::fabs(x1 - x0) / 2, ry = std::fabs(y1 - y0) / 2;
  const double kx = rx * kKappa, ky = ry * kKappa;
  moveTo(cx + rx, cy);
  curveTo(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
  curveTo(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
  curveTo(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
  curveTo(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
  return op("h");
}

ContentWriter& ContentWriter::colour(const std::vector<double>& c, bool stroke) {
  const char* ops[] = {stroke ? "G" : "g", stroke ? "RG" : "rg", stroke ? "K" : "k"};
  int which = c.size() == 1 ? 0 : c.size() == 3 ? 1 : c.size() == 4 ? 2 : -1;
  if (which < 0) return *this;
  for (double v : c) number(std::clamp(v, 0.0, 1.0));
  return op(ops[which]);
}

ContentWriter& ContentWriter::dash(const std::vector<double>& lengths, double phase) {
  separate();
  out_ += '[';
  bool first = true;
  for (double l : lengths) {
    if (!first) out_ += ' ';
    out_ += formatNumber(l);
    first = false;
  }
  out_ += ']';
  return number(phase).op("d");
}
