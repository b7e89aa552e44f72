#include "engine/forms/field_appearance.h"

#include <algorithm>
#include <cmath>

#include "engine/forms/content_writer.h"

namespace {

// Helvetica's ascent and descent, as shares of the size.
constexpr double kAscent = 0.718;
constexpr double kDescent = 0.207;
// Line spacing of multi-line text, as a share of the size.
constexpr double kLeading = 1.15;
// Space between the border and the text.
constexpr double kPadding = 2;
// Sizes of automatically sized text: the most, the least, and that of multi-line text.
constexpr double kMaxAutoSize = 12;
constexpr double kMinAutoSize = 4;
// The colour of selected list rows.
const std::vector<double> kSelectionColour{0.6, 0.75, 0.9};
// A font size from the file beyond this is taken as this.
constexpr double kMaxFontSize = 1000;
// Kinds, as in the document's field kinds.
constexpr int kPushButton = 11, kRadio = 12, kCheck = 13, kMultiLine = 21, kList = 33;

class FieldBuilder {
 public:
  explicit FieldBuilder(const FieldAppearanceInput& in) : in_(in) {
    da_ = parseDefaultAppearance(in.da);
    fontName_ = da_.font.empty() ? "Helv" : da_.font;
    bw_ = std::clamp(in.borderWidth, 0.0, std::min(in.width, in.height) / 4);
    if (in.borderColour.empty()) bw_ = 0;
  }

  BuiltAppearance build() {
    frame();
    switch (in_.kind) {
      case kPushButton:
        singleLine(in_.caption, 1);
        break;
      case kRadio:
      case kCheck:
        if (in_.checked) checkMark();
        break;
      case kList:
        listBox();
        break;
      default:
        if (in_.kind == kMultiLine || (in_.fieldFlags & kFieldFlagMultiline))
          multiLine();
        else
          singleLine(shownValue(), in_.quadding);
        break;
    }
    BuiltAppearance out;
    out.content = w_.text();
    out.bbox = {0, 0, in_.width, in_.height};
    if (usedFont_) {
      PdfObject fonts(PdfObjectKind::Dictionary);
      fonts.add(fontName_,
                in_.font.kind == PdfObjectKind::None ? standardFontDictionary() : in_.font);
      out.resources = PdfObject(PdfObjectKind::Dictionary);
      out.resources.add("Font", std::move(fonts));
    }
    return out;
  }

 private:
  std::string shownValue() const {
    if (in_.fieldFlags & kFieldFlagPassword) return std::string(in_.value.size(), '*');
    return in_.value;
  }
  std::vector<double> textColour() const {
    return da_.colour.empty() ? std::vector<double>{0} : da_.colour;
  }
  double innerWidth() const { return in_.width - 2 * (bw_ + kPadding); }
  double innerHeight() const { return in_.height - 2 * bw_; }

  void frame() {
    const double w = in_.width, h = in_.height;
    if (!in_.background.empty()) {
      w_.colour(in_.background, false).rect(0, 0, w, h).op("f");
    }
    if (bw_ > 0) {
      w_.colour(in_.borderColour, true).lineWidth(bw_);
      if (in_.borderStyle == "D") w_.dash({3}, 0);
      if (in_.borderStyle == "U") {
        w_.moveTo(0, bw_ / 2).lineTo(w, bw_ / 2).op("S");
      } else {
        w_.rect(bw_ / 2, bw_ / 2, w - bw_, h - bw_).op("S");
      }
      if (in_.borderStyle == "D") w_.dash({}, 0);
    }
  }

  void beginText() {
    w_.op("/Tx BMC");
    w_.op("q").rect(bw_, bw_, in_.width - 2 * bw_, in_.height - 2 * bw_).op("W").op("n");
  }
  void endText() { w_.op("Q").op("EMC"); }

  void show(const std::string& bytes, double x, double y, double size) {
    usedFont_ = true;
    w_.op("BT").name(fontName_).number(size).op("Tf").colour(textColour(), false);
    w_.number(x).number(y).op("Td").string(bytes).op("Tj").op("ET");
  }

  double autoSize(const std::string& text, double height) const {
    double size = std::min(kMaxAutoSize, (height - 2 * kPadding) / (kAscent + kDescent));
    const double unit = in_.widths.textWidth(text, 1);
    if (unit > 0 && innerWidth() > 0) size = std::min(size, innerWidth() / unit);
    return std::max(size, kMinAutoSize);
  }

  double fixedSize() const { return std::min(da_.size, kMaxFontSize); }

