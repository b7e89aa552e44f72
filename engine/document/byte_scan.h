#pragma once
// Whole-source scans that read spans rather than one virtual call per byte.

#include <cstdint>
#include <string_view>

#include "engine/document/lex_source.h"

// Position of the first occurrence of needle that starts at or after from and ends before limit
// (limit -1: the end of the source); -1 when there is none.
int64_t findForward(C_PDF_Lex_Source& source, std::string_view needle, int64_t from,
                    int64_t limit = -1);

// Position of the last occurrence of needle in the source; -1 when there is none.
int64_t findBackward(C_PDF_Lex_Source& source, std::string_view needle);

// Copies up to count bytes from position into out; returns the number copied.
int64_t copyBytes(C_PDF_Lex_Source& source, int64_t position, int64_t count, std::string& out);
