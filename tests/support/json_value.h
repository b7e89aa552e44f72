#pragma once
// A small JSON reader for tests that check what the command-line tools print.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testing_json {

struct Value {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string string;  // UTF-8, escapes decoded
  std::vector<Value> array;
  std::map<std::string, Value> object;

  const Value& operator[](const std::string& key) const;
  const Value& operator[](std::size_t index) const;
};

// The value of text, which must be one JSON value and nothing else but blanks; nothing when it
// is not valid JSON.
std::optional<Value> parse(const std::string& text);

}  // namespace testing_json
