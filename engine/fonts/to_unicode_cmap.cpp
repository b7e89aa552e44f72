#include "engine/fonts/to_unicode_cmap.h"

#include "engine/fonts/cmap_reader.h"

namespace CMaps {

namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::string limitedDestination(const std::string& bytes) {
  return bytes.size() <= kMaxDestinationBytes ? bytes : bytes.substr(0, kMaxDestinationBytes);
}

}  // namespace

bool appendUtf16(std::string_view destination, uint16_t addToLast, std::u16string& text) {
  const std::size_t count = (destination.size() + 1) / 2;
  if (count == 0) return false;
  auto unitAt = [&](std::size_t i) -> char16_t {
    const auto* bytes = reinterpret_cast<const uint8_t*>(destination.data());
    uint16_t unit = 2 * i + 1 < destination.size()
                        ? static_cast<uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1])
                        : bytes[2 * i];
    if (i + 1 == count) unit = static_cast<uint16_t>(unit + addToLast);
    return static_cast<char16_t>(unit);
  };
  const std::size_t before = text.size();
  for (std::size_t i = 0; i < count; ++i) {
    char16_t unit = unitAt(i);
    if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(unitAt(i + 1))) {
      text.push_back(unit);
      text.push_back(unitAt(i + 1));
      ++i;
    } else if (!isHighSurrogate(unit) && !isLowSurrogate(unit)) {
      text.push_back(unit);
    }
  }
  return text.size() > before;
}

std::unique_ptr<BasicCMap> ToUnicodeCMap::createEmpty() const {
  return std::make_unique<ToUnicodeCMap>();
}

BasicCMap::Step ToUnicodeCMap::handleKeyword(const PdfObject& keyword, CMapReader& reader) {
  const std::string& word = keyword.text;
  if (word == "beginbfchar") {
    reader.readGroups<2>("endbfchar", [this](const auto& pair) {
      BFChar entry;
      if (pair[0].isString() && pair[1].isString() && entry.assign(pair[0].text) &&
          bfChars_.size() < kMaxCMapEntries) {
        entry.destination = limitedDestination(pair[1].text);
        bfChars_.push_back(std::move(entry));
      }
      return true;
    });
    return Step::Continue;
  }
  if (word == "beginbfrange") {
    bool ok = reader.readGroups<3>("endbfrange", [this](const auto& triple) {
      const PdfObject& low = triple[0];
      const PdfObject& high = triple[1];
      const PdfObject& destination = triple[2];
      if (!low.isString() || !high.isString()) return true;
      if (low.text.size() != high.text.size()) return false;
      BFRange entry;
      if (!entry.assign(low.text, high.text) || bfRanges_.size() >= kMaxCMapEntries) return true;
      if (destination.isString()) {
        entry.mode = BFRange::Mode::Single;
        entry.destinations.push_back(limitedDestination(destination.text));
      } else if (destination.isArray()) {
        entry.mode = BFRange::Mode::Array;
        for (const PdfObject& element : destination.elements) {
          if (entry.destinations.size() >= kMaxArrayDestinations) break;
          entry.destinations.push_back(element.isString() ? limitedDestination(element.text)
                                                          : std::string());
        }
      } else {
        return true;
      }
      bfRanges_.push_back(std::move(entry));
      return true;
    });
    return ok ? Step::Continue : Step::Fail;
  }
  return Step::Continue;
}

void ToUnicodeCMap::finishEntries() {
  // The entries stay as long as the font: without the room their growth left.
  bfChars_.shrink_to_fit();
  bfRanges_.shrink_to_fit();
  bfCharIndex_.clear();
  for (std::size_t i = 0; i < bfChars_.size(); ++i) {
    bfCharIndex_.add(bfChars_[i], static_cast<int32_t>(i));
  }
  bfCharIndex_.finish();
  bfRangeIndex_.clear();
  for (std::size_t i = 0; i < bfRanges_.size(); ++i) {
    bfRangeIndex_.add(bfRanges_[i], static_cast<int32_t>(i));
  }
  bfRangeIndex_.finish();
}

std::size_t ToUnicodeCMap::memoryBytes() const {
  // The indexes take about as much as the entries they point at.
  constexpr std::size_t kIndexFactor = 2;
  std::size_t bytes = bfChars_.capacity() * sizeof(BFChar) + bfRanges_.capacity() * sizeof(BFRange);
  for (const BFRange& range : bfRanges_)
    bytes += range.destinations.capacity() * sizeof(std::string);
  return bytes * kIndexFactor;
}

int ToUnicodeCMap::entryCodeLength(const uint8_t* bytes, int32_t count) const {
  int length = 0;
  if (bfCharIndex_.firstMatch(bytes, count, length) != kNoEntry) return length;
  if (bfRangeIndex_.firstMatch(bytes, count, length) != kNoEntry) return length;
  return 0;
}

int ToUnicodeCMap::ownText(const uint8_t* bytes, int length, std::u16string& text) const {
  int32_t entry = bfCharIndex_.find(bytes, length);
  if (entry != kNoEntry) return appendUtf16(bfChars_[entry].destination, 0, text) ? 1 : -1;
  entry = bfRangeIndex_.find(bytes, length);
  if (entry == kNoEntry) return 0;
  const BFRange& range = bfRanges_[entry];
  const uint16_t offset = range.offsetOf(bytes);
  if (range.mode == BFRange::Mode::Single) {
    return !range.destinations.empty() && appendUtf16(range.destinations[0], offset, text) ? 1 : -1;
  }
  if (offset < range.destinations.size()) {
    return appendUtf16(range.destinations[offset], 0, text) ? 1 : -1;
  }
  return -1;
}

bool ToUnicodeCMap::toUnicode(const uint8_t* bytes, int32_t count, int codeLength,
                              std::u16string& text) const {
  if (!bytes || count <= 0) return false;
  if (codeLength <= 0) codeLength = this->codeLength(bytes, count);
  if (codeLength <= 0 || codeLength > count || codeLength > kMaxCodeBytes) return false;
  const BasicCMap* cmap = this;
  for (int level = 0; cmap && level <= kMaxUseCMapDepth; ++level, cmap = cmap->usedCMap()) {
    const auto* toUnicode = dynamic_cast<const ToUnicodeCMap*>(cmap);
    if (!toUnicode) continue;
    int found = toUnicode->ownText(bytes, codeLength, text);
    if (found != 0) return found > 0;
  }
  return false;
}

}  // namespace CMaps
