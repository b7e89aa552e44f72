#pragma once
// What the document's author allows a reader to do, from the permission bits P of an encrypted
// document. An unencrypted document, or one opened with its owner password, allows everything.

#include <cstdint>

enum class DocumentPermission : uint32_t {
  Print = 1u << 2,              // bit 3
  Modify = 1u << 3,             // bit 4
  Copy = 1u << 4,               // bit 5: copy or extract text and graphics
  Annotate = 1u << 5,           // bit 6
  FillForms = 1u << 8,          // bit 9
  ExtractForAccess = 1u << 9,   // bit 10
  Assemble = 1u << 10,          // bit 11
  PrintHighQuality = 1u << 11,  // bit 12
};

struct DocumentPermissions {
  // P as the file states it; every bit set when nothing is restricted.
  uint32_t bits = 0xFFFFFFFFu;
  bool owner = true;  // unrestricted: not encrypted, or opened with the owner password

  bool allows(DocumentPermission p) const {
    return owner || (bits & static_cast<uint32_t>(p)) != 0;
  }
};
