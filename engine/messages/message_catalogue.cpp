#include "engine/messages/message_catalogue.h"

#include <map>

namespace Corvalis::PDFConverter::Messages {

namespace {

std::string filterText(const char* prefix) {
  return std::string(prefix) +
         " This version of Quillon can not process %s stream filters. QLN will try to continue "
         "processing the rest of this document...";
}

const std::map<int, std::string>& catalogue() {
  static const std::map<int, std::string> texts = {
      {3, filterText("(1)")},
      {4, filterText("(2)")},
      {5, filterText("(3)")},
      {6, filterText("(4)")},
      {8, "Windows Font Corrupted - Try Re-Installing Microsoft Windows"},
      {11,
       "Document Could Not be Opened - If the File is on Network or Another Unacessible Media, "
       "Please Copy it to Your Local Hard Drive!"},
      {56, std::string("Amount of tokens in the row is > 1000. Please report to ") + kMakerName},
      {60, std::string("Fatal Internal Error #%s. Please report to ") + kSupportAddress},
      {74, "Program File Not Found - Try Re-Installing This Software"},
      {123, " in"},
      {150, "Cannot find required CMap file: \"%s\""},
      {154,
       "Cannot find required CMap file: \"%s\"\nDo you want to download this file from the "
       "official web site?"},
      {155, "Internet connection error: %s"},
      {156, "File download error: Access denied"},
      {157, "File download error: File not found"},
      {158, "Unknown exception was raised"},
  };
  return texts;
}

}  // namespace

const std::string& CatalogueText(int number) {
  static const std::string empty;
  auto it = catalogue().find(number);
  return it == catalogue().end() ? empty : it->second;
}

const std::string& ExceptionText(int code) {
  static const std::string objectNotFound =
      std::string("Document Damaged - Object Not Found - Please Report to ") + kSupportAddress;
  static const std::string damaged =
      std::string("Document Damaged - Please Report to ") + kSupportAddress;
  static const std::string unsupported = "Document Encrypted with Unsupported Encryption Algorithm";
  static const std::string empty;
  switch (code) {
    case 1:
      return objectNotFound;
    case 2:
      return damaged;
    case 4:
      return unsupported;
    default:
      return empty;
  }
}

}  // namespace Corvalis::PDFConverter::Messages
