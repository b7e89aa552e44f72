#include "engine/document/pdf_exception.h"

const char* C_PDF_Exception::what() const noexcept {
  if (!reason_.empty()) return reason_.c_str();
  switch (code_) {
    case kErrorObjectNotFound:
      return "object not found";
    case kErrorDocumentDamaged:
      return "document damaged";
    case kErrorPasswordCancelled:
      return "password entry cancelled";
    case kErrorUnsupportedEncryption:
      return "unsupported encryption";
    default:
      return "PDF error";
  }
}
