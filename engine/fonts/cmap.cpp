#include "engine/fonts/cmap.h"

#include <algorithm>
#include <utility>

#include "engine/document/pdf_file.h"
#include "engine/fonts/cmap_builtin.h"
#include "engine/fonts/cmap_loader.h"
#include "engine/fonts/cmap_reader.h"

namespace CMaps {

BasicCMap::~BasicCMap() = default;

bool BasicCMap::loadByName(std::string_view name) {
  LoadChain chain;
  return loadWith(name, chain);
}

bool BasicCMap::parse(C_PDF_Lex_Source& source) {
  LoadChain chain;
  return parseWith(source, chain);
}

void BasicCMap::setUsedCMap(std::unique_ptr<BasicCMap> used) { used_ = std::move(used); }

bool BasicCMap::loadWith(std::string_view name, LoadChain& chain) {
  if (!isValidCMapName(name)) return false;
  // A chain deeper than the bound, or a CMap that names itself (directly or further down),
  // would never end.
  if (chain.names.size() >= static_cast<std::size_t>(kMaxUseCMapDepth)) return false;
  if (std::find(chain.names.begin(), chain.names.end(), name) != chain.names.end()) return false;

  chain.names.emplace_back(name);
  bool parsed = false;
  std::string_view text = builtInCMapText(name);
  if (!text.empty()) {
    C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()),
                            static_cast<int32_t>(text.size()));
    parsed = parseWith(buffer, chain);
  } else {
    std::string path = findCMapFile(name);
    if (path.empty()) path = requestCMapDownload(name);
    if (!path.empty()) {
      C_PDF_File file(path);
      parsed = file.length >= 0 && parseWith(file, chain);
    }
  }
  chain.names.pop_back();
  return parsed;
}

bool BasicCMap::parseWith(C_PDF_Lex_Source& source, LoadChain& chain) {
  CMapReader reader(source);
  PdfObject operand;
  PdfObject current;
  bool ok = true;
  while (ok && reader.next(current)) {
    if (current.kind == PdfObjectKind::Keyword) {
      const std::string& word = current.text;
      if (word == "endcmap") break;
      if (word == "usecmap") {
        if (operand.isName() && !operand.text.empty()) {
          std::unique_ptr<BasicCMap> used = createEmpty();
          if (used->loadWith(operand.text, chain)) {
            used_ = std::move(used);
          } else {
            used_.reset();
            ok = false;
          }
        }
      } else if (word == "begincodespacerange") {
        ok = readCodespace(reader);
      } else {
        ok = handleKeyword(current, reader) == Step::Continue;
      }
    } else if (current.isName("WMode")) {
      readWritingMode(reader);
    } else if (current.isName()) {
      handleName(current, reader);
    }
    operand = std::move(current);
  }
  finishAll();
  return ok;
}

bool BasicCMap::readCodespace(CMapReader& reader) {
  return reader.readGroups<2>("endcodespacerange", [this](const auto& pair) {
    const PdfObject& low = pair[0];
    const PdfObject& high = pair[1];
    if (!low.isString() || !high.isString()) return true;
    if (low.text.size() != high.text.size()) return false;
    CSRange range;
    if (range.assign(low.text, high.text) && codespace_.size() < kMaxCMapEntries) {
      codespace_.push_back(range);
    }
    return true;
  });
}

void BasicCMap::readWritingMode(CMapReader& reader) {
  PdfObject value;
  if (!reader.next(value)) return;
  if (value.isNumber()) {
    writingMode_ = value.intValue() == 1 ? 1 : 0;
  } else {
    reader.putBack(std::move(value));
  }
}

int32_t BasicCMap::writingMode() const {
  const BasicCMap* cmap = this;
  for (int level = 0; cmap && level <= kMaxUseCMapDepth; ++level, cmap = cmap->used_.get()) {
    if (cmap->writingMode_ != kNoWritingMode) return cmap->writingMode_;
  }
  return 0;
}

void BasicCMap::finishAll() {
  codespaceIndex_.clear();
  for (std::size_t i = 0; i < codespace_.size(); ++i) {
    codespaceIndex_.add(codespace_[i], static_cast<int32_t>(i));
  }
  codespaceIndex_.finish();
  finishEntries();
}

int BasicCMap::codeLength(const uint8_t* bytes, int32_t count) const {
  if (!bytes || count <= 0) return 0;
  const BasicCMap* cmap = this;
  for (int level = 0; cmap && level <= kMaxUseCMapDepth; ++level, cmap = cmap->used_.get()) {
    int length = cmap->entryCodeLength(bytes, count);
    if (length > 0) return length;
    if (cmap->codespaceIndex_.firstMatch(bytes, count, length) != kNoEntry) return length;
  }
  return 0;
}

}  // namespace CMaps
