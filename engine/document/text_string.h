#pragma once
// PDF text strings: document titles, outline entries, annotation contents, form values,
// ActualText. One decoder for all of them: UTF-16 big-endian after the byte-order mark FE FF
// (little-endian after FF FE, which some writers produce), UTF-8 after EF BB BF, PDFDocEncoding
// otherwise.

#include <string>
#include <string_view>

// The text as UTF-16. A trailing odd byte of UTF-16 is dropped, and so are lone surrogates;
// malformed UTF-8 becomes U+FFFD; the few codes PDFDocEncoding leaves undefined keep their
// Latin-1 meaning, so no byte is lost.
std::u16string decodeTextString(std::string_view bytes);

// The same as UTF-8.
std::string textStringToUtf8(std::string_view bytes);

// UTF-16 (with valid surrogate pairs) as UTF-8; lone surrogates are dropped.
std::string utf16ToUtf8(std::u16string_view text);
