#pragma once
// Structural problems of a file are raised as C_PDF_Exception carrying a PdfError and,
// where one is known, the reason in words a person understands.

#include <exception>
#include <string>

enum class PdfError : int {
  ObjectNotFound = 1,   // an object or section was not found
  DocumentDamaged = 2,  // the document is damaged
  PasswordCancelled = 3,
  UnsupportedEncryption = 4,  // also: the library its encryption needs cannot be loaded
};

class C_PDF_Exception : public std::exception {
 public:
  explicit C_PDF_Exception(PdfError cause) : cause_(cause) {}
  C_PDF_Exception(PdfError cause, std::string reason) : cause_(cause), reason_(std::move(reason)) {}
  PdfError cause() const { return cause_; }
  // The cause's number, by which the message catalogue's exception texts go.
  int code() const { return static_cast<int>(cause_); }
  // A sentence such as "This file is not a PDF document"; empty when only the cause is known.
  const std::string& reason() const { return reason_; }
  const char* what() const noexcept override;

 private:
  PdfError cause_;
  std::string reason_;
};
