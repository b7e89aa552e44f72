#include "engine/fonts/cmap_encoding.h"

#include "engine/fonts/cmap_reader.h"

namespace CMaps {

namespace {

// Keywords that cannot occur inside the CIDSystemInfo definition: reaching one means its "end"
// is missing, and the keyword belongs to the CMap itself.
bool endsSystemInfo(const PdfObject& object) {
  if (object.kind != PdfObjectKind::Keyword) return false;
  const std::string& word = object.text;
  return word == "endcmap" || word == "usecmap" ||
         (word.size() > 5 && word.compare(0, 5, "begin") == 0);
}

}  // namespace

std::unique_ptr<BasicCMap> EncodingCMap::createEmpty() const {
  return std::make_unique<EncodingCMap>();
}

BasicCMap::Step EncodingCMap::handleKeyword(const PdfObject& keyword, CMapReader& reader) {
  const std::string& word = keyword.text;
  if (word == "begincidchar") {
    reader.readGroups<2>("endcidchar", [this](const auto& pair) {
      CIDChar entry;
      if (pair[0].isString() && pair[1].isNumber() && entry.assign(pair[0].text) &&
          cidChars_.size() < kMaxCMapEntries) {
        entry.cid = static_cast<uint16_t>(pair[1].intValue());
        cidChars_.push_back(entry);
      }
      return true;
    });
    return Step::Continue;
  }
  if (word == "begincidrange") return readRanges(reader, "endcidrange", cidRanges_);
  if (word == "beginnotdefrange") return readRanges(reader, "endnotdefrange", notdefRanges_);
  return Step::Continue;
}

BasicCMap::Step EncodingCMap::readRanges(CMapReader& reader, const char* end,
                                         std::vector<CIDRange>& ranges) {
  bool ok = reader.readGroups<3>(end, [&ranges](const auto& triple) {
    const PdfObject& low = triple[0];
    const PdfObject& high = triple[1];
    if (!low.isString() || !high.isString()) return true;
    if (low.text.size() != high.text.size()) return false;
    CIDRange entry;
    if (triple[2].isNumber() && entry.assign(low.text, high.text) &&
        ranges.size() < kMaxCMapEntries) {
      entry.cid = static_cast<uint16_t>(triple[2].intValue());
      ranges.push_back(entry);
    }
    return true;
  });
  return ok ? Step::Continue : Step::Fail;
}

void EncodingCMap::handleName(const PdfObject& name, CMapReader& reader) {
  if (name.text == "CIDSystemInfo") readSystemInfo(reader);
}

void EncodingCMap::readSystemInfo(CMapReader& reader) {
  PdfObject object;
  if (!reader.next(object)) return;

  // Written as a dictionary ("<< /Registry (Adobe) ... >> def", or an array of them) there is
  // no "end": scanning for one would swallow the mappings.
  const PdfObject* dictionary = nullptr;
  if (object.isDictionary()) {
    dictionary = &object;
  } else if (object.isArray() && !object.elements.empty() && object.elements[0].isDictionary()) {
    dictionary = &object.elements[0];
  }
  if (dictionary) {
    const PdfObject* value = dictionary->lookup("Registry");
    if (value && value->isString()) registry_ = value->text;
    value = dictionary->lookup("Ordering");
    if (value && value->isString()) ordering_ = value->text;
    value = dictionary->lookup("Supplement");
    if (value && value->isNumber()) supplement_ = value->intValue();
    return;
  }

  // "3 dict dup begin /Registry (Adobe) def ... end"
  PdfObject previous;
  for (;;) {
    if (object.isKeyword("end")) return;
    if (endsSystemInfo(object)) {
      reader.putBack(std::move(object));
      return;
    }
    if (previous.isName("Registry") && object.isString()) registry_ = object.text;
    if (previous.isName("Ordering") && object.isString()) ordering_ = object.text;
    if (previous.isName("Supplement") && object.isNumber()) supplement_ = object.intValue();
    previous = std::move(object);
    if (!reader.next(object)) return;
  }
}

void EncodingCMap::finishEntries() {
  cidCharIndex_.clear();
  for (std::size_t i = 0; i < cidChars_.size(); ++i) {
    cidCharIndex_.add(cidChars_[i], static_cast<int32_t>(i));
  }
  cidCharIndex_.finish();
  cidRangeIndex_.clear();
  for (std::size_t i = 0; i < cidRanges_.size(); ++i) {
    cidRangeIndex_.add(cidRanges_[i], static_cast<int32_t>(i));
  }
  cidRangeIndex_.finish();
  notdefIndex_.clear();
  for (std::size_t i = 0; i < notdefRanges_.size(); ++i) {
    notdefIndex_.add(notdefRanges_[i], static_cast<int32_t>(i));
  }
  notdefIndex_.finish();
}

int EncodingCMap::entryCodeLength(const uint8_t* bytes, int32_t count) const {
  int length = 0;
  if (cidCharIndex_.firstMatch(bytes, count, length) != kNoEntry) return length;
  if (cidRangeIndex_.firstMatch(bytes, count, length) != kNoEntry) return length;
  if (notdefIndex_.firstMatch(bytes, count, length) != kNoEntry) return length;
  return 0;
}

bool EncodingCMap::ownCID(const uint8_t* bytes, int length, uint16_t& cid) const {
  int32_t entry = cidCharIndex_.find(bytes, length);
  if (entry != kNoEntry) {
    cid = cidChars_[entry].cid;
    return true;
  }
  entry = cidRangeIndex_.find(bytes, length);
  if (entry != kNoEntry) {
    const CIDRange& range = cidRanges_[entry];
    cid = static_cast<uint16_t>(range.cid + range.offsetOf(bytes));
    return true;
  }
  entry = notdefIndex_.find(bytes, length);
  if (entry != kNoEntry) {
    cid = notdefRanges_[entry].cid;
    return true;
  }
  return false;
}

bool EncodingCMap::toCID(const uint8_t* bytes, int32_t count, int codeLength, uint16_t& cid) const {
  if (!bytes || count <= 0) return false;
  if (codeLength <= 0) codeLength = this->codeLength(bytes, count);
  if (codeLength <= 0 || codeLength > count || codeLength > kMaxCodeBytes) return false;
  const BasicCMap* cmap = this;
  for (int level = 0; cmap && level <= kMaxUseCMapDepth; ++level, cmap = cmap->usedCMap()) {
    const auto* encoding = dynamic_cast<const EncodingCMap*>(cmap);
    if (encoding && encoding->ownCID(bytes, codeLength, cid)) return true;
  }
  return false;
}

}  // namespace CMaps
