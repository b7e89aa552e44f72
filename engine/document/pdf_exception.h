#pragma once
// Structural problems of a file are raised as C_PDF_Exception carrying an EngineErrorCode and,
// where one is known, the reason in words a person understands.

#include <exception>
#include <string>

enum EngineErrorCode : int {
  kErrorObjectNotFound = 1,     // an object or section was not found
  kErrorDocumentDamaged = 2,    // the document is damaged
  kErrorPasswordCancelled = 3,  // the password entry was cancelled
  kErrorUnsupportedEncryption = 4,
};

class C_PDF_Exception : public std::exception {
 public:
  explicit C_PDF_Exception(int code) : code_(code) {}
  C_PDF_Exception(int code, std::string reason) : code_(code), reason_(std::move(reason)) {}
  int code() const { return code_; }
  // A sentence such as "This file is not a PDF document"; empty when only the code is known.
  const std::string& reason() const { return reason_; }
  const char* what() const noexcept override;

 private:
  int code_;
  std::string reason_;
};
