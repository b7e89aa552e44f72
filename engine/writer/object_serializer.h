#pragma once
// PDF objects as the bytes a file stores them in: strings escaped, names with # escapes,
// streams with their Length.

#include <string>
#include <string_view>

#include "engine/document/pdf_object.h"

// Arrays and dictionaries nested deeper than this are written as null.
inline constexpr int kMaxSerializeDepth = 256;

// A literal string: ( ) \ escaped, control bytes and CR as octal escapes.
std::string literalString(std::string_view bytes);
// A name token (with the solidus): bytes outside ! to ~ and delimiters as #XX.
std::string nameToken(std::string_view name);
// A number token from its text, or 0 when the text is not a number.
std::string numberToken(std::string_view text);

// The object's bytes. A stream is its dictionary with Length set to the data's size, then its
// data between "stream" and "endstream"; a reference is "n g R".
std::string serializeObject(const PdfObject& object);

// zlib-compressed bytes (FlateDecode); empty when compression fails.
std::string flateCompress(std::string_view data);
