#pragma once
// PdfLexer: turns the bytes of a source into PDF tokens and composite objects.

#include <cstdint>

#include "engine/document/lex_source.h"
#include "engine/document/pdf_object.h"

class PdfLexer {
 public:
  // Arrays and dictionaries nested deeper than this are not descended into.
  static constexpr int kMaxNesting = 256;

  explicit PdfLexer(C_PDF_Lex_Source* source) : source_(source) {}

  // Clears object and reads the next token or composite object into it. Returns false when the
  // source ended before anything was read, or inside a comment, a literal string, or after a
  // lone "<" or ">". allowReference enables "n g R" recognition; nameMode reads a name's body.
  bool readObject(PdfObject& object, bool allowReference = false, bool nameMode = false);

  // Position of the byte last consumed; -1 before the first read.
  int64_t position() const { return position_; }
  void setPosition(int64_t position) { position_ = position; }
  // Makes the next read start at p; from a negative p nothing can be read.
  void seek(int64_t p) { position_ = p >= 0 ? p - 1 : kNoMorePositions; }

  // Reads the next byte (advancing the position), or false at the end of the source.
  bool nextByte(uint8_t& c) {
    if (position_ < kNoMorePositions) {
      int64_t p = position_ + 1;
      if (p >= spanStart_ && p < spanEnd_ && spanGeneration_ == source_->generation()) {
        position_ = p;
        c = spanData_[p - spanStart_];
        return true;
      }
    }
    return nextByteSlow(c);
  }

  C_PDF_Lex_Source* source() const { return source_; }

  static bool isWhitespace(uint8_t c) {
    return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
  }
  static bool isDelimiter(uint8_t c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
  }
  static bool isRegular(uint8_t c) { return !isWhitespace(c) && !isDelimiter(c); }

 private:
  static constexpr int64_t kNoMorePositions = INT64_MAX - 1;

  bool nextByteSlow(uint8_t& c);
  void pushBack() { --position_; }

  bool readObjectAt(PdfObject& object, bool allowReference, bool nameMode, int depth);
  void readRegularToken(PdfObject& object, uint8_t first);
  bool tryReference(PdfObject& object);
  bool readLiteralString(PdfObject& object);
  void readHexString(PdfObject& object, uint8_t first);
  void readDictionary(PdfObject& object, int depth);
  void readArray(PdfObject& object, int depth);
  bool readName(PdfObject& object);
  static void classify(PdfObject& object);

  C_PDF_Lex_Source* source_;
  int64_t position_ = -1;
  // The span of the source last fetched, so that most reads cost a bounds check.
  const uint8_t* spanData_ = nullptr;
  int64_t spanStart_ = 0;
  int64_t spanEnd_ = 0;
  uint32_t spanGeneration_ = 0;
};
