#include "engine/render/content_parser.h"

#include <string_view>
#include <unordered_map>

#include "engine/document/lex_source.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/pdf_lexer.h"
#include "engine/render/colour_space.h"
#include "engine/render/xobject_descriptor.h"

namespace {

// How an operator's record takes its operands.
enum class Form : uint8_t {
  None,           // nothing beyond the code
  Numbers,        // num0.. from the first `count` operands
  Name,           // str0 = operand 0
  FontSize,       // Tf: str0 = name, num1 = size
  Show,           // Tj, ': str0 = string, binary
  ShowSpaced,     // ": num0, num1, str2 = string, binary
  Array,          // TJ: object = operand 0
  Dash,           // d: object = the array, num0 = the phase
  Colour,         // SC, sc: 1, 3 or 4 numbers
  PatternColour,  // SCN, scn
  Tagged,         // BDC: str0 = tag, object = properties
  Inline,         // BI
  Skip,           // Qq: no record at all
};

struct OperatorInfo {
  OperatorCode code;
  int8_t operands;  // expected count; -1 when not checked
  Form form;
};

const std::unordered_map<std::string_view, OperatorInfo>& operatorTable() {
  static const std::unordered_map<std::string_view, OperatorInfo> table = {
      {"w", {kOp_w, 1, Form::Numbers}},
      {"J", {kOp_J, 1, Form::Numbers}},
      {"j", {kOp_j, 1, Form::Numbers}},
      {"M", {kOp_M, 1, Form::Numbers}},
      {"d", {kOp_d, 2, Form::Dash}},
      {"ri", {kOp_ri, 1, Form::None}},
      {"i", {kOp_i, 1, Form::None}},
      {"gs", {kOp_gs, 1, Form::Name}},
      {"q", {kOp_q, 0, Form::None}},
      {"Q", {kOp_Q, 0, Form::None}},
      {"cm", {kOp_cm, 6, Form::Numbers}},
      {"Qq", {kOpNone, -1, Form::Skip}},
      {"m", {kOp_m, 2, Form::Numbers}},
      {"l", {kOp_l, 2, Form::Numbers}},
      {"c", {kOp_c, 6, Form::Numbers}},
      {"v", {kOp_v, 4, Form::Numbers}},
      {"y", {kOp_y, 4, Form::Numbers}},
      {"h", {kOp_h, 0, Form::None}},
      {"re", {kOp_re, 4, Form::Numbers}},
      {"S", {kOp_S, 0, Form::None}},
      {"s", {kOp_s, 0, Form::None}},
      {"f", {kOp_f, 0, Form::None}},
      {"F", {kOp_F, 0, Form::None}},
      {"f*", {kOp_fStar, 0, Form::None}},
      {"B", {kOp_B, 0, Form::None}},
      {"B*", {kOp_BStar, 0, Form::None}},
      {"b", {kOp_b, 0, Form::None}},
      {"b*", {kOp_bStar, 0, Form::None}},
      {"n", {kOp_n, 0, Form::None}},
      {"W", {kOp_W, 0, Form::None}},
      {"W*", {kOp_WStar, 0, Form::None}},
      {"BT", {kOp_BT, 0, Form::None}},
      {"ET", {kOp_ET, 0, Form::None}},
      {"Tc", {kOp_Tc, 1, Form::Numbers}},
      {"Tw", {kOp_Tw, 1, Form::Numbers}},
      {"Tz", {kOp_Tz, 1, Form::Numbers}},
      {"TL", {kOp_TL, 1, Form::Numbers}},
      {"Tf", {kOp_Tf, 2, Form::FontSize}},
      {"Tr", {kOp_Tr, 1, Form::Numbers}},
      {"Ts", {kOp_Ts, 1, Form::Numbers}},
      {"Td", {kOp_Td, 2, Form::Numbers}},
      {"TD", {kOp_TD, 2, Form::Numbers}},
      {"Tm", {kOp_Tm, 6, Form::Numbers}},
      {"T*", {kOp_TStar, 0, Form::None}},
      {"Tj", {kOp_Tj, 1, Form::Show}},
      {"'", {kOp_Quote, 1, Form::Show}},
      {"\"", {kOp_DoubleQuote, 3, Form::ShowSpaced}},
      {"TJ", {kOp_TJ, 1, Form::Array}},
      {"d0", {kOp_d0, 2, Form::Numbers}},
      {"d1", {kOp_d1, 6, Form::Numbers}},
      {"CS", {kOp_CS, 1, Form::Name}},
      {"cs", {kOp_cs, 1, Form::Name}},
      {"SC", {kOp_SC, -1, Form::Colour}},
      {"SCN", {kOp_SCN, -1, Form::PatternColour}},
      {"sc", {kOp_sc, -1, Form::Colour}},
      {"scn", {kOp_scn, -1, Form::PatternColour}},
      {"G", {kOp_G, 1, Form::Numbers}},
      {"g", {kOp_g, 1, Form::Numbers}},
      {"RG", {kOp_RG, 3, Form::Numbers}},
      {"rg", {kOp_rg, 3, Form::Numbers}},
      {"K", {kOp_K, 4, Form::Numbers}},
      {"k", {kOp_k, 4, Form::Numbers}},
      {"sh", {kOp_sh, 1, Form::Name}},
      {"BI", {kOp_BI, 0, Form::Inline}},
      {"Do", {kOp_Do, 1, Form::Name}},
      {"MP", {kOp_MP, 1, Form::None}},
      {"DP", {kOp_DP, 2, Form::None}},
      {"BMC", {kOp_BMC, 1, Form::None}},
      {"BDC", {kOp_BDC, 2, Form::Tagged}},
      {"EMC", {kOp_EMC, 0, Form::None}},
      {"BX", {kOp_BX, 0, Form::None}},
      {"EX", {kOp_EX, 0, Form::None}},
      {"MC", {kOp_EX, -1, Form::None}},
      {"BML", {kOp_EX, -1, Form::None}},
      {"BMD", {kOp_EX, -1, Form::None}},
      {"MCD", {kOp_EX, -1, Form::None}},
  };
  return table;
}

// A number operand, converted from its token text as written.
double number(const PdfObject& o) { return parseRealValue(o.text); }

class Parser {
 public:
  Parser(std::span<const uint8_t> content, const ContentContext& context)
      : content_(content),
        buffer_(content.data(), static_cast<int32_t>(content.size())),
        lexer_(&buffer_),
        context_(context) {
    stack_.reserve(kMaxOperands);
  }

