#include "engine/render/function_type4.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "engine/document/pdf_lexer.h"
#include "engine/render/resolved_values.h"

namespace {

using Code = C_PDF_Function_Type4::Code;
using Operation = C_PDF_Function_Type4::Operation;

struct Token {
  enum Kind { Open, Close, Word } kind;
  std::string_view text;
};

struct NamedOperator {
  std::string_view name;
  Code code;
};

constexpr NamedOperator kOperators[] = {
    {"abs", Code::Abs},
    {"add", Code::Add},
    {"atan", Code::Atan},
    {"ceiling", Code::Ceiling},
    {"cos", Code::Cos},
    {"cvi", Code::Cvi},
    {"cvr", Code::Cvr},
    {"div", Code::Div},
    {"exp", Code::Exp},
    {"floor", Code::Floor},
    {"idiv", Code::Idiv},
    {"ln", Code::Ln},
    {"log", Code::Log},
    {"mod", Code::Mod},
    {"mul", Code::Mul},
    {"neg", Code::Neg},
    {"round", Code::Round},
    {"sin", Code::Sin},
    {"sqrt", Code::Sqrt},
    {"sub", Code::Sub},
    {"truncate", Code::Truncate},
    {"and", Code::And},
    {"bitshift", Code::Bitshift},
    {"eq", Code::Eq},
    {"ge", Code::Ge},
    {"gt", Code::Gt},
    {"le", Code::Le},
    {"lt", Code::Lt},
    {"ne", Code::Ne},
    {"not", Code::Not},
    {"or", Code::Or},
    {"xor", Code::Xor},
    {"copy", Code::Copy},
    {"dup", Code::Dup},
    {"exch", Code::Exch},
    {"index", Code::Index},
    {"pop", Code::Pop},
    {"roll", Code::Roll},
};

bool tokenize(std::string_view text, std::vector<Token>& tokens) {
  std::size_t i = 0;
  while (i < text.size()) {
    const uint8_t c = static_cast<uint8_t>(text[i]);
    if (PdfLexer::isWhitespace(c)) {
      ++i;
    } else if (c == '%') {
      while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
    } else if (c == '{' || c == '}') {
      tokens.push_back({c == '{' ? Token::Open : Token::Close, text.substr(i, 1)});
      ++i;
    } else if (PdfLexer::isDelimiter(c)) {
      return false;  // strings, names, arrays and dictionaries have no place in a calculator
    } else {
      const std::size_t start = i;
      while (i < text.size() && PdfLexer::isRegular(static_cast<uint8_t>(text[i]))) ++i;
      tokens.push_back({Token::Word, text.substr(start, i - start)});
    }
  }
  return true;
}

// PostScript numbers: integers, reals with optional exponent, and radix numbers (16#FF).
bool parseNumber(std::string_view text, double& value) {
  const std::size_t hash = text.find('#');
  if (hash != std::string_view::npos) {
    int base = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + hash, base);
    if (error != std::errc() || end != text.data() + hash || base < 2 || base > 36) return false;
    if (hash + 1 >= text.size()) return false;
    uint64_t number = 0;
    for (char ch : text.substr(hash + 1)) {
      int digit = ch >= '0' && ch <= '9'   ? ch - '0'
                  : ch >= 'a' && ch <= 'z' ? ch - 'a' + 10
                  : ch >= 'A' && ch <= 'Z' ? ch - 'A' + 10
                                           : 99;
      if (digit >= base) return false;
      number = number * base + digit;
      if (number > 0xFFFFFFFFu) return false;
    }
    // The 32 bits are taken as a signed integer.
    value = static_cast<int32_t>(static_cast<uint32_t>(number));
    return true;
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // from_chars also accepts "inf" and "nan", which are not PostScript numbers.
  if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (negative) value = -value;
  return true;
}

bool compileWord(std::string_view word, std::vector<Operation>& out) {
  Operation op;
  if (word == "true" || word == "false") {
    op.boolean = true;
    op.value = word == "true" ? 1.0 : 0.0;
    out.push_back(op);
    return true;
  }
  for (const NamedOperator& named : kOperators) {
    if (named.name == word) {
      op.code = named.code;
      out.push_back(op);
      return true;
    }
  }
  if (!parseNumber(word, op.value)) return false;  // unknown operator, or if without procedure
  out.push_back(op);
  return true;
}

class Compiler {
 public:
  explicit Compiler(const std::vector<Token>& tokens) : tokens_(tokens) {}

  // Operations up to the closing brace of a procedure (braced) or the end of the tokens.
  bool body(std::vector<Operation>& out, int depth, bool braced) {
    while (pos_ < tokens_.size()) {
      const Token& token = tokens_[pos_++];
      if (token.kind == Token::Close) return braced;
      if (token.kind == Token::Word) {
        if (!compileWord(token.text, out)) return false;
      } else if (!conditional(out, depth)) {
        return false;
      }
      if (out.size() > C_PDF_Function_Type4::kMaxOperations) return false;
    }
    return !braced;
  }

