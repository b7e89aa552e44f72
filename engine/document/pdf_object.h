#pragma once
// PdfObject: the engine's tagged PDF value. A value owns everything below it; copies are deep.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PdfObjectKind : int32_t {
  None = 0,
  Boolean = 1,
  Number = 2,
  String = 3,
  Name = 4,
  Array = 5,
  Dictionary = 6,
  Stream = 7,
  Null = 8,
  Reference = 9,
  Keyword = 10,
  DictionaryEnd = 101,  // transient marker for ">>"
  ArrayEnd = 102,       // transient marker for "]"
};

struct DictEntry;

class PdfObject {
 public:
  PdfObject() = default;
  explicit PdfObject(PdfObjectKind k, std::string t = {});

  // Number of the indirect object this value was loaded from (or the referenced number for a
  // Reference); -1 otherwise.
  int32_t objectNumber = -1;
  int32_t generation = -1;
  PdfObjectKind kind = PdfObjectKind::None;
  // Token text, string bytes, name (without the solidus) or raw stream data, by kind.
  std::string text;
  // Elements of an Array.
  std::vector<PdfObject> elements;
  // Entries of a Dictionary or Stream in reading order; duplicate keys are kept.
  std::vector<DictEntry> entries;

  // Frees all content: kind None, empty text, no elements or entries, numbers -1.
  void clear();

  bool is(PdfObjectKind k) const { return kind == k; }
  bool isDictionary() const { return kind == PdfObjectKind::Dictionary; }
  bool isStream() const { return kind == PdfObjectKind::Stream; }
  bool isDictOrStream() const { return isDictionary() || isStream(); }
  bool isArray() const { return kind == PdfObjectKind::Array; }
  bool isName() const { return kind == PdfObjectKind::Name; }
  bool isName(std::string_view name) const { return kind == PdfObjectKind::Name && text == name; }
  bool isNumber() const { return kind == PdfObjectKind::Number; }
  bool isString() const { return kind == PdfObjectKind::String; }
  bool isReference() const { return kind == PdfObjectKind::Reference; }
  bool isKeyword(std::string_view word) const {
    return kind == PdfObjectKind::Keyword && text == word;
  }

  // The text read as a decimal integer: optional sign, then digits up to the first other byte;
  // no digits gives 0. Values beyond 32 bits are clamped.
  int32_t intValue() const;
  // The same, for file positions and lengths: values beyond 64 bits are clamped.
  int64_t offsetValue() const;
  // With a "." in the text, the text read as a decimal number (sign, digits, point, digits,
  // optional exponent, up to the first byte that does not fit); otherwise intValue().
  double realValue() const;
  // True unless the text is exactly "false".
  bool boolValue() const;

  // The value of the first entry whose key equals key byte for byte, or nullptr. Not resolved.
  const PdfObject* lookup(std::string_view key) const;
  PdfObject* lookup(std::string_view key);

  // Appends an entry to a dictionary.
  void add(std::string key, PdfObject value);
};

struct DictEntry {
  std::string key;  // the Name's text
  PdfObject value;
};

inline PdfObject::PdfObject(PdfObjectKind k, std::string t) : kind(k), text(std::move(t)) {}

// Number parsing shared with the content parser.
int32_t parseIntValue(std::string_view text);
int64_t parseInt64Value(std::string_view text);
double parseRealValue(std::string_view text);

// Free-function spellings of the value readers.
inline int32_t intValue(const PdfObject& o) { return o.intValue(); }
inline double realValue(const PdfObject& o) { return o.realValue(); }
inline bool boolValue(const PdfObject& o) { return o.boolValue(); }
inline const PdfObject* lookup(const PdfObject& dict, std::string_view key) {
  return dict.lookup(key);
}
