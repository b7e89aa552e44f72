#include "tests/support/json_value.h"

#include <cstdlib>

namespace testing_json {

namespace {

// Nesting deeper than this is refused.
constexpr int kMaxDepth = 64;

const Value& none() {
  static const Value v;
  return v;
}

void appendUtf8(std::string& out, unsigned c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (c >> 18)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

struct Parser {
  const std::string& s;
  std::size_t i = 0;

  void blanks() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
  }
  bool literal(const char* word) {
    const std::string w = word;
    if (s.compare(i, w.size(), w) != 0) return false;
    i += w.size();
    return true;
  }
  bool hex4(unsigned& out) {
    if (i + 4 > s.size()) return false;
    out = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s[i++];
      out <<= 4;
      if (c >= '0' && c <= '9')
        out |= unsigned(c - '0');
      else if (c >= 'a' && c <= 'f')
        out |= unsigned(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        out |= unsigned(c - 'A' + 10);
      else
        return false;
    }
    return true;
  }
  bool string(std::string& out) {
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    while (i < s.size() && s[i] != '"') {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      if (c < 0x20) return false;
      if (c != '\\') {
        out.push_back(char(c));
        ++i;
        continue;
      }
      if (++i >= s.size()) return false;
      const char e = s[i++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out.push_back(e);
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'u': {
          unsigned c1 = 0;
          if (!hex4(c1)) return false;
          if (c1 >= 0xD800 && c1 < 0xDC00) {
            unsigned c2 = 0;
            if (!literal("\\u") || !hex4(c2) || c2 < 0xDC00 || c2 > 0xDFFF) return false;
            c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
          }
          appendUtf8(out, c1);
          break;
        }
        default:
          return false;
      }
    }
    if (i >= s.size()) return false;
    ++i;
    return true;
  }
  bool value(Value& v, int depth) {
    if (depth > kMaxDepth) return false;
    blanks();
    if (i >= s.size()) return false;
    const char c = s[i];
    if (c == '{') {
      v.kind = Value::Kind::Object;
      ++i;
      blanks();
      if (i < s.size() && s[i] == '}') return ++i, true;
      for (;;) {
        blanks();
        std::string key;
        if (!string(key)) return false;
        blanks();
        if (i >= s.size() || s[i++] != ':') return false;
        if (!value(v.object[key], depth + 1)) return false;
        blanks();
        if (i < s.size() && s[i] == ',') {
          ++i;
          continue;
        }
        if (i < s.size() && s[i] == '}') return ++i, true;
        return false;
      }
    }
    if (c == '[') {
      v.kind = Value::Kind::Array;
      ++i;
      blanks();
      if (i < s.size() && s[i] == ']') return ++i, true;
      for (;;) {
        v.array.emplace_back();
        if (!value(v.array.back(), depth + 1)) return false;
        blanks();
        if (i < s.size() && s[i] == ',') {
          ++i;
          continue;
        }
        if (i < s.size() && s[i] == ']') return ++i, true;
        return false;
      }
    }
    if (c == '"') {
      v.kind = Value::Kind::String;
      return string(v.string);
    }
    if (literal("true")) return v.kind = Value::Kind::Bool, v.boolean = true, true;
    if (literal("false")) return v.kind = Value::Kind::Bool, true;
    if (literal("null")) return true;
    const char* start = s.c_str() + i;
    char* end = nullptr;
    v.number = std::strtod(start, &end);
    if (end == start || !(c == '-' || (c >= '0' && c <= '9'))) return false;
    v.kind = Value::Kind::Number;
    i += static_cast<std::size_t>(end - start);
    return true;
  }
};

}  // namespace

const Value& Value::operator[](const std::string& key) const {
  auto it = object.find(key);
  return it == object.end() ? none() : it->second;
}

const Value& Value::operator[](std::size_t index) const {
  return index < array.size() ? array[index] : none();
}

std::optional<Value> parse(const std::string& text) {
  Parser p{text};
  Value v;
  if (!p.value(v, 0)) return std::nullopt;
  p.blanks();
  if (p.i != text.size()) return std::nullopt;
  return v;
}

}  // namespace testing_json
