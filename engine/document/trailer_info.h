#pragma once
// What the document keeps of its final trailer.

#include <cstdint>

#include "engine/document/pdf_object.h"

class PdfLexer;

struct TrailerInfo {
  // The final trailer dictionary has Encrypt.
  bool encrypted = false;
  PdfLexer* lexer = nullptr;
  // The final trailer dictionary; in a file without the keyword trailer, the dictionary of the
  // final cross-reference stream.
  PdfObject trailerDictionary;
  // The startxref value; in a file without the keyword trailer, the position of the keyword
  // startxref itself.
  int64_t startPosition = -1;
  // Values of these keys; Root, Encrypt and ID are filled from older trailers when the final
  // one lacks them. Borrowed from trailerDictionary or from the trailers the XrefTable keeps.
  const PdfObject* Size = nullptr;
  const PdfObject* Prev = nullptr;
  const PdfObject* Root = nullptr;
  const PdfObject* Encrypt = nullptr;
  const PdfObject* Info = nullptr;
  const PdfObject* ID = nullptr;
};

// Finds the final trailer: startPosition is the operand of the last startxref (-1 when there is
// none or it is not a number); without startxref, the dictionary after the last trailer keyword
// when one can be read. Never throws: a file with neither is found damaged when its table is read.
void readTrailerInfo(TrailerInfo& info, PdfLexer& lexer);
