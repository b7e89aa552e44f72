#pragma once
// Writes the operators of a content stream: numbers kept short, strings escaped.

#include <string>
#include <string_view>
#include <vector>

class ContentWriter {
 public:
  // Operands beyond this magnitude are written as this, so that a wild file value never
  // becomes an exponent the content parser rejects.
  static constexpr double kMaxOperand = 1e7;

  ContentWriter& number(double value);
  ContentWriter& op(std::string_view name);
  // A literal string operand with ( ) \ and control bytes escaped.
  ContentWriter& string(std::string_view bytes);
  ContentWriter& name(std::string_view name);

  // Shorthands.
  ContentWriter& moveTo(double x, double y);
  ContentWriter& lineTo(double x, double y);
  ContentWriter& curveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  ContentWriter& rect(double x, double y, double w, double h);
  // An ellipse inscribed in the box, as four curves.
  ContentWriter& ellipse(double x0, double y0, double x1, double y1);
  // Colour operands of 1, 3 or 4 components (gray, RGB, CMYK) with the stroke or fill operator;
  // nothing for other counts.
  ContentWriter& colour(const std::vector<double>& components, bool stroke);
  ContentWriter& lineWidth(double w) { return number(w).op("w"); }
  ContentWriter& dash(const std::vector<double>& lengths, double phase);

  const std::string& text() const { return out_; }

 private:
  void separate();
  std::string out_;
};

// A number as a content stream writes it: at most four decimals, no exponent, no "-0".
std::string formatNumber(double value);
