#include "engine/fonts/name_code_table.h"

#include <algorithm>
#include <memory>

namespace {

bool isSeparator(const NameCodeEntry& e) { return e.name == nullptr && e.code == 1; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // the glyph list's names use upper-case digits only
}

// Reads upper-case hexadecimal digits.
bool readHex(std::string_view text, uint32_t& value) {
  value = 0;
  for (char c : text) {
    int digit = hexValue(c);
    if (digit < 0) return false;
    value = value * 16 + uint32_t(digit);
  }
  return true;
}

}  // namespace

NameCodeTable::NameCodeTable(const NameCodeEntry* entries) : entries_(entries) {
  firstIndex_.fill(-1);
  while (entries_[count_].name != nullptr || isSeparator(entries_[count_])) ++count_;
  for (std::size_t i = count_; i-- > 0;) {
    const NameCodeEntry& e = entries_[i];
    if (e.name == nullptr) continue;
    const auto first = static_cast<uint8_t>(e.name[0]);
    if (first != 0) firstIndex_[first] = static_cast<int32_t>(i);
  }
  byCode_.reserve(count_);
  for (std::size_t i = 0; i < count_; ++i) {
    if (entries_[i].name != nullptr)
      byCode_.emplace_back(entries_[i].code, static_cast<int32_t>(i));
  }
  // Stable: among equal codes the first entry in table order stays first.
  std::stable_sort(byCode_.begin(), byCode_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

bool NameCodeTable::codeOf(std::string_view name, uint16_t& code) const {
  if (name.empty()) return false;
  const int32_t start = firstIndex_[static_cast<uint8_t>(name[0])];
  if (start < 0) return false;
  for (std::size_t i = static_cast<std::size_t>(start); i < count_; ++i) {
    const NameCodeEntry& e = entries_[i];
    if (e.name == nullptr) continue;
    if (e.name[0] != name[0]) break;
    if (name == e.name) {
      code = e.code;
      return true;
    }
  }
  return false;
}

const char* NameCodeTable::nameOf(uint16_t code) const {
  auto it = std::lower_bound(byCode_.begin(), byCode_.end(), code,
                             [](const auto& entry, uint16_t c) { return entry.first < c; });
  if (it == byCode_.end() || it->first != code) return nullptr;
  return entries_[it->second].name;
}

const NameCodeTable& nameCodeTable(NameCodeTableId id) {
  static const auto tables = [] {
    std::array<std::unique_ptr<NameCodeTable>, kNameCodeTableCount> built;
    for (int i = 0; i < kNameCodeTableCount; ++i)
      built[i] = std::make_unique<NameCodeTable>(name_code_data::kTables[i]);
    return built;
  }();
  return *tables[static_cast<int>(id)];
}

bool algorithmicNameCode(std::string_view name, uint16_t& code) {
  uint32_t value = 0;
  if (name.size() >= 7 && name.substr(0, 3) == "uni") {
    if (!readHex(name.substr(3, 4), value)) return false;
  } else if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u') {
    if (!readHex(name.substr(1), value)) return false;
  } else {
    return false;
  }
  // Surrogates are no characters of their own; beyond the basic plane a unit cannot hold it.
  if (value > 0xFFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  code = static_cast<uint16_t>(value);
  return true;
}
