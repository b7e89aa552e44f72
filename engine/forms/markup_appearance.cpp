#include "engine/forms/markup_appearance.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/document/text_string.h"
#include "engine/forms/annotation_style.h"
#include "engine/forms/appearance_text.h"
#include "engine/forms/content_writer.h"

namespace {

struct Point {
  double x = 0, y = 0;
};

// Resource names of what built appearances use.
constexpr const char* kFontName = "Helv";
constexpr const char* kStateName = "GS0";
// The text size of free text whose DA and DS give none.
constexpr double kDefaultTextSize = 12;
// Helvetica's ascent, as a share of the size.
constexpr double kAscent = 0.718;
// Space between the border and free text.
constexpr double kTextPadding = 2;
// A line's caption: its text size and the space left around it.
constexpr double kCaptionSize = 9;
constexpr double kCaptionGap = 2;
// Leader lines longer than this are taken as this long.
constexpr double kMaxLeaderLength = 10000;
// Rich text read at most (UTF-16 units), and the longest entity looked at.
constexpr std::size_t kMaxRichText = 1 << 20;
constexpr std::size_t kMaxEntity = 10;
// Letters of a stamp's label at most.
constexpr std::size_t kMaxLabel = 64;

std::string textOf(const PdfObject* value, const AnnotationValues& v);

class Builder {
 public:
  Builder(const PdfObject& a, const AnnotationValues& v) : a_(a), v_(v) {
    style_ = readAnnotationStyle(a, v);
  }

  std::optional<BuiltAppearance> build(const std::string& subtype);

 private:
  std::vector<Point> points(const PdfObject* value) const {
    const std::vector<double> n = readNumbers(value, v_, kMaxMarkupPoints * 2);
    std::vector<Point> out;
    for (std::size_t i = 0; i + 1 < n.size(); i += 2) out.push_back({n[i], n[i + 1]});
    return out;
  }
  void opacity(bool multiply) {
    if (style_.opacity >= 1 && !multiply) return;
    needState_ = true;
    multiply_ = multiply;
    w_.name(kStateName).op("gs");
  }
  void strokeStyle() {
    w_.colour(style_.colour, true).lineWidth(style_.borderWidth);
    if (!style_.dashes.empty()) w_.dash(style_.dashes, 0);
  }
  bool stroking() const { return !style_.colour.empty() && style_.borderWidth > 0; }
  void paint(bool fill, bool stroke, bool close) {
    if (fill && stroke)
      w_.op(close ? "b" : "B");
    else if (fill)
      w_.op("f");
    else if (stroke)
      w_.op(close ? "s" : "S");
    else
      w_.op("n");
  }
  void polyline(const std::vector<Point>& p) {
    w_.moveTo(p[0].x, p[0].y);
    for (std::size_t i = 1; i < p.size(); ++i) w_.lineTo(p[i].x, p[i].y);
  }
  void lineEnding(const std::string& kind, Point at, Point from);
  std::optional<BuiltAppearance> squareOrCircle(bool circle);
  std::optional<BuiltAppearance> line();
  std::optional<BuiltAppearance> poly(bool closed);
  std::optional<BuiltAppearance> ink();
  std::optional<BuiltAppearance> textMarkup(const std::string& subtype);
  std::optional<BuiltAppearance> freeText();
  std::optional<BuiltAppearance> note();
  std::optional<BuiltAppearance> caret();
  std::optional<BuiltAppearance> stamp();
  void text(const std::string& bytes, double x, double y, double size) {
    needFont_ = true;
    w_.op("BT").name(kFontName).number(size).op("Tf");
    w_.number(x).number(y).op("Td").string(bytes).op("Tj").op("ET");
  }
  BuiltAppearance finish(const std::array<double, 4>& box);

