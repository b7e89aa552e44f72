#include "engine/forms/widget_appearance.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/document/lex_source.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/text_string.h"
#include "engine/forms/annotation_style.h"
#include "engine/forms/field_appearance.h"

namespace {

constexpr int kFlagRadio = 1 << 15;
constexpr int kFlagPushButton = 1 << 16;
constexpr int kFlagCombo = 1 << 17;
// Widths read from a font at most.
constexpr std::size_t kMaxWidths = 256;

}  // namespace

PdfObject inheritedEntry(const PdfObject& widget, const char* key, const AnnotationValues& values) {
  PdfObject node = widget;
  for (int depth = 0; depth <= kMaxFieldParents && node.isDictionary(); ++depth) {
    if (const PdfObject* value = node.lookup(key)) return values.resolve(*value);
    const PdfObject* parent = node.lookup("Parent");
    if (!parent) break;
    node = values.resolve(*parent);
  }
  return PdfObject();
}

namespace {

PdfObject inherited(const PdfObject& widget, const char* key, const AnnotationValues& values) {
  return inheritedEntry(widget, key, values);
}

std::string textOf(const PdfObject& value, const AnnotationValues& values) {
  if (value.isString()) return toWinAnsi(decodeTextString(values.stringBytes(value)));
  if (value.isName() || value.isNumber()) return value.text;
  return {};
}

int kindOf(const PdfObject& widget, const AnnotationValues& values, int& flags) {
  const PdfObject ft = inherited(widget, "FT", values);
  const PdfObject ff = inherited(widget, "Ff", values);
  flags = ff.isNumber() ? ff.intValue() : 0;
  if (ft.isName("Btn")) return flags & kFlagPushButton ? 11 : flags & kFlagRadio ? 12 : 13;
  if (ft.isName("Tx")) return flags & kFieldFlagMultiline ? 21 : 22;
  if (ft.isName("Ch")) return flags & kFlagCombo ? 32 : 33;
  return 0;
}

// The font DA names, from the form's DR (the widget's own DR first).
PdfObject fontResource(const PdfObject& widget, const PdfObject& acroForm, const std::string& name,
                       const AnnotationValues& values) {
  if (name.empty()) return PdfObject();
  for (const PdfObject* holder : {&widget, &acroForm}) {
    if (!holder->isDictionary() || !holder->lookup("DR")) continue;
    const PdfObject dr = values.resolve(*holder->lookup("DR"));
    const PdfObject* fonts = dr.isDictionary() ? dr.lookup("Font") : nullptr;
    const PdfObject fontDict = fonts ? values.resolve(*fonts) : PdfObject();
    if (const PdfObject* font = fontDict.isDictionary() ? fontDict.lookup(name) : nullptr)
      return *font;
  }
  return PdfObject();
}

}  // namespace

bool appearanceShowsValue(std::string_view content, const PdfObject& widget,
                          const AnnotationValues& values) {
  auto withoutSpaces = [](std::string_view bytes) {
    std::string out;
    for (char c : bytes)
      if (c != ' ' && c != '\n' && c != '\r' && c != '\t') out += c;
    return out;
  };
  const PdfObject value = inheritedEntry(widget, "V", values);
  const std::string wanted = withoutSpaces(textOf(value, values));
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(content.data()),
                          static_cast<int64_t>(content.size()));
  PdfLexer lexer(&buffer);
  std::string shown;
  std::vector<std::string> operands;
  PdfObject token;
  for (std::size_t count = 0; count < kMaxAppearanceTokens && lexer.readObject(token); ++count) {
    if (token.kind != PdfObjectKind::Keyword) {
      if (token.isString()) {
        operands.push_back(token.text);
      } else if (token.isArray()) {
        std::string joined;
        for (const PdfObject& e : token.elements)
          if (e.isString()) joined += e.text;
        operands.push_back(std::move(joined));
      }
      continue;
    }
    if ((token.text == "Tj" || token.text == "TJ" || token.text == "'" || token.text == "\"") &&
        !operands.empty())
      shown += operands.back();
    operands.clear();
    if (shown.size() > wanted.size() + content.size()) break;
  }
  return withoutSpaces(shown) == wanted;
}

bool isTextField(const PdfObject& widget, const AnnotationValues& values) {
  int flags = 0;
  const int kind = kindOf(widget, values, flags);
  return kind >= 21 && kind <= 33;
}

