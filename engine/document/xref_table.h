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
class ObjectResolver;
struct TrailerInfo;

struct XrefEntry {
  int32_t objectNumber = 0;
  int32_t generation = 0;
  // Object number of the object stream that holds the object; 0 for a direct object.
  int32_t container = 0;
  // Offset of the definition, or the index inside the object stream.
  int64_t location = 0;
};

// A decoded object stream with the offsets of its objects, kept so that loading the objects of
// one container decodes it once.
struct DecodedObjectStream {
  std::vector<uint8_t> bytes;
  int32_t first = 0;
  // Offsets read so far from the header pairs, in order.
  std::vector<int32_t> offsets;
  int64_t headerPosition = -1;  // lexer position after the last pair read
  bool headerEnded = false;
};

// Positions by (number, generation) key in one flat table with linear probing: a file's sections
// add tens of thousands of keys, each without an allocation of its own.
class XrefKeyIndex {
 public:
  // The position of the key, or nullptr.
  const uint32_t* find(uint64_t key) const;
  // Adds the key with the position; false (and nothing changes) when the key is there.
  bool insert(uint64_t key, uint32_t position);
  // Room for this many keys in all without growing.
  void reserve(std::size_t count);
  void clear();
  std::size_t size() const { return count_; }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  std::size_t slotOf(uint64_t key) const;
  void rehash(std::size_t slots);

  std::vector<uint64_t> keys_;
  std::vector<uint32_t> positions_;  // kEmpty marks a free slot
  std::size_t count_ = 0;
};

class XrefTable {
 public:
  // Trailer dictionaries kept beyond this are ignored.
  static constexpr int kMaxTrailers = 2048;
  // Sections reached through Prev (and cross-reference streams through their Prev) beyond this
  // are not read.
  static constexpr int kMaxSections = 512;
  // Object streams indexed by a repair scan beyond this are not opened.
  static constexpr int kMaxScannedObjectStreams = 4096;
  // Header pairs read from one object stream whose N is damaged.
  static constexpr int32_t kMaxHeaderPairs = 1 << 20;
  // Entries kept at most (positions are 32-bit); far beyond what a file's sections can hold.
  static constexpr std::size_t kMaxEntries = std::size_t{1} << 30;

  // Reads all cross-reference information: classic tables, cross-reference streams and the
  // hidden streams of hybrid files, newest section first, so that the newest definition of an
  // object wins. A section that cannot be read rebuilds the table by scanning the file.
  XrefTable(TrailerInfo* trailerInfo, PdfLexer* lexer);
  ~XrefTable();
  XrefTable(const XrefTable&) = delete;
  XrefTable& operator=(const XrefTable&) = delete;

  // The entry for number and generation: from the sections read, else (once the file has been
  // scanned) from the scan; nullptr when the object is defined nowhere.
  const XrefEntry* find(int32_t objectNumber, int32_t generation) const;
  // The entry the scan found, for a definition the sections placed wrongly; scans the file the
  // first time. resolver opens object streams found by the scan.
  const XrefEntry* findScanned(int32_t objectNumber, int32_t generation, ObjectResolver& resolver);
  const std::vector<XrefEntry>& entries() const { return entries_; }
  const std::vector<std::unique_ptr<PdfObject>>& trailers() const { return trailers_; }
  // The table was rebuilt by scanning (the sections could not be read).
  bool rebuilt() const { return rebuilt_; }
  // The file has been scanned for object definitions.
  bool scanned() const { return scanned_; }
  bool encrypted() const { return encrypted_; }
  PdfLexer* lexer() const { return closed_ ? nullptr : lexer_; }
  TrailerInfo* trailerInfo() const { return trailerInfo_; }

  // Finds the document catalogue when the trailer names none that can be read: the newest
  // trailer (or cross-reference stream) whose Root is defined, else the last object of type
  // Catalog the scan found. Sets the trailer information's Root; false when there is none.
  bool recoverCatalog(ObjectResolver& resolver);
  // The page objects (Type Page) of the file in file order, newest definitions only; scans the
  // file the first time. For files whose page tree is lost.
  std::vector<XrefEntry> scannedPages();
  // Number of object definitions the scan found (0 before a scan).
  std::size_t scannedCount() const { return scannedEntries_.size(); }

  // After a failure the document can load nothing more.
  void close();
  bool closed() const { return closed_; }

  // Shared by every resolver of the document: decoded object streams (keyed by container and by
  // whether the data was decrypted) and the once-per-document message flag.
  std::map<std::pair<int32_t, bool>, std::shared_ptr<DecodedObjectStream>> objectStreams;
  bool unsupportedFilterReported = false;
  // Nesting of loads in progress (indirect Length, containers), bounded by the resolver.
  int loadDepth = 0;

 private:
  struct Scanned {
    XrefEntry entry;
    int64_t position = 0;  // of the definition, or of its object stream
  };

  void readSection(int64_t offset, int depth);
  void readClassicTable(int depth);
  void readTrailer(int depth);
  bool keepTrailer(std::unique_ptr<PdfObject> dictionary);
  void takeTrailerValues(const PdfObject& dictionary);
  bool readXrefStreamAt(int64_t offset, int depth);
  void recover();
  void scan();
  void indexObjectStreams(ObjectResolver& resolver);
  void scanTrailers();
  void append(const XrefEntry& entry);
  void remember(const XrefEntry& entry, int64_t position);

  TrailerInfo* trailerInfo_;
  PdfLexer* lexer_;
  std::vector<std::unique_ptr<PdfObject>> trailers_;
  std::vector<XrefEntry> entries_;
  // First entry index per (number, generation).
  XrefKeyIndex index_;
  // What the scan found: the newest definition per (number, generation).
  std::unordered_map<uint64_t, Scanned> scannedEntries_;
  // Positions of definitions of type ObjStm, XRef and Catalog found by the scan, in file order.
  std::vector<int64_t> scannedObjectStreams_;
  std::vector<std::pair<int64_t, PdfObject>> scannedTrailers_;  // position, dictionary
  std::vector<XrefEntry> scannedCatalogs_;
  std::vector<XrefEntry> scannedPages_;
  std::set<int64_t> sectionsSeen_;
  int sectionCount_ = 0;
  bool rebuilt_ = false;
  bool scanned_ = false;
  bool objectStreamsIndexed_ = false;
  bool encrypted_ = false;
  bool closed_ = false;
};