 private:
  // After the opening brace of a procedure: "{a} if" or "{a} {b} ifelse".
  bool conditional(std::vector<Operation>& out, int depth) {
    if (depth + 1 > C_PDF_Function_Type4::kMaxProcedureNesting) return false;
    std::vector<Operation> first, second;
    if (!body(first, depth + 1, true)) return false;
    const bool twoProcedures = pos_ < tokens_.size() && tokens_[pos_].kind == Token::Open;
    if (twoProcedures) {
      ++pos_;
      if (!body(second, depth + 1, true)) return false;
    }
    if (pos_ >= tokens_.size() || tokens_[pos_].kind != Token::Word) return false;
    const std::string_view keyword = tokens_[pos_++].text;
    if (keyword != (twoProcedures ? "ifelse" : "if")) return false;
    if (first.size() + second.size() + 2 > C_PDF_Function_Type4::kMaxOperations) return false;

    Operation branch;
    branch.code = Code::JumpIfFalse;
    branch.jump = static_cast<int32_t>(first.size() + (twoProcedures ? 1 : 0));
    out.push_back(branch);
    out.insert(out.end(), first.begin(), first.end());
    if (twoProcedures) {
      Operation skip;
      skip.code = Code::Jump;
      skip.jump = static_cast<int32_t>(second.size());
      out.push_back(skip);
      out.insert(out.end(), second.begin(), second.end());
    }
    return true;
  }

  const std::vector<Token>& tokens_;
  std::size_t pos_ = 0;
};

int32_t toInteger(double value) { return truncateToInt32(value); }

}  // namespace

bool C_PDF_Function_Type4::compile(std::string_view program) {
  operations_.clear();
  if (program.size() > kMaxProgramBytes) return false;
  std::vector<Token> tokens;
  if (!tokenize(program, tokens) || tokens.empty()) return false;
  std::vector<Token> inner;
  if (tokens.front().kind == Token::Open) {
    // The program is one procedure; whatever follows its closing brace is ignored.
    int level = 0;
    std::size_t end = 0;
    for (; end < tokens.size(); ++end) {
      if (tokens[end].kind == Token::Open) ++level;
      if (tokens[end].kind == Token::Close && --level == 0) break;
    }
    if (end == tokens.size()) return false;
    inner.assign(tokens.begin() + 1, tokens.begin() + static_cast<std::ptrdiff_t>(end));
  } else {
    inner = std::move(tokens);
  }
  Compiler compiler(inner);
  std::vector<Operation> operations;
  if (!compiler.body(operations, 0, false)) return false;
  operations_ = std::move(operations);
  return true;
}

bool C_PDF_Function_Type4::parse(const PdfObject& dictionary, std::span<const uint8_t> data,
                                 FunctionBuildContext& context) {
  if (!parseDomainAndRange(dictionary, context.resolver) || n < 1) return false;
  return compile({reinterpret_cast<const char*>(data.data()), data.size()});
}

int C_PDF_Function_Type4::evaluate(std::span<const double> inputs) {
  stack_.clear();
  for (int i = 0; i < m; ++i) stack_.push_back({inputAt(inputs, i), false});
  double* out = resetOutputs(n);
  if (!run() || stack_.size() != static_cast<std::size_t>(n)) return -1;
  for (int i = 0; i < n; ++i) out[i] = stack_[i].number;
  return n;
}