  OperatorList run() {
    PdfObject token;
    while (lexer_.readObject(token)) {
      if (token.kind == PdfObjectKind::Keyword) {
        auto it = operatorTable().find(token.text);
        if (it != operatorTable().end()) {
          try {
            build(it->second);
          } catch (const C_PDF_Exception&) {
            // A record that cannot be built is left out; parsing goes on.
          }
          stack_.clear();
          continue;
        }
      }
      // Operands, and keywords that are not operators, wait for the next operator.
      if (static_cast<int>(stack_.size()) >= kMaxOperands) stack_.clear();
      stack_.push_back(std::move(token));
    }
    return std::move(list_);
  }

 private:
  int count() const { return static_cast<int>(stack_.size()); }

  int32_t keepString(std::string_view s) {
    list_.strings.emplace_back(s);
    return static_cast<int32_t>(list_.strings.size() - 1);
  }

  void takeNumbers(OperatorRecord& r, int n) {
    for (int i = 0; i < n && i < count() && i < OperatorRecord::kSlots; ++i)
      r.num[i] = number(stack_[i]);
  }

  void build(const OperatorInfo& info) {
    if (info.form == Form::Skip) return;
    // A record short of the operands it needs would carry placeholder values: leave it out.
    const bool usesOperands = info.form != Form::None && info.form != Form::Inline;
    if (usesOperands && info.operands > 0 && count() < info.operands) return;

    OperatorRecord r;
    r.code = info.code;
    switch (info.form) {
      case Form::None:
      case Form::Skip:
        break;
      case Form::Numbers:
        takeNumbers(r, info.operands);
        break;
      case Form::Name:
        r.str[0] = keepString(stack_[0].text);
        break;
      case Form::FontSize:
        r.str[0] = keepString(stack_[0].text);
        r.num[1] = number(stack_[1]);
        break;
      case Form::Show:
        r.str[0] = keepString(stack_[0].text);
        r.binary = 1;
        break;
      case Form::ShowSpaced:
        r.num[0] = number(stack_[0]);
        r.num[1] = number(stack_[1]);
        r.str[2] = keepString(stack_[2].text);
        r.binary = 1 << 2;
        break;
      case Form::Array:
        list_.objects.push_back(std::move(stack_[0]));
        r.object = static_cast<int32_t>(list_.objects.size() - 1);
        break;
      case Form::Dash:
        if (!stack_[0].isArray()) return;
        r.num[0] = number(stack_[1]);
        list_.objects.push_back(std::move(stack_[0]));
        r.object = static_cast<int32_t>(list_.objects.size() - 1);
        break;
      case Form::Colour: {
        const int n = count();
        if (n == 0) return;
        takeNumbers(r, n >= 4 ? 4 : n >= 3 ? 3 : 1);
        break;
      }
      case Form::PatternColour:
        patternColour(r);
        break;
      case Form::Tagged:
        r.str[0] = keepString(stack_[0].text);
        list_.objects.push_back(std::move(stack_[1]));
        r.object = static_cast<int32_t>(list_.objects.size() - 1);
        break;
      case Form::Inline:
        if (!inlineImage(r)) return;
        break;
    }
    list_.records.push_back(r);
  }

