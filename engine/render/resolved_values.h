#pragma once
// Reading dictionary values that may be indirect: numbers, integers and arrays of numbers.
// Missing objects make the resolver throw C_PDF_Exception; callers decide how far it travels.

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_object.h"

// The entry's value, resolved when indirect (kept in storage), or nullptr when absent.
const PdfObject* resolvedEntry(const PdfObject& dictionary, std::string_view key,
                               ObjectResolver& resolver, PdfObject& storage);

// value (resolved when indirect) read as a number; false when it is not one.
bool readNumber(const PdfObject* value, ObjectResolver& resolver, double& out);
bool readInteger(const PdfObject* value, ObjectResolver& resolver, int32_t& out);

// An array of numbers, each element resolved when indirect. False (out empty) when the value is
// absent, not an array, or holds anything but numbers.
bool readNumbers(const PdfObject* value, ObjectResolver& resolver, std::vector<double>& out);

// Conversion of a double to a 32-bit integer by truncation toward zero, saturating at the
// 32-bit limits; NaN gives 0. A plain cast is undefined for values outside the range.
int32_t truncateToInt32(double value);