bool C_PDF_Function_Type4::run() {
  std::vector<Value>& s = stack_;
  auto push = [&s](double number, bool boolean = false) {
    if (s.size() >= kMaxOperandStack) return false;
    s.push_back({number, boolean});
    return true;
  };
  constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

  for (std::size_t pc = 0; pc < operations_.size(); ++pc) {
    const Operation& op = operations_[pc];
    const std::size_t depth = s.size();
    // Operands: a is the top of the stack, b the one below it.
    switch (op.code) {
      case Code::Push:
        if (!push(op.value, op.boolean)) return false;
        continue;
      case Code::Jump:
        pc += static_cast<std::size_t>(op.jump);
        continue;
      case Code::Cvr:
        if (depth < 1) return false;
        s.back().boolean = false;
        continue;
      case Code::Dup:
        if (depth < 1 || !push(s.back().number, s.back().boolean)) return false;
        continue;
      case Code::Pop:
        if (depth < 1) return false;
        s.pop_back();
        continue;
      case Code::Exch:
        if (depth < 2) return false;
        std::swap(s[depth - 1], s[depth - 2]);
        continue;
      default:
        break;
    }

    if (depth < 1) return false;
    const Value top = s.back();
    const double a = top.number;
    // Operators of one operand replace the top of the stack.
    auto replace = [&s](double number, bool boolean = false) { s.back() = {number, boolean}; };
    switch (op.code) {
      case Code::JumpIfFalse:
        s.pop_back();
        if (a == 0.0) pc += static_cast<std::size_t>(op.jump);
        continue;
      case Code::Abs:
        replace(std::fabs(a));
        continue;
      case Code::Neg:
        replace(-a);
        continue;
      case Code::Ceiling:
        replace(std::ceil(a));
        continue;
      case Code::Floor:
        replace(std::floor(a));
        continue;
      case Code::Round:
        replace(std::floor(a + 0.5));
        continue;
      case Code::Truncate:
        replace(std::trunc(a));
        continue;
      case Code::Cvi:
        replace(toInteger(a));
        continue;
      case Code::Cos:
        replace(std::cos(a * kRadiansPerDegree));
        continue;
      case Code::Sin:
        replace(std::sin(a * kRadiansPerDegree));
        continue;
      case Code::Sqrt:
        if (!(a >= 0.0)) return false;
        replace(std::sqrt(a));
        continue;
      case Code::Ln:
      case Code::Log:
        if (!(a > 0.0)) return false;
        replace(op.code == Code::Ln ? std::log(a) : std::log10(a));
        continue;
      case Code::Not:
        if (top.boolean) {
          replace(a == 0.0 ? 1.0 : 0.0, true);
        } else {
          replace(~toInteger(a));
        }
        continue;
      case Code::Copy: {
        s.pop_back();
        const int32_t count = toInteger(a);
        if (count < 0 || static_cast<std::size_t>(count) > s.size()) return false;
        if (s.size() + count > kMaxOperandStack) return false;
        const std::size_t from = s.size() - count;
        for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) s.push_back(s[from + i]);
        continue;
      }
      case Code::Index: {
        s.pop_back();
        const int32_t index = toInteger(a);
        if (index < 0 || static_cast<std::size_t>(index) >= s.size()) return false;
        s.push_back(s[s.size() - 1 - index]);
        continue;
      }
      default:
        break;
    }

    // Operators of two operands replace them with one result.
    if (depth < 2) return false;
    const Value below = s[depth - 2];
    const double b = below.number;
    s.pop_back();
    auto result = [&s](double number, bool boolean = false) { s.back() = {number, boolean}; };
    const int32_t ia = toInteger(a), ib = toInteger(b);
    switch (op.code) {
      case Code::Add:
        result(b + a);
        break;
      case Code::Sub:
        result(b - a);
        break;
      case Code::Mul:
        result(b * a);
        break;
      case Code::Div:
        if (a == 0.0) return false;
        result(b / a);
        break;
      case Code::Idiv:
        if (ia == 0) return false;
        result(static_cast<double>(int64_t{ib} / ia));
        break;
      case Code::Mod:
        if (ia == 0) return false;
        result(static_cast<double>(int64_t{ib} % ia));
        break;
      case Code::Atan: {
        if (a == 0.0 && b == 0.0) return false;
        double angle = std::atan2(b, a) / kRadiansPerDegree;
        if (angle < 0.0) angle += 360.0;
        result(angle);
        break;
      }
      case Code::Exp: {
        const double power = std::pow(b, a);
        if (!std::isfinite(power)) return false;
        result(power);
        break;
      }
      case Code::Eq:
        result(b == a, true);
        break;
      case Code::Ne:
        result(b != a, true);
        break;
      case Code::Gt:
        result(b > a, true);
        break;
      case Code::Ge:
        result(b >= a, true);
        break;
      case Code::Lt:
        result(b < a, true);
        break;
      case Code::Le:
        result(b <= a, true);
        break;
      case Code::And:
      case Code::Or:
      case Code::Xor: {
        // On booleans (1 and 0) the bitwise results are the logical ones.
        const bool logical = top.boolean && below.boolean;
        const int32_t value = op.code == Code::And  ? (ib & ia)
                              : op.code == Code::Or ? (ib | ia)
                                                    : (ib ^ ia);
        result(value, logical);
        break;
      }
      case Code::Bitshift: {
        const uint32_t bits = static_cast<uint32_t>(ib);
        uint32_t shifted = 0;
        if (ia >= 0 && ia < 32) shifted = bits << ia;
        if (ia < 0 && ia > -32) shifted = bits >> -ia;
        result(static_cast<int32_t>(shifted));
        break;
      }
      case Code::Roll: {
        s.pop_back();  // b (the count) as well; the rolled elements lie below it
        if (ib < 0 || static_cast<std::size_t>(ib) > s.size()) return false;
        if (ib == 0) break;
        int32_t shift = static_cast<int32_t>(int64_t{ia} % ib);
        if (shift < 0) shift += ib;
        const auto first = s.end() - ib;
        std::rotate(first, first + (ib - shift), s.end());
        break;
      }
      default:
        return false;
    }
  }
  return true;
}
