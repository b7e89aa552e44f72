#pragma once
// Field values written back into the file as an incremental update: the changed fields and
// their widgets with fresh appearance streams after the original bytes, which stay untouched.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class C_PDF_Document;

struct FieldValueChange {
  // The field's object (the one holding V, or the widget that is its own field).
  int32_t objectNumber = -1;
  int32_t generation = 0;
  // Text fields and combo boxes: the text; list boxes: each chosen option (export values).
  std::vector<std::u16string> values;
  // Check boxes and radio buttons: the state to set, a widget's on-state name or "Off".
  std::string state;
};

struct FormSaveResult {
  std::optional<std::string> bytes;  // the whole new file
  std::string error;                 // why nothing was written, when bytes is empty
};

// Changed fields written at most in one save.
inline constexpr std::size_t kMaxSavedFields = 100000;
// Kids of one field visited at most.
inline constexpr std::size_t kMaxFieldKids = 10000;

// original is the document's file as read. An encrypted document's update is encrypted with
// its own standard security handler (RC4, AES-128 or AES-256) and keeps its Encrypt and ID.
// A widget without a name (T) stands for its field, the nearest parent with one. Each of these
// gives an error and no bytes: a change naming no dictionary or a field of no fillable type, a
// field without a name, a value that does not fit the field's type (text for a button, a state
// for a text field, several values for a field that takes one), parents or kids that loop, a
// widget that is on no page, and an encryption the crypto library cannot apply.
FormSaveResult saveFieldValues(C_PDF_Document& document, std::string_view original,
                               const std::vector<FieldValueChange>& changes);

// The same, written to path (usually the document's own file) through a temporary file in its
// folder, flushed to disk and renamed over it: when anything fails, path is left as it was and
// error says why. On success bytes holds what was written.
FormSaveResult saveFieldValuesToFile(C_PDF_Document& document, std::string_view original,
                                     const std::vector<FieldValueChange>& changes,
                                     const std::string& path);

// A value as a PDF text string: PDFDocEncoding-compatible Latin text as is, anything else as
// UTF-16BE with its byte-order mark.
std::string encodeTextString(std::u16string_view text);