  void patternColour(OperatorRecord& r) {
    const int n = count();
    switch (n) {
      case 1:
        r.num[0] = number(stack_[0]);
        // A pattern without components, for stroking as for filling.
        if (stack_[0].isName()) r.str[0] = keepString(stack_[0].text);
        break;
      case 2:
        r.num[0] = number(stack_[0]);
        if (stack_[1].isName()) r.str[1] = keepString(stack_[1].text);
        break;
      case 3:
        takeNumbers(r, 3);
        break;
      case 4:
        takeNumbers(r, 3);
        if (stack_[3].isNumber())
          r.num[3] = number(stack_[3]);
        else if (stack_[3].isName())
          r.str[3] = keepString(stack_[3].text);
        break;
      case 5:
        takeNumbers(r, 4);
        if (stack_[4].isName()) r.str[4] = keepString(stack_[4].text);
        break;
      default:
        break;
    }
  }

  // BI: key/value pairs up to ID, then the raw data up to EI.
  bool inlineImage(OperatorRecord& r) {
    auto image = std::make_unique<XObjectDescriptor>();
    image->isImage = true;
    PdfObject filter, decodeParms, key, value;
    for (;;) {
      if (!lexer_.readObject(key)) return false;
      if (key.isKeyword("ID")) break;
      if (!lexer_.readObject(value)) return false;
      const std::string& k = key.text;
      if (k == "Height" || k == "H") {
        image->height = value.intValue();
      } else if (k == "Width" || k == "W") {
        image->width = value.intValue();
      } else if (k == "ImageMask" || k == "IM") {
        if (value.kind == PdfObjectKind::Boolean && value.boolValue()) {
          image->bitsPerComponent = 1;
          image->colourSpace = deviceGray();
          image->imageMask = true;
        }
      } else if (k == "Decode" || k == "D") {
        if (value.isArray() && !value.elements.empty() && !value.elements[0].text.empty() &&
            value.elements[0].text[0] == '1')
          image->decodeInverted = true;
      } else if (k == "ColorSpace" || k == "CS") {
        if (context_.colourSpace) image->colourSpace = context_.colourSpace(value);
      } else if (k == "BitsPerComponent" || k == "BPC") {
        image->bitsPerComponent = value.intValue();
      } else if (k == "Filter" || k == "F") {
        filter = value;
      } else if (k == "DecodeParms" || k == "DP") {
        decodeParms = value;
      }
    }
    const int32_t end = static_cast<int32_t>(content_.size());
    const int32_t start = lexer_.position() + 2;  // after the one whitespace byte that follows ID
    auto white = [&](int32_t i) {
      return i >= end || (PdfLexer::isWhitespace(content_[i]) && content_[i] != 0);
    };
    int32_t stop = end;
    for (int32_t i = start + 1; i + 1 < end; ++i) {
      if (content_[i] != 'E' || content_[i + 1] != 'I' || !white(i + 2)) continue;
      bool endsHere = i == start + 1 || PdfLexer::isWhitespace(content_[i - 1]) || white(i + 3) ||
                      (i + 3 < end && content_[i + 3] == 'Q');
      if (endsHere) {
        stop = i;
        break;
      }
    }
    if (start < stop && context_.resolver) {
      std::span<const uint8_t> raw = content_.subspan(start, stop - start);
      image->dataLength = context_.resolver->decodeInline(image->data, filter, decodeParms, raw);
    } else if (start < stop) {
      image->data.assign(content_.begin() + start, content_.begin() + stop);
      image->dataLength = static_cast<int32_t>(image->data.size());
    } else {
      image->dataLength = 0;
    }
    lexer_.setPosition(stop + 1);  // the next read starts after "EI"
    list_.images.push_back(std::move(image));
    r.image = static_cast<int32_t>(list_.images.size() - 1);
    return true;
  }

  std::span<const uint8_t> content_;
  C_PDF_Mem_Buffer buffer_;
  PdfLexer lexer_;
  const ContentContext& context_;
  std::vector<PdfObject> stack_;
  OperatorList list_;
};

}  // namespace

OperatorList parseContent(std::span<const uint8_t> content, const ContentContext& context) {
  return Parser(content, context).run();
}
