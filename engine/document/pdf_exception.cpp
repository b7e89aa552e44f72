#include "engine/document/pdf_exception.h"

const char* C_PDF_Exception::what() const noexcept {
  if (!reason_.empty()) return reason_.c_str();
  switch (cause_) {
    case PdfError::ObjectNotFound:
      return "object not found";
    case PdfError::DocumentDamaged:
      return "document damaged";
    case PdfError::PasswordCancelled:
      return "password entry cancelled";
    case PdfError::UnsupportedEncryption:
      return "unsupported encryption";
  }
  return "PDF error";
}
