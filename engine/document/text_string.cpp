#include "engine/document/text_string.h"

#include <array>
#include <cstdint>

namespace {

// PDFDocEncoding differs from Latin-1 in 0x18-0x1F and 0x80-0xA0.
constexpr std::array<char16_t, 8> kLow = {0x02D8, 0x02C7, 0x02C6, 0x02D9,
                                          0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr std::array<char16_t, 33> kHigh = {
    0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
    0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
    0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0x009F, 0x20AC};

char16_t pdfDocCode(uint8_t b) {
  if (b >= 0x18 && b <= 0x1F) return kLow[b - 0x18];
  if (b >= 0x80 && b <= 0xA0) return kHigh[b - 0x80];
  return b;
}

bool isHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Keeps surrogate pairs and drops surrogates without their partner.
void appendUnits(std::u16string& out, const std::u16string& units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (isHigh(u)) {
      if (i + 1 < units.size() && isLow(units[i + 1])) {
        out.push_back(u);
        out.push_back(units[++i]);
      }
    } else if (!isLow(u)) {
      out.push_back(u);
    }
  }
}

void appendCodePoint(std::u16string& out, uint32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

std::u16string fromUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    int extra = b < 0x80           ? 0
                : (b >> 5) == 0x6  ? 1
                : (b >> 4) == 0xE  ? 2
                : (b >> 3) == 0x1E ? 3
                                   : -1;
    uint32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    // The sequence's last byte must lie inside the text.
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < bytes.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto cont = static_cast<uint8_t>(bytes[i + k]);
      if ((cont & 0xC0) != 0x80)
        ok = false;
      else
        c = (c << 6) | (cont & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are malformed.
    static constexpr uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (ok && (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    appendCodePoint(out, c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace

std::u16string decodeTextString(std::string_view bytes) {
  std::u16string out;
  const auto at = [&](std::size_t i) { return static_cast<uint8_t>(bytes[i]); };
  const bool big = bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF;
  const bool little = bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE;
  if (big || little) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      units.push_back(
          static_cast<char16_t>(big ? (at(i) << 8 | at(i + 1)) : (at(i + 1) << 8 | at(i))));
    appendUnits(out, units);
    return out;
  }
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
    return fromUtf8(bytes.substr(3));
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) out.push_back(pdfDocCode(at(i)));
  return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (isHigh(text[i])) {
      if (i + 1 >= text.size() || !isLow(text[i + 1])) continue;
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (isLow(text[i])) {
      continue;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string textStringToUtf8(std::string_view bytes) {
  return utf16ToUtf8(decodeTextString(bytes));
}
