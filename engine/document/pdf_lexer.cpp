#include "engine/document/pdf_lexer.h"

namespace {

// Room an array is given when it opens: shown-text arrays run to a few dozen elements, and
// this skips the first steps of growing.
constexpr std::size_t kArrayStartCapacity = 8;

bool allDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

int hexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool PdfLexer::nextByteSlow(uint8_t& c) {
  if (position_ >= kNoMorePositions) return false;
  ++position_;
  std::span<const uint8_t> run = source_->span(position_);
  if (run.empty()) return false;
  spanData_ = run.data();
  spanStart_ = position_;
  spanEnd_ = run.size() > static_cast<std::size_t>(kNoMorePositions - position_)
                 ? kNoMorePositions
                 : position_ + static_cast<int64_t>(run.size());
  spanGeneration_ = source_->generation();
  c = run[0];
  return true;
}

bool PdfLexer::readObject(PdfObject& object, bool allowReference, bool nameMode) {
  return readObjectAt(object, allowReference, nameMode, 0);
}

bool PdfLexer::readObjectAt(PdfObject& object, bool allowReference, bool nameMode, int depth) {
  object.clear();
  uint8_t c;
  for (;;) {
    if (!nextByte(c)) return false;
    if (isWhitespace(c)) {
      if (nameMode) {
        object.kind = PdfObjectKind::Name;
        return true;
      }
      continue;
    }
    if (nameMode && isDelimiter(c)) {
      // A name ends at any delimiter; the delimiter is read again as the next token.
      pushBack();
      object.kind = PdfObjectKind::Name;
      return true;
    }
    switch (c) {
      case '%':
        do {
          if (!nextByte(c)) return false;
        } while (c != '\r' && c != '\n');
        continue;
      case '/':
        return readName(object);
      case '(':
        return readLiteralString(object);
      case '<':
        if (!nextByte(c)) return false;
        if (c == '<') {
          if (depth >= kMaxNesting) {
            object.kind = PdfObjectKind::Null;
            return true;
          }
          readDictionary(object, depth + 1);
        } else {
          readHexString(object, c);
        }
        return true;
      case '>':
        if (!nextByte(c)) return false;
        if (c == '>') {
          object.kind = PdfObjectKind::DictionaryEnd;
          return true;
        }
        continue;  // a lone ">" and the byte after it are dropped
      case '[':
        if (depth >= kMaxNesting) {
          object.kind = PdfObjectKind::Null;
          return true;
        }
        readArray(object, depth + 1);
        return true;
      case ']':
        object.kind = PdfObjectKind::ArrayEnd;
        return true;
      case ')':
      case '{':
      case '}':
        continue;
      default:
        break;
    }
    readRegularToken(object, c);
    if (nameMode) {
      object.kind = PdfObjectKind::Name;
      return true;
    }
    if (allowReference && allDigits(object.text) && tryReference(object)) return true;
    classify(object);
    return true;
  }
}

void PdfLexer::readRegularToken(PdfObject& object, uint8_t first) {
  object.text.push_back(static_cast<char>(first));
  uint8_t c;
  while (nextByte(c)) {
    if (!isRegular(c)) {
      pushBack();
      return;
    }
    object.text.push_back(static_cast<char>(c));
  }
}

void PdfLexer::classify(PdfObject& object) {
  const std::string& t = object.text;
  if (t == "true" || t == "false") {
    object.kind = PdfObjectKind::Boolean;
    return;
  }
  if (t == "null") {
    object.kind = PdfObjectKind::Null;
    return;
  }
  bool number = !t.empty();
  for (char ch : t) {
    if (!((ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == '.')) {
      number = false;
      break;
    }
  }
  object.kind = number ? PdfObjectKind::Number : PdfObjectKind::Keyword;
}

// After an all-digit token: is it followed by "<digits><whitespace>R"? Looks ahead by at most
// one token; restores the position when it is not a reference.
bool PdfLexer::tryReference(PdfObject& object) {
  const int64_t saved = position_;
  uint8_t c;
  // Skip whitespace and comments as the next readObject would.
  for (;;) {
    if (!nextByte(c)) {
      position_ = saved;
      return false;
    }
    if (isWhitespace(c)) continue;
    if (c == '%') {
      do {
        if (!nextByte(c)) {
          position_ = saved;
          return false;
        }
      } while (c != '\r' && c != '\n');
      continue;
    }
    break;
  }
  // The generation: a regular token of digits only, ended by whitespace. Digits past this value
  // no longer change it, so a long run of digits cannot overflow.
  constexpr int32_t kGenerationSaturation = 100000000;
  int32_t generation = 0;
  bool digits = false;
  for (;;) {
    if (c >= '0' && c <= '9') {
      digits = true;
      generation = generation > kGenerationSaturation ? generation : generation * 10 + (c - '0');
    } else if (isRegular(c)) {
      digits = false;  // a token such as 0x is not a generation
      break;
    } else {
      break;
    }
    if (!nextByte(c)) {
      c = '/';  // the end of the source is not whitespace
      break;
    }
  }
  if (!digits || !isWhitespace(c)) {
    position_ = saved;
    return false;
  }
  do {
    if (!nextByte(c)) {
      position_ = saved;
      return false;
    }
  } while (isWhitespace(c));
  if (c != 'R') {
    position_ = saved;
    return false;
  }
  if (nextByte(c)) {
    if (isDelimiter(c)) {
      pushBack();
    } else if (!isWhitespace(c)) {
      position_ = saved;
      return false;
    }
  }
  // An "R" that is the last byte of the source also ends a reference.
  object.kind = PdfObjectKind::Reference;
  object.objectNumber = object.intValue();
  object.generation = generation;
  return true;
}

bool PdfLexer::readName(PdfObject& object) {
  PdfObject raw;
  if (!readObjectAt(raw, false, true, 0)) raw.kind = PdfObjectKind::Name;
  object.clear();
  object.kind = PdfObjectKind::Name;
  const std::string& t = raw.text;
  object.text.reserve(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '#' && i + 2 < t.size()) {
      int hi = hexValue(static_cast<uint8_t>(t[i + 1]));
      int lo = hexValue(static_cast<uint8_t>(t[i + 2]));
      if (hi >= 0 && lo >= 0) {
        object.text.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    object.text.push_back(t[i]);
  }
  return true;
}

bool PdfLexer::readLiteralString(PdfObject& object) {
  object.kind = PdfObjectKind::String;
  std::string& out = object.text;
  int depth = 1;
  uint8_t c;
  if (!nextByte(c)) return false;
  for (;;) {
    switch (c) {
      case '(':
        ++depth;
        out.push_back('(');
        break;
      case ')':
        if (--depth == 0) return true;
        out.push_back(')');
        break;
      case '\r':
        out.push_back('\n');
        if (!nextByte(c)) return false;
        if (c != '\n') continue;  // a bare CR: the byte after it is read next
        break;
      case '\\': {
        if (!nextByte(c)) return false;
        switch (c) {
          case 'n':
            out.push_back('\n');
            break;
          case 'r':
            out.push_back('\r');
            break;
          case 't':
            out.push_back('\t');
            break;
          case 'b':
            out.push_back('\b');
            break;
          case 'f':
            out.push_back('\f');
            break;
          case '\n':
            break;  // line continuation
          case '\r':
            if (!nextByte(c)) return false;
            if (c != '\n') continue;
            break;
          default:
            if (c >= '0' && c <= '7') {
              int value = c - '0';
              for (int k = 1; k < 3; ++k) {
                if (!nextByte(c)) return false;
                if (c < '0' || c > '7') {
                  pushBack();
                  break;
                }
                value = value * 8 + (c - '0');
              }
              out.push_back(static_cast<char>(value & 0xFF));
            } else {
              out.push_back(static_cast<char>(c));  // "(", ")", "\" and any other byte
            }
            break;
        }
        break;
      }
      default:
        out.push_back(static_cast<char>(c));
        break;
    }
    if (!nextByte(c)) return false;
  }
}

void PdfLexer::readHexString(PdfObject& object, uint8_t first) {
  object.kind = PdfObjectKind::String;
  int high = -1;
  uint8_t c = first;
  for (;;) {
    if (!isWhitespace(c)) {
      if (c == '>') {
        if (high >= 0) object.text.push_back(static_cast<char>(high << 4));
        return;
      }
      int v = hexValue(c);
      if (v < 0) return;  // the byte is dropped, and an unpaired digit with it
      if (high < 0) {
        high = v;
      } else {
        object.text.push_back(static_cast<char>((high << 4) | v));
        high = -1;
      }
    }
    if (!nextByte(c)) return;
  }
}

void PdfLexer::readDictionary(PdfObject& object, int depth) {
  object.kind = PdfObjectKind::Dictionary;
  PdfObject key;
  for (;;) {
    if (!readObjectAt(key, false, false, depth)) return;
    if (key.isKeyword("def") && !readObjectAt(key, false, false, depth)) return;
    if (key.kind != PdfObjectKind::Name) return;
    PdfObject value;
    if (!readObjectAt(value, true, false, depth) || value.kind == PdfObjectKind::DictionaryEnd)
      return;
    object.entries.push_back(DictEntry{std::move(key.text), std::move(value)});
  }
}

void PdfLexer::readArray(PdfObject& object, int depth) {
  object.kind = PdfObjectKind::Array;
  object.elements.reserve(kArrayStartCapacity);
  for (;;) {
    PdfObject element;
    if (!readObjectAt(element, true, false, depth)) return;
    if (element.kind == PdfObjectKind::ArrayEnd) return;
    object.elements.push_back(std::move(element));
  }
}
