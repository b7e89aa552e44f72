#pragma once
// CMaps::BasicCMap: what code-to-CID and code-to-Unicode CMaps share: codespace ranges, the CMap
// named by usecmap, the character collection, the parsing loop, loading predefined CMaps by
// name and the code-length rule.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/document/lex_source.h"
#include "engine/document/pdf_object.h"
#include "engine/fonts/cmap_code_index.h"
#include "engine/fonts/cmap_entries.h"

namespace CMaps {

class CMapReader;

// Longest chain of CMaps naming each other through usecmap.
inline constexpr int kMaxUseCMapDepth = 8;
// Entries kept per kind of entry in one CMap; further ones are ignored. Adobe's largest
// predefined CMaps hold well under 100,000.
inline constexpr std::size_t kMaxCMapEntries = 1 << 20;

class BasicCMap {
 public:
  virtual ~BasicCMap();
  BasicCMap(const BasicCMap&) = delete;
  BasicCMap& operator=(const BasicCMap&) = delete;

  // Loads a predefined CMap: built into the program, found on disk, or downloaded after the
  // user agrees. True when it was found and parsed.
  bool loadByName(std::string_view name);
  // Parses a CMap resource (decoded stream bytes, built-in text or a file). False when a
  // range's bounds differ in length or a usecmap fails; the caller then drops the CMap.
  bool parse(C_PDF_Lex_Source& source);
  // Replaces (and deletes) the CMap consulted when this one has no answer.
  void setUsedCMap(std::unique_ptr<BasicCMap> used);
  const BasicCMap* usedCMap() const { return used_.get(); }

  // Length of the code that starts at bytes (count bytes remain), or 0 when no entry,
  // codespace range or used CMap accepts it.
  int codeLength(const uint8_t* bytes, int32_t count) const;

  const std::vector<CSRange>& codespaceRanges() const { return codespace_; }
  const std::string& registry() const { return registry_; }
  const std::string& ordering() const { return ordering_; }
  int32_t supplement() const { return supplement_; }

  // 1 when text in this CMap is written top to bottom (its /WMode, else that of the CMap it
  // uses), else 0.
  int32_t writingMode() const;
  // The writing mode given outside the CMap's text (the WMode entry of its stream).
  void setWritingMode(int32_t mode) { writingMode_ = mode; }

 protected:
  BasicCMap() = default;

  // The names being loaded by usecmap above the current parse, to stop chains and cycles.
  struct LoadChain {
    std::vector<std::string> names;
  };

  enum class Step { Continue, Fail };

  // A new empty CMap of the same class, for usecmap.
  virtual std::unique_ptr<BasicCMap> createEmpty() const = 0;
  // Keywords other than usecmap, endcmap and begincodespacerange.
  virtual Step handleKeyword(const PdfObject& keyword, CMapReader& reader) = 0;
  // Names (the CMap's dictionary keys).
  virtual void handleName(const PdfObject& /*name*/, CMapReader& /*reader*/) {}
  // Code length from the class's own single and range entries; 0 when none matches.
  virtual int entryCodeLength(const uint8_t* bytes, int32_t count) const = 0;
  // Rebuilds the lookup tables of the class's entries after parsing.
  virtual void finishEntries() = 0;

  // Collection details, set by parsers that read them.
  std::string registry_;
  std::string ordering_;
  int32_t supplement_ = 0;

 private:
  bool parseWith(C_PDF_Lex_Source& source, LoadChain& chain);
  bool loadWith(std::string_view name, LoadChain& chain);
  bool readCodespace(CMapReader& reader);
  void readWritingMode(CMapReader& reader);
  void finishAll();

  std::vector<CSRange> codespace_;
  CodeRangeSet codespaceIndex_;
  std::unique_ptr<BasicCMap> used_;
  // kNoWritingMode until the CMap names one.
  static constexpr int32_t kNoWritingMode = -1;
  int32_t writingMode_ = kNoWritingMode;
};

}  // namespace CMaps