  void singleLine(const std::string& text, int quadding) {
    if (text.empty()) return;
    const double size = da_.size > 0 ? fixedSize() : autoSize(text, innerHeight());
    const double baseline = in_.height / 2 - size * (kAscent - kDescent) / 2;
    beginText();
    const int cells = in_.maxLen;
    if ((in_.fieldFlags & kFieldFlagComb) && cells > 0 && cells <= kMaxCombCells &&
        !(in_.fieldFlags & kFieldFlagMultiline)) {
      // One character centred in each of MaxLen cells.
      const double cell = in_.width / cells;
      for (std::size_t i = 0; i < text.size() && static_cast<int>(i) < cells; ++i) {
        const std::string c(1, text[i]);
        const double cw = in_.widths.textWidth(c, size);
        show(c, cell * static_cast<double>(i) + (cell - cw) / 2, baseline, size);
      }
    } else {
      std::string shown = text;
      if (in_.maxLen > 0 && static_cast<int>(shown.size()) > in_.maxLen)
        shown.resize(static_cast<std::size_t>(in_.maxLen));
      const double tw = in_.widths.textWidth(shown, size);
      const double left = bw_ + kPadding;
      const double x = quadding == 1   ? (in_.width - tw) / 2
                       : quadding == 2 ? in_.width - left - tw
                                       : left;
      show(shown, x, baseline, size);
    }
    endText();
  }

  void multiLine() {
    const std::string text = shownValue();
    if (text.empty()) return;
    const double size = da_.size > 0 ? fixedSize() : kMaxAutoSize;
    beginText();
    double y = in_.height - bw_ - kPadding - size * kAscent;
    for (const std::string& line : breakLines(text, in_.widths, size, innerWidth())) {
      if (y < -size) break;
      const double tw = in_.widths.textWidth(line, size);
      const double left = bw_ + kPadding;
      const double x = in_.quadding == 1   ? (in_.width - tw) / 2
                       : in_.quadding == 2 ? in_.width - left - tw
                                           : left;
      if (!line.empty()) show(line, x, y, size);
      y -= size * kLeading;
    }
    endText();
  }

  void listBox() {
    const double size = da_.size > 0 ? fixedSize() : kMaxAutoSize;
    const double row = size * kLeading;
    beginText();
    double top = in_.height - bw_;
    const std::size_t first = static_cast<std::size_t>(std::max(0, in_.topIndex));
    for (std::size_t i = first; i < in_.options.size(); ++i) {
      if (top - row < -row) break;
      if (i < in_.selected.size() && in_.selected[i]) {
        w_.colour(kSelectionColour, false).rect(bw_, top - row, in_.width - 2 * bw_, row).op("f");
      }
      show(in_.options[i], bw_ + kPadding, top - row + size * kDescent + (row - size) / 2, size);
      top -= row;
    }
    endText();
  }

  // A check (a tick) or a radio button's dot, in the text colour, centred in the box.
  void checkMark() {
    const double inner = std::min(in_.width, in_.height) - 2 * bw_;
    if (!(inner > 0)) return;
    const double cx = in_.width / 2, cy = in_.height / 2;
    w_.colour(textColour(), false);
    if (in_.radio || in_.caption == "l") {
      const double r = inner * 0.3;
      w_.ellipse(cx - r, cy - r, cx + r, cy + r).op("f");
      return;
    }
    if (in_.caption == "n" || in_.caption == "u") {
      const double r = inner * 0.3;  // a square or diamond symbol: a filled square
      w_.rect(cx - r, cy - r, 2 * r, 2 * r).op("f");
      return;
    }
    const double s = inner * 0.8, x0 = cx - s / 2, y0 = cy - s / 2;
    if (in_.caption == "8") {  // a cross
      w_.colour(textColour(), true).lineWidth(s / 8);
      w_.moveTo(x0, y0).lineTo(x0 + s, y0 + s).moveTo(x0, y0 + s).lineTo(x0 + s, y0).op("S");
      return;
    }
    w_.moveTo(x0, y0 + s * 0.5)
        .lineTo(x0 + s * 0.15, y0 + s * 0.62)
        .lineTo(x0 + s * 0.38, y0 + s * 0.3)
        .lineTo(x0 + s * 0.85, y0 + s)
        .lineTo(x0 + s, y0 + s * 0.9)
        .lineTo(x0 + s * 0.38, y0)
        .op("h")
        .op("f");
  }

  const FieldAppearanceInput& in_;
  DefaultAppearance da_;
  std::string fontName_;
  double bw_ = 0;
  bool usedFont_ = false;
  ContentWriter w_;
};

}  // namespace

BuiltAppearance buildFieldAppearance(const FieldAppearanceInput& input) {
  if (!(input.width > 0 && input.height > 0) || !std::isfinite(input.width) ||
      !std::isfinite(input.height))
    return BuiltAppearance{};
  return FieldBuilder(input).build();
}
