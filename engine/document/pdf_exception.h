#pragma once
// Structural problems of a file are raised as C_PDF_Exception carrying an EngineErrorCode.

#include <exception>

enum EngineErrorCode : int {
  kErrorObjectNotFound = 1,     // an object or section was not found
  kErrorDocumentDamaged = 2,    // the document is damaged
  kErrorPasswordCancelled = 3,  // the password entry was cancelled
  kErrorUnsupportedEncryption = 4,
};

class C_PDF_Exception : public std::exception {
 public:
  explicit C_PDF_Exception(int code) : code_(code) {}
  int code() const { return code_; }
  const char* what() const noexcept override;

 private:
  int code_;
};