std::optional<BuiltAppearance> buildWidgetAppearance(const PdfObject& widget,
                                                     const PdfObject& acroForm,
                                                     const AnnotationValues& values) {
  FieldAppearanceInput in;
  in.kind = kindOf(widget, values, in.fieldFlags);
  if (in.kind == 0) return std::nullopt;
  const auto rect = readRect(widget, values);
  if (!rect) return std::nullopt;
  const double rectWidth = (*rect)[2] - (*rect)[0], rectHeight = (*rect)[3] - (*rect)[1];
  in.width = rectWidth;
  in.height = rectHeight;
  PdfObject da = inherited(widget, "DA", values);
  if (!da.isString() && acroForm.isDictionary() && acroForm.lookup("DA"))
    da = values.resolve(*acroForm.lookup("DA"));
  if (da.isString()) in.da = values.stringBytes(da);
  PdfObject q = inherited(widget, "Q", values);
  if (!q.isNumber() && acroForm.isDictionary() && acroForm.lookup("Q"))
    q = values.resolve(*acroForm.lookup("Q"));
  in.quadding = q.isNumber() ? std::clamp(q.intValue(), 0, 2) : 0;
  const PdfObject maxLen = inherited(widget, "MaxLen", values);
  in.maxLen = maxLen.isNumber() ? std::max(0, maxLen.intValue()) : 0;
  const PdfObject value = inherited(widget, "V", values);

  const PdfObject mk = widget.lookup("MK") ? values.resolve(*widget.lookup("MK")) : PdfObject();
  // MK R turns the field: its text runs along the turned box, which the Matrix maps back.
  int rotation = 0;
  if (mk.isDictionary()) {
    rotation = static_cast<int>(readNumber(mk.lookup("R"), values, 0)) % 360;
    if (rotation < 0) rotation += 360;
    if (rotation == 90 || rotation == 270) std::swap(in.width, in.height);
    in.background = readNumbers(mk.lookup("BG"), values, 4);
    in.borderColour = readNumbers(mk.lookup("BC"), values, 4);
    if (const PdfObject* ca = mk.lookup("CA")) in.caption = textOf(values.resolve(*ca), values);
  }
  const AnnotationStyle style = readAnnotationStyle(widget, values);
  in.borderWidth = style.borderWidth;
  if (const PdfObject* bs = widget.lookup("BS")) {
    const PdfObject b = values.resolve(*bs);
    if (b.isDictionary()) in.borderStyle = readName(b.lookup("S"), values);
  }

  if (in.kind == 12 || in.kind == 13) {
    // On when the state (or, without one, the value) names an appearance other than Off.
    in.radio = in.kind == 12;
    const std::string state = readName(widget.lookup("AS"), values);
    const std::string v = value.isName() ? value.text : std::string();
    in.checked = state.empty() ? !v.empty() && v != "Off" : state != "Off";
  } else if (in.kind == 33 || in.kind == 32) {
    std::vector<std::string> chosen;
    if (value.isArray()) {
      for (const PdfObject& e : value.elements) chosen.push_back(textOf(values.resolve(e), values));
    } else {
      chosen.push_back(textOf(value, values));
    }
    const PdfObject opt = inherited(widget, "Opt", values);
    if (opt.isArray()) {
      for (const PdfObject& element : opt.elements) {
        const PdfObject item = values.resolve(element);
        std::string exportValue, display;
        if (item.isArray() && item.elements.size() >= 2) {
          exportValue = textOf(values.resolve(item.elements[0]), values);
          display = textOf(values.resolve(item.elements[1]), values);
        } else {
          exportValue = display = textOf(item, values);
        }
        const bool on = std::find(chosen.begin(), chosen.end(), exportValue) != chosen.end();
        in.options.push_back(display);
        in.selected.push_back(on);
        // A combo box shows the display text of its chosen option.
        if (on && in.value.empty()) in.value = display;
      }
    }
    if (in.value.empty() && !chosen.empty()) in.value = chosen[0];
    const PdfObject ti = inherited(widget, "TI", values);
    in.topIndex = ti.isNumber() ? std::max(0, ti.intValue()) : 0;
  } else if (in.kind != 11) {
    in.value = textOf(value, values);
  }

  const DefaultAppearance parsed = parseDefaultAppearance(in.da);
  in.font = fontResource(widget, acroForm, parsed.font, values);
  const PdfObject font =
      in.font.kind == PdfObjectKind::None ? PdfObject() : values.resolve(in.font);
  if (font.isDictionary() && !font.lookup("DescendantFonts")) {
    in.widths.firstChar = static_cast<int>(readNumber(font.lookup("FirstChar"), values, 0));
    in.widths.widths = readNumbers(font.lookup("Widths"), values, kMaxWidths);
  } else {
    // Composite fonts take other codes than the WinAnsi bytes written here.
    in.font = PdfObject();
  }
  BuiltAppearance built = buildFieldAppearance(in);
  if (rotation == 90)
    built.matrix = {0, 1, -1, 0, rectWidth, 0};
  else if (rotation == 180)
    built.matrix = {-1, 0, 0, -1, rectWidth, rectHeight};
  else if (rotation == 270)
    built.matrix = {0, -1, 1, 0, 0, rectHeight};
  return built;
}
