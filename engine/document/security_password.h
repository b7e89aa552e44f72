#pragma once
// Turning a typed password (UTF-8) into the bytes the standard security handler hashes.

#include <string>

namespace SecurityPassword {

// Revisions 2 to 4 hash bytes of an 8-bit code page: text made only of Latin-1 characters
// becomes those bytes; anything else stays UTF-8.
std::string latin1Bytes(const std::string& utf8);

// Revisions 5 and 6 hash the password prepared by SASLprep (mapping, NFKC, prohibited
// characters), as UTF-8. Text that SASLprep refuses is returned unchanged, so that a password
// set by a writer that skipped the preparation still matches.
std::string saslPrep(const std::string& utf8);

}  // namespace SecurityPassword
