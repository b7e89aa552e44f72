#pragma once
// The English texts of the engine's numbered messages and of its exception codes.

#include <string>

namespace Corvalis::PDFConverter::Messages {

inline constexpr const char kMakerName[] = "Corvalis";
inline constexpr const char kSupportAddress[] = "support@corvalis.com";

// Message numbers the engine raises.
enum MessageNumber : int {
  kMsgFilterUnsupported1 = 3,
  kMsgFilterUnsupported2 = 4,
  kMsgFilterUnsupported3 = 5,
  kMsgFilterUnsupported4 = 6,
  kMsgFontCorrupted = 8,
  kMsgCannotOpenDocument = 11,
  kMsgTooManyTokens = 56,
  kMsgFatalInternal = 60,
  kMsgProgramFileNotFound = 74,
  kMsgInchSuffix = 123,
  kMsgCMapNotFound = 150,
  kMsgAskDownloadCMap = 154,
  kMsgInternetError = 155,
  kMsgDownloadAccessDenied = 156,
  kMsgDownloadNotFound = 157,
  kMsgUnknownException = 158,
};

// The catalogue text of a message number; the empty text for numbers without an entry.
const std::string& CatalogueText(int number);

// The text shown for a C_PDF_Exception code (1, 2 and 4); empty for the others.
const std::string& ExceptionText(int code);

}  // namespace Corvalis::PDFConverter::Messages
