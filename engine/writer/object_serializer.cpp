#include "engine/writer/object_serializer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

bool isDelimiter(char c) {
  return std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos;
}

void write(const PdfObject& o, std::string& out, int depth);

void writeDictionary(const PdfObject& o, std::string& out, int depth, bool isStream) {
  out += "<<";
  for (const DictEntry& e : o.entries) {
    if (isStream && e.key == "Length") continue;
    out += nameToken(e.key);
    out += ' ';
    write(e.value, out, depth + 1);
  }
  if (isStream) {
    out += "/Length ";
    out += std::to_string(o.text.size());
  }
  out += ">>";
}

void write(const PdfObject& o, std::string& out, int depth) {
  if (depth > kMaxSerializeDepth) {
    out += "null";
    return;
  }
  switch (o.kind) {
    case PdfObjectKind::Boolean:
      out += o.text == "false" ? "false" : "true";
      break;
    case PdfObjectKind::Number:
      out += numberToken(o.text);
      break;
    case PdfObjectKind::String:
      out += literalString(o.text);
      break;
    case PdfObjectKind::Name:
      out += nameToken(o.text);
      break;
    case PdfObjectKind::Array:
      out += '[';
      for (std::size_t i = 0; i < o.elements.size(); ++i) {
        if (i) out += ' ';
        write(o.elements[i], out, depth + 1);
      }
      out += ']';
      break;
    case PdfObjectKind::Dictionary:
      writeDictionary(o, out, depth, false);
      break;
    case PdfObjectKind::Stream:
      writeDictionary(o, out, depth, true);
      out += "\nstream\n";
      out += o.text;
      out += "\nendstream";
      break;
    case PdfObjectKind::Reference:
      out +=
          std::to_string(o.objectNumber) + ' ' + std::to_string(std::max(0, o.generation)) + " R";
      break;
    default:
      out += "null";
      break;
  }
}

}  // namespace

std::string literalString(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  out += '(';
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 32 || u == 127) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", u);
      out += octal;
    } else {
      out += c;
    }
  }
  out += ')';
  return out;
}

std::string nameToken(std::string_view name) {
  std::string out = "/";
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 32 || u >= 127 || isDelimiter(c)) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "#%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string numberToken(std::string_view text) {
  // Only the characters of a number; anything else would change the tokens around it.
  bool digit = false, point = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else if (!((c == '-' || c == '+') && i == 0)) {
      return "0";
    }
  }
  return digit ? std::string(text) : "0";
}

std::string serializeObject(const PdfObject& object) {
  std::string out;
  write(object, out, 0);
  return out;
}

std::string flateCompress(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return {};
  out.resize(size);
  return out;
}