  const PdfObject& a_;
  const AnnotationValues& v_;
  AnnotationStyle style_;
  ContentWriter w_;
  bool needFont_ = false;
  bool needState_ = false;
  bool multiply_ = false;
};

BuiltAppearance Builder::finish(const std::array<double, 4>& box) {
  BuiltAppearance out;
  out.content = w_.text();
  out.bbox = box;
  if (needFont_ || needState_) {
    out.resources = PdfObject(PdfObjectKind::Dictionary);
    if (needFont_) {
      PdfObject fonts(PdfObjectKind::Dictionary);
      fonts.add(kFontName, standardFontDictionary());
      out.resources.add("Font", std::move(fonts));
    }
    if (needState_) {
      PdfObject state(PdfObjectKind::Dictionary);
      const std::string alpha = formatNumber(style_.opacity);
      state.add("CA", PdfObject(PdfObjectKind::Number, alpha));
      state.add("ca", PdfObject(PdfObjectKind::Number, alpha));
      if (multiply_) state.add("BM", PdfObject(PdfObjectKind::Name, "Multiply"));
      PdfObject states(PdfObjectKind::Dictionary);
      states.add(kStateName, std::move(state));
      out.resources.add("ExtGState", std::move(states));
    }
  }
  return out;
}

std::optional<BuiltAppearance> Builder::squareOrCircle(bool circle) {
  const auto rect = readRect(a_, v_);
  if (!rect) return std::nullopt;
  auto r = *rect;
  // RD insets the drawn shape from the Rect.
  const std::vector<double> rd = readNumbers(a_.lookup("RD"), v_, 4);
  if (rd.size() == 4 && rd[0] + rd[2] < r[2] - r[0] && rd[1] + rd[3] < r[3] - r[1]) {
    r = {r[0] + rd[0], r[1] + rd[1], r[2] - rd[2], r[3] - rd[3]};
  }
  const bool stroke = stroking();
  const bool fill = !style_.interior.empty();
  if (!stroke && !fill) return finish(*rect);
  const double inset = stroke ? std::min(style_.borderWidth / 2, (r[2] - r[0]) / 2) : 0;
  opacity(false);
  if (stroke) strokeStyle();
  if (fill) w_.colour(style_.interior, false);
  if (circle)
    w_.ellipse(r[0] + inset, r[1] + inset, r[2] - inset, r[3] - inset);
  else
    w_.rect(r[0] + inset, r[1] + inset, r[2] - r[0] - 2 * inset, r[3] - r[1] - 2 * inset);
  paint(fill, stroke, false);
  return finish(*rect);
}

void Builder::lineEnding(const std::string& kind, Point at, Point from) {
  double dx = at.x - from.x, dy = at.y - from.y;
  const double length = std::hypot(dx, dy);
  if (!(length > 0) || kind.empty() || kind == "None") return;
  dx /= length, dy /= length;
  const double s = std::max(6.0, 5 * style_.borderWidth);
  const double nx = -dy, ny = dx;
  auto pt = [&](double along, double across) {
    return Point{at.x + dx * along + nx * across, at.y + dy * along + ny * across};
  };
  const bool fill = !style_.interior.empty();
  if (fill) w_.colour(style_.interior, false);
  auto closedShape = [&](const std::vector<Point>& p) {
    polyline(p);
    paint(fill, true, true);
  };
  if (kind == "Square") {
    closedShape({pt(s / 2, s / 2), pt(-s / 2, s / 2), pt(-s / 2, -s / 2), pt(s / 2, -s / 2)});
  } else if (kind == "Circle") {
    w_.ellipse(at.x - s / 2, at.y - s / 2, at.x + s / 2, at.y + s / 2);
    paint(fill, true, true);
  } else if (kind == "Diamond") {
    closedShape({pt(s / 2, 0), pt(0, s / 2), pt(-s / 2, 0), pt(0, -s / 2)});
  } else if (kind == "OpenArrow" || kind == "ROpenArrow") {
    const double back = kind == "OpenArrow" ? -s : s;
    polyline({pt(back, s / 2), pt(0, 0), pt(back, -s / 2)});
    w_.op("S");
  } else if (kind == "ClosedArrow" || kind == "RClosedArrow") {
    const double back = kind == "ClosedArrow" ? -s : s;
    closedShape({pt(back, s / 2), pt(0, 0), pt(back, -s / 2)});
  } else if (kind == "Butt") {
    polyline({pt(0, s / 2), pt(0, -s / 2)});
    w_.op("S");
  } else if (kind == "Slash") {
    // Thirty degrees past the perpendicular.
    const double c = std::cos(M_PI / 6) * s / 2, t = std::sin(M_PI / 6) * s / 2;
    polyline({pt(t, c), pt(-t, -c)});
    w_.op("S");
  }
}

std::optional<BuiltAppearance> Builder::line() {
  const auto rect = readRect(a_, v_);
  const std::vector<Point> p = points(a_.lookup("L"));
  if (!rect || p.size() < 2) return std::nullopt;
  if (!stroking()) return finish(*rect);
  opacity(false);
  strokeStyle();
  const double dx = p[1].x - p[0].x, dy = p[1].y - p[0].y;
  const double length = std::hypot(dx, dy);
  // Along the line and to its left; a line of no length has no sides.
  const double ux = length > 0 ? dx / length : 1, uy = length > 0 ? dy / length : 0;
  const double nx = -uy, ny = ux;
  auto shifted = [&](Point at, double along, double across) {
    return Point{at.x + ux * along + nx * across, at.y + uy * along + ny * across};
  };
  // Leader lines: LL moves the line off its end points (positive to its left), LLE carries
  // them past it and LLO leaves a gap at the points.
  auto leader = [&](const char* key, double low) {
    const double value = readNumber(a_.lookup(key), v_, 0);
    return std::isfinite(value) ? std::clamp(value, low, kMaxLeaderLength) : 0.0;
  };
  const double ll = leader("LL", -kMaxLeaderLength);
  const double lle = ll != 0 ? leader("LLE", 0) : 0, llo = ll != 0 ? leader("LLO", 0) : 0;
  const Point start = shifted(p[0], 0, ll), end = shifted(p[1], 0, ll);
  if (ll != 0) {
    const double side = ll < 0 ? -1 : 1;
    for (Point at : {p[0], p[1]}) {
      polyline({shifted(at, 0, side * llo), shifted(at, 0, ll + side * lle)});
      w_.op("S");
    }
  }
  // The caption: Contents along the line, in a gap of it (Inline) or above it (Top), moved
  // by CO.
  const PdfObject cap = a_.lookup("Cap") ? v_.resolve(*a_.lookup("Cap")) : PdfObject();
  const bool captioned = cap.kind == PdfObjectKind::Boolean && cap.boolValue();
  const std::string caption = captioned ? textOf(a_.lookup("Contents"), v_) : std::string();
  const FontWidths widths;
  const double captionWidth = widths.textWidth(caption, kCaptionSize);
  const bool top = readName(a_.lookup("CP"), v_) == "Top";
  const std::vector<double> co = readNumbers(a_.lookup("CO"), v_, 2);
  const double coAlong = co.size() == 2 && std::isfinite(co[0]) ? co[0] : 0;
  const double coAcross = co.size() == 2 && std::isfinite(co[1]) ? co[1] : 0;
  const double gap = captionWidth / 2 + kCaptionGap;
  if (!caption.empty() && !top && 2 * gap < length) {
    polyline({start, shifted(start, length / 2 + coAlong - gap, 0)});
    polyline({shifted(start, length / 2 + coAlong + gap, 0), end});
  } else {
    polyline({start, end});
  }
  w_.op("S");
  if (!style_.dashes.empty()) w_.dash({}, 0);
  PdfObject le = a_.lookup("LE") ? v_.resolve(*a_.lookup("LE")) : PdfObject();
  if (le.isArray() && le.elements.size() >= 2) {
    lineEnding(readName(&le.elements[0], v_), start, end);
    lineEnding(readName(&le.elements[1], v_), end, start);
  }
  if (!caption.empty()) {
    const double across =
        top ? style_.borderWidth / 2 + kCaptionGap / 2 : -kCaptionSize * kAscent / 2;
    const Point at = shifted(start, length / 2 + coAlong - captionWidth / 2, across + coAcross);
    w_.colour({0}, false);
    needFont_ = true;
    w_.op("BT").name(kFontName).number(kCaptionSize).op("Tf");
    w_.number(ux).number(uy).number(-uy).number(ux).number(at.x).number(at.y).op("Tm");
    w_.string(caption).op("Tj").op("ET");
  }
  return finish(*rect);
}

std::optional<BuiltAppearance> Builder::poly(bool closed) {
  const auto rect = readRect(a_, v_);
  const std::vector<Point> p = points(a_.lookup("Vertices"));
  if (!rect || p.size() < 2) return std::nullopt;
  const bool stroke = stroking();
  const bool fill = closed && !style_.interior.empty();
  if (!stroke && !fill) return finish(*rect);
  opacity(false);
  if (stroke) strokeStyle();
  if (fill) w_.colour(style_.interior, false);
  polyline(p);
  paint(fill, stroke, closed);
  if (!closed && stroke) {
    if (!style_.dashes.empty()) w_.dash({}, 0);
    PdfObject le = a_.lookup("LE") ? v_.resolve(*a_.lookup("LE")) : PdfObject();
    if (le.isArray() && le.elements.size() >= 2) {
      lineEnding(readName(&le.elements[0], v_), p[0], p[1]);
      lineEnding(readName(&le.elements[1], v_), p.back(), p[p.size() - 2]);
    }
  }
  return finish(*rect);
}

std::optional<BuiltAppearance> Builder::ink() {
  const auto rect = readRect(a_, v_);
  if (!rect || !a_.lookup("InkList")) return std::nullopt;
  const PdfObject list = v_.resolve(*a_.lookup("InkList"));
  if (!list.isArray()) return std::nullopt;
  if (!stroking()) return finish(*rect);
  opacity(false);
  strokeStyle();
  w_.number(1).op("J").number(1).op("j");
  std::size_t total = 0, strokes = 0;
  for (const PdfObject& element : list.elements) {
    if (++strokes > kMaxInkStrokes || total >= kMaxMarkupPoints) break;
    std::vector<Point> p = points(&element);
    if (p.empty()) continue;
    if (p.size() > kMaxMarkupPoints - total) p.resize(kMaxMarkupPoints - total);
    total += p.size();
    // A single point is drawn as a dot.
    if (p.size() == 1) p.push_back(p[0]);
    polyline(p);
    w_.op("S");
  }
  return finish(*rect);
}

std::optional<BuiltAppearance> Builder::textMarkup(const std::string& subtype) {
  const auto rect = readRect(a_, v_);
  const std::vector<Point> q = points(a_.lookup("QuadPoints"));
  if (!rect || q.size() < 4) return std::nullopt;
  if (style_.colour.empty()) return finish(*rect);
  const bool highlight = subtype == "Highlight";
  opacity(highlight);
  if (highlight)
    w_.colour(style_.colour, false);
  else
    w_.colour(style_.colour, true);
  for (std::size_t i = 0; i + 3 < q.size(); i += 4) {
    // Corners as writers give them: top-left, top-right, bottom-left, bottom-right.
    const Point p1 = q[i], p2 = q[i + 1], p3 = q[i + 2], p4 = q[i + 3];
    const double h = std::hypot(p1.x - p3.x, p1.y - p3.y);
    if (!(h > 0)) continue;
    const double ux = (p1.x - p3.x) / h, uy = (p1.y - p3.y) / h;  // upwards along the text
    auto up = [&](Point p, double by) { return Point{p.x + ux * by, p.y + uy * by}; };
    if (highlight) {
      polyline({p1, p2, p4, p3});
      w_.op("h").op("f");
      continue;
    }
    const double width = std::max(0.5, h / 32);
    w_.lineWidth(width);
    if (subtype == "Underline") {
      polyline({up(p3, width), up(p4, width)});
      w_.op("S");
    } else if (subtype == "StrikeOut") {
      polyline({up(p3, h / 2), up(p4, h / 2)});
      w_.op("S");
    } else {
      // Squiggly: a zigzag along the bottom a twelfth of the height tall.
      const double length = std::hypot(p4.x - p3.x, p4.y - p3.y);
      const double step = std::max(h / 12, length / kMaxSquiggleSteps);
      const int steps = std::max(1, static_cast<int>(length / step));
      const double sx = (p4.x - p3.x) / steps, sy = (p4.y - p3.y) / steps;
      std::vector<Point> zig;
      for (int s = 0; s <= steps; ++s)
        zig.push_back(up(Point{p3.x + sx * s, p3.y + sy * s}, (s % 2 ? h / 12 : 0) + width / 2));
      polyline(zig);
      w_.op("S");
    }
  }
  return finish(*rect);
}

// DS, a CSS-like style: "font: bold 12pt Helvetica; color: #FF0000".
void readDefaultStyle(const std::string& ds, DefaultAppearance& da) {
  const std::size_t pt = ds.find("pt");
  if (da.size <= 0 && pt != std::string::npos) {
    std::size_t start = pt;
    while (start > 0 &&
           (std::isdigit(static_cast<unsigned char>(ds[start - 1])) || ds[start - 1] == '.'))
      --start;
    if (start < pt) da.size = std::strtod(ds.substr(start, pt - start).c_str(), nullptr);
  }
  const std::size_t hash = ds.find("color:");
  if (da.colour.empty() && hash != std::string::npos) {
    const std::size_t h = ds.find('#', hash);
    if (h != std::string::npos && h + 7 <= ds.size()) {
      const long rgb = std::strtol(ds.substr(h + 1, 6).c_str(), nullptr, 16);
      da.colour = {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0};
    }
  }
}

std::string textOf(const PdfObject* value, const AnnotationValues& v) {
  if (!value) return {};
  const PdfObject s = v.resolve(*value);
  if (!s.isString()) return {};
  return toWinAnsi(decodeTextString(v.stringBytes(s)));
}

// The plain text of rich text (an XHTML fragment): tags dropped, paragraphs and breaks as
// newlines, the common entities and character references decoded. style gets the first style
// attribute's text (font-size, color), which is as far as the styling is taken.
std::u16string richTextPlain(std::u16string_view xhtml, std::string& style) {
  std::u16string out;
  const std::size_t size = std::min(xhtml.size(), kMaxRichText);
  for (std::size_t i = 0; i < size;) {
    const char16_t c = xhtml[i];
    if (c == '<') {
      const std::size_t close = xhtml.find('>', i);
      if (close == std::u16string_view::npos || close >= size) break;
      std::string tag;
      for (std::size_t k = i + 1; k < close; ++k)
        tag += xhtml[k] < 128 ? static_cast<char>(std::tolower(xhtml[k])) : '?';
      std::string name = tag.substr(tag[0] == '/' ? 1 : 0);
      name = name.substr(0, name.find_first_of(" \t\r\n/"));
      // A paragraph ends a line; so does a break, and a paragraph that starts after text.
      if (name == "br" || ((name == "p" || name == "div") && tag[0] == '/'))
        out += u'\n';
      else if ((name == "p" || name == "div") && !out.empty() && out.back() != u'\n')
        out += u'\n';
      if (const std::size_t at = tag.find("style="); style.empty() && at != std::string::npos) {
        const std::size_t from = at + 7;
        const std::size_t to = from <= tag.size() ? tag.find(tag[from - 1], from) : tag.npos;
        if (to != std::string::npos) style = tag.substr(from, to - from);
      }
      i = close + 1;
      continue;
    }
    if (c == '&') {
      const std::size_t semi = xhtml.find(';', i);
      if (semi != std::u16string_view::npos && semi < size && semi - i <= kMaxEntity) {
        std::string entity;
        for (std::size_t k = i + 1; k < semi; ++k)
          entity += xhtml[k] < 128 ? static_cast<char>(xhtml[k]) : '?';
        long code = -1;
        if (entity == "amp")
          code = '&';
        else if (entity == "lt")
          code = '<';
        else if (entity == "gt")
          code = '>';
        else if (entity == "quot")
          code = '"';
        else if (entity == "apos")
          code = '\'';
        else if (entity == "nbsp")
          code = 0xA0;
        else if (entity.size() > 1 && entity[0] == '#')
          code = entity[1] == 'x' || entity[1] == 'X'
                     ? std::strtol(entity.c_str() + 2, nullptr, 16)
                     : std::strtol(entity.c_str() + 1, nullptr, 10);
        if (code > 0 && code < 0x10000) {
          out += static_cast<char16_t>(code);
          i = semi + 1;
          continue;
        }
      }
    }
    // Line ends in the markup are spaces; the tags say where lines break.
    out += c == '\r' || c == '\n' ? u' ' : c;
    ++i;
  }
  while (!out.empty() && out.back() == u'\n') out.pop_back();
  return out;
}

std::optional<BuiltAppearance> Builder::freeText() {
  const auto rect = readRect(a_, v_);
  if (!rect) return std::nullopt;
  // The text box: Rect inset by RD (a callout's line runs outside it).
  auto r = *rect;
  const std::vector<double> rd = readNumbers(a_.lookup("RD"), v_, 4);
  if (rd.size() == 4 && std::all_of(rd.begin(), rd.end(), [](double d) { return d >= 0; }) &&
      rd[0] + rd[2] < r[2] - r[0] && rd[1] + rd[3] < r[3] - r[1]) {
    r = {r[0] + rd[0], r[1] + rd[1], r[2] - rd[2], r[3] - rd[3]};
  }
  DefaultAppearance da;
  if (const PdfObject* value = a_.lookup("DA")) {
    const PdfObject s = v_.resolve(*value);
    if (s.isString()) da = parseDefaultAppearance(v_.stringBytes(s));
  }
  if (const PdfObject* value = a_.lookup("DS")) {
    const PdfObject s = v_.resolve(*value);
    if (s.isString()) readDefaultStyle(textStringToUtf8(v_.stringBytes(s)), da);
  }
  // Rich text gives the text when it has any; Contents is its plain version otherwise.
  std::string contents;
  if (const PdfObject* value = a_.lookup("RC")) {
    const PdfObject rc = v_.resolve(*value);
    if (rc.isString()) {
      std::string style;
      contents = toWinAnsi(richTextPlain(decodeTextString(v_.stringBytes(rc)), style));
      readDefaultStyle(style, da);
    }
  }
  if (contents.empty()) contents = textOf(a_.lookup("Contents"), v_);
  const double size =
      da.size > 0 && std::isfinite(da.size) ? std::min(da.size, 1000.0) : kDefaultTextSize;
  const std::vector<double> textColour = da.colour.empty() ? std::vector<double>{0} : da.colour;
  opacity(false);
  const double bw = style_.borderWidth;
  // A callout: CL's two or three points from what it points at to the box, with the line
  // ending LE at the first.
  const std::vector<Point> callout = points(a_.lookup("CL"));
  if ((callout.size() == 2 || callout.size() == 3) && bw > 0) {
    w_.colour(textColour, true).lineWidth(bw);
    polyline(callout);
    w_.op("S");
    const PdfObject le = a_.lookup("LE") ? v_.resolve(*a_.lookup("LE")) : PdfObject();
    const PdfObject* first = le.isArray() && !le.elements.empty() ? &le.elements[0] : &le;
    const std::vector<double> savedInterior = style_.interior;
    if (style_.interior.empty()) style_.interior = style_.colour;
    lineEnding(readName(first, v_), callout[0], callout[1]);
    style_.interior = savedInterior;
  }
  const bool fill = !style_.colour.empty();
  if (fill || bw > 0) {
    if (fill) w_.colour(style_.colour, false);
    if (bw > 0) {
      w_.colour(textColour, true).lineWidth(bw);
      if (!style_.dashes.empty()) w_.dash(style_.dashes, 0);
    }
    const double inset = bw / 2;
    w_.rect(r[0] + inset, r[1] + inset, r[2] - r[0] - bw, r[3] - r[1] - bw);
    paint(fill, bw > 0, false);
    if (!style_.dashes.empty()) w_.dash({}, 0);
  }
  const double pad = bw + kTextPadding;
  const double width = r[2] - r[0] - 2 * pad;
  if (width > 0 && !contents.empty()) {
    const FontWidths widths;
    const int q = static_cast<int>(readNumber(a_.lookup("Q"), v_, 0));
    w_.op("q").rect(r[0] + bw, r[1] + bw, r[2] - r[0] - 2 * bw, r[3] - r[1] - 2 * bw);
    w_.op("W").op("n");
    w_.colour(textColour, false);
    double y = r[3] - pad - size * kAscent;
    for (const std::string& line : breakLines(contents, widths, size, width)) {
      if (y < r[1] - size) break;
      const double lw = widths.textWidth(line, size);
      const double x = q == 1   ? r[0] + pad + (width - lw) / 2
                       : q == 2 ? r[2] - pad - lw
                                : r[0] + pad;
      if (!line.empty()) text(line, x, y, size);
      y -= size * 1.15;
    }
    w_.op("Q");
  }
  return finish(*rect);
}

// A note: a sheet with a folded corner and three lines of writing, in a 20 x 20 box fitted to
// the Rect.
std::optional<BuiltAppearance> Builder::note() {
  if (!readRect(a_, v_)) return std::nullopt;
  const std::vector<double> fill =
      style_.colour.empty() ? std::vector<double>{1, 1, 0} : style_.colour;
  opacity(false);
  w_.colour(fill, false).colour({0}, true).lineWidth(0.8).number(1).op("j");
  polyline({{1.5, 1.5}, {18.5, 1.5}, {18.5, 14}, {14, 18.5}, {1.5, 18.5}});
  w_.op("b");
  polyline({{14, 18.5}, {14, 14}, {18.5, 14}});
  w_.op("S");
  for (double y : {13.5, 9.5, 5.5}) {
    polyline({{4, y}, {y > 12 ? 12.0 : 16.0, y}});
    w_.op("S");
  }
  return finish({0, 0, 20, 20});
}

std::optional<BuiltAppearance> Builder::caret() {
  const auto rect = readRect(a_, v_);
  if (!rect) return std::nullopt;
  const auto& r = *rect;
  const double w = r[2] - r[0], h = r[3] - r[1];
  opacity(false);
  w_.colour(style_.colour.empty() ? std::vector<double>{0} : style_.colour, false);
  w_.moveTo(r[0], r[1]);
  w_.curveTo(r[0] + w / 3, r[1] + h / 6, r[0] + w / 2, r[1] + h / 2, r[0] + w / 2, r[3]);
  w_.curveTo(r[0] + w / 2, r[1] + h / 2, r[2] - w / 3, r[1] + h / 6, r[2], r[1]);
  w_.op("h").op("f");
  return finish(r);
}

// The stamp's name as a label: "NotApproved" becomes "NOT APPROVED"; SB and SH prefixes of
// sign-here names are dropped.
std::string stampLabel(std::string name) {
  if (name.size() > 2 && (name.rfind("SB", 0) == 0 || name.rfind("SH", 0) == 0) &&
      std::isupper(static_cast<unsigned char>(name[2])))
    name = name.substr(2);
  std::string label;
  for (std::size_t i = 0; i < name.size() && label.size() < kMaxLabel; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (i > 0 && std::isupper(c) && std::islower(static_cast<unsigned char>(name[i - 1])))
      label += ' ';
    label += static_cast<char>(c < 128 ? std::toupper(c) : '?');
  }
  return label.empty() ? "DRAFT" : label;
}

std::optional<BuiltAppearance> Builder::stamp() {
  const auto rect = readRect(a_, v_);
  if (!rect) return std::nullopt;
  const auto& r = *rect;
  const double w = r[2] - r[0], h = r[3] - r[1];
  if (!(w > 0 && h > 0)) return finish(r);
  const std::vector<double> colour =
      style_.colour.empty() ? std::vector<double>{0.75, 0.1, 0.1} : style_.colour;
  const double bw = std::clamp(std::min(w, h) / 12, 0.5, 4.0);
  opacity(false);
  w_.colour(colour, true).colour(colour, false).lineWidth(bw);
  w_.rect(r[0] + bw, r[1] + bw, w - 2 * bw, h - 2 * bw).op("S");
  const std::string label = stampLabel(readName(a_.lookup("Name"), v_));
  const FontWidths widths;
  const double unit = widths.textWidth(label, 1);
  double size = h * 0.55;
  if (unit > 0) size = std::min(size, (w - 6 * bw) / unit);
  if (size > 0) {
    const double lw = widths.textWidth(label, size);
    text(label, r[0] + (w - lw) / 2, r[1] + (h - size * kAscent) / 2, size);
  }
  return finish(r);
}

std::optional<BuiltAppearance> Builder::build(const std::string& subtype) {
  if (subtype == "Square") return squareOrCircle(false);
  if (subtype == "Circle") return squareOrCircle(true);
  if (subtype == "Line") return line();
  if (subtype == "Polygon") return poly(true);
  if (subtype == "PolyLine") return poly(false);
  if (subtype == "Ink") return ink();
  if (subtype == "Highlight" || subtype == "Underline" || subtype == "StrikeOut" ||
      subtype == "Squiggly")
    return textMarkup(subtype);
  if (subtype == "FreeText") return freeText();
  if (subtype == "Text") return note();
  if (subtype == "Caret") return caret();
  if (subtype == "Stamp") return stamp();
  return std::nullopt;
}

}  // namespace

std::optional<BuiltAppearance> buildMarkupAppearance(const PdfObject& annotation,
                                                     const AnnotationValues& values) {
  if (!annotation.isDictionary()) return std::nullopt;
  const std::string subtype = readName(annotation.lookup("Subtype"), values);
  if (subtype.empty()) return std::nullopt;
  Builder builder(annotation, values);
  return builder.build(subtype);
}
