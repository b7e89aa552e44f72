#pragma once
// The document's cross-reference information: where every known object is stored.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "engine/document/pdf_object.h"

class PdfLexer;
struct TrailerInfo;

struct XrefEntry {
  int32_t objectNumber = 0;
  int32_t generation = 0;
  // Object number of the object stream that holds the object; 0 for a direct object.
  int32_t container = 0;
  // Offset of the definition, or the index inside the object stream.
  int32_t location = 0;
};

// A decoded object stream with the offsets of its objects, kept so that loading the objects of
// one container decodes it once.
struct DecodedObjectStream {
  std::vector<uint8_t> bytes;
  int32_t first = 0;
  // Offsets read so far from the header pairs, in order.
  std::vector<int32_t> offsets;
  int32_t headerPosition = -1;  // lexer position after the last pair read
  bool headerEnded = false;
};

class XrefTable {
 public:
  // Trailer dictionaries kept beyond this are ignored.
  static constexpr int kMaxTrailers = 2048;
  // Sections reached through Prev (and cross-reference streams through their Prev) beyond this
  // are not read.
  static constexpr int kMaxSections = 512;

  // Reads all cross-reference information. Throws C_PDF_Exception.
  XrefTable(TrailerInfo* trailerInfo, PdfLexer* lexer);
  ~XrefTable();
  XrefTable(const XrefTable&) = delete;
  XrefTable& operator=(const XrefTable&) = delete;

  // The first entry for number and generation, or nullptr.
  const XrefEntry* find(int32_t objectNumber, int32_t generation) const;
  const std::vector<XrefEntry>& entries() const { return entries_; }
  const std::vector<std::unique_ptr<PdfObject>>& trailers() const { return trailers_; }
  bool rebuilt() const { return rebuilt_; }
  bool encrypted() const { return encrypted_; }
  PdfLexer* lexer() const { return closed_ ? nullptr : lexer_; }
  TrailerInfo* trailerInfo() const { return trailerInfo_; }

  // After a strict load failure the document can load nothing more.
  void close();
  bool closed() const { return closed_; }

  // Shared by every resolver of the document: decoded object streams (keyed by container and by
  // whether the data was decrypted) and the once-per-document message flag.
  std::map<std::pair<int32_t, bool>, std::shared_ptr<DecodedObjectStream>> objectStreams;
  bool unsupportedFilterReported = false;
  // Nesting of loads in progress (indirect Length, containers), bounded by the resolver.
  int loadDepth = 0;

 private:
  void readSection(int32_t offset, int depth);
  void readClassicTable(int32_t sectionStart, int depth);
  void readTrailer(bool followPrev, int depth);
  void keepTrailer(std::unique_ptr<PdfObject> dictionary, bool takeValues);
  void recover(int32_t offset);
  void rebuild();
  void readXrefStream(int32_t number, int32_t generation, int depth);
  void append(const XrefEntry& entry);

  TrailerInfo* trailerInfo_;
  PdfLexer* lexer_;
  std::vector<std::unique_ptr<PdfObject>> trailers_;
  std::vector<XrefEntry> entries_;
  // First entry index per (number, generation).
  std::unordered_map<uint64_t, std::size_t> index_;
  std::set<int32_t> sectionsSeen_;
  std::set<int32_t> streamsSeen_;
  int sectionCount_ = 0;
  bool rebuilt_ = false;
  bool encrypted_ = false;
  bool closed_ = false;
};
