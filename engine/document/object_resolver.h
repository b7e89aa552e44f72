#pragma once
// ObjectResolver: the handle through which the engine obtains indirect objects and decodes
// streams.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/document/pdf_object.h"

class XrefTable;
class PdfLexer;
class IDecryptor;
struct XrefEntry;

class ObjectResolver {
 public:
  // Loads nested deeper than this (an indirect Length, a container holding its container) fail
  // with code 2.
  static constexpr int kMaxLoadNesting = 16;
  // Stored bytes kept of one stream at most; the rest is cut. Decoded data is capped far
  // below this, so only raw data of this size could ever be used.
  static constexpr int64_t kMaxStreamBytes = int64_t{1} << 30;

  ObjectResolver(XrefTable* table, PdfLexer* lexer) : table_(table), lexer_(lexer) {}

  // For a Reference, loads the referenced object (carrying the reference's number and
  // generation); for anything else, a copy. An object defined nowhere, or whose definition
  // cannot be read where the table or a scan of the file places it, is null. Throws
  // C_PDF_Exception code 2 only for loads nested beyond kMaxLoadNesting.
  PdfObject resolve(const PdfObject& object);

  // The definition "n g obj ... endobj" that starts at location, with its number and
  // generation. Throws C_PDF_Exception code 1 when none starts there.
  PdfObject loadDefinitionAt(int64_t location);

  // object itself when it is not a Reference; otherwise the loaded object, kept in storage.
  const PdfObject& resolved(const PdfObject& object, PdfObject& storage);

  // Decrypts (unless alreadyDecrypted), filters and predicts a stream's data into out. Returns
  // the decoded length, or -1 when nothing could be decoded (out is then empty). Throws
  // C_PDF_Exception code 2 for a Filter that is neither a name nor an array.
  int32_t decodeStream(std::vector<uint8_t>& out, const PdfObject& stream,
                       bool alreadyDecrypted = false);

  // Decodes inline-image data with the given Filter and DecodeParms (either may be kind None).
  int32_t decodeInline(std::vector<uint8_t>& out, const PdfObject& filter,
                       const PdfObject& decodeParms, std::span<const uint8_t> bytes);

  // The security handler registers itself here; nullptr for unencrypted documents.
  void setDecryptor(const IDecryptor* decryptor) { decryptor_ = decryptor; }
  const IDecryptor* decryptor() const { return decryptor_; }

  XrefTable* table() const { return table_; }
  bool usable() const;

 private:
  PdfObject load(int32_t number, int32_t generation);
  void loadDirect(PdfObject& result, int64_t location, int32_t number, int32_t generation);
  bool tryLoad(PdfObject& result, const XrefEntry& entry, int32_t number, int32_t generation);
  void loadFromObjectStream(PdfObject& result, int32_t container, int32_t index);
  void readStreamBody(PdfObject& result);
  int32_t runFilter(const PdfObject& name, const PdfObject* params, std::string& data,
                    std::vector<uint8_t>& out, int arrayPosition, const PdfObject& stream,
                    bool alreadyDecrypted);

  XrefTable* table_;
  PdfLexer* lexer_;
  const IDecryptor* decryptor_ = nullptr;
};
