// Objects encrypted for an update to an encrypted file decrypt with the reader's own routines.

#include "engine/writer/object_encryptor.h"

#include <gtest/gtest.h>

namespace {

using StandardSecurity::CryptMethod;

PdfObject string(const std::string& bytes) { return PdfObject(PdfObjectKind::String, bytes); }

TEST(ObjectEncryptor, EveryStringAndStreamDecryptsWithTheObjectKey) {
  for (CryptMethod method :
       {CryptMethod::Rc4, CryptMethod::AesV2, CryptMethod::AesV3, CryptMethod::Identity}) {
    SCOPED_TRACE(static_cast<int>(method));
    const std::vector<uint8_t> key(method == CryptMethod::AesV3 ? 32 : 16, 0x42);
    const ObjectEncryptor encryptor(key, method, method);
    PdfObject dict(PdfObjectKind::Dictionary);
    dict.add("T", string("name"));
    PdfObject array(PdfObjectKind::Array);
    array.elements.push_back(string(""));
    array.elements.push_back(string(std::string(16, 'x')));  // a whole block: one more of padding
    dict.add("Opt", array);
    dict.add("N", PdfObject(PdfObjectKind::Name, "plain"));
    PdfObject once = dict, twice = dict;
    ASSERT_TRUE(encryptor.encrypt(once, 12, 0));
    ASSERT_TRUE(encryptor.encrypt(twice, 12, 0));
    EXPECT_EQ(once.lookup("N")->text, "plain");
    // A fresh initialisation vector each time.
    if (method == CryptMethod::AesV2 || method == CryptMethod::AesV3) {
      EXPECT_NE(once.lookup("T")->text, twice.lookup("T")->text);
    }
    std::string t = once.lookup("T")->text;
    StandardSecurity::decryptObjectData(method, key, 12, 0, t);
    EXPECT_EQ(t, "name");
    for (std::size_t i = 0; i < 2; ++i) {
      std::string e = once.lookup("Opt")->elements[i].text;
      StandardSecurity::decryptObjectData(method, key, 12, 0, e);
      EXPECT_EQ(e, array.elements[i].text);
    }
    // Another object's key does not open it.
    std::string wrong = once.lookup("T")->text;
    StandardSecurity::decryptObjectData(method, key, 13, 0, wrong);
    if (method != CryptMethod::Identity && method != CryptMethod::AesV3) {
      EXPECT_NE(wrong, "name");
    }

    PdfObject stream(PdfObjectKind::Stream, "q 1 0 0 1 0 0 cm Q");
    stream.add("Subtype", PdfObject(PdfObjectKind::Name, "Form"));
    ASSERT_TRUE(encryptor.encrypt(stream, 7, 1));
    std::string data = stream.text;
    StandardSecurity::decryptObjectData(method, key, 7, 1, data);
    EXPECT_EQ(data, "q 1 0 0 1 0 0 cm Q");
    // Cross-reference streams stay in clear.
    PdfObject xref(PdfObjectKind::Stream, "\x01\x02");
    xref.add("Type", PdfObject(PdfObjectKind::Name, "XRef"));
    ASSERT_TRUE(encryptor.encrypt(xref, 8, 0));
    EXPECT_EQ(xref.text, "\x01\x02");
  }
  // An AES-256 key of the wrong size cannot encrypt.
  PdfObject s = string("x");
  EXPECT_FALSE(ObjectEncryptor(std::vector<uint8_t>(16, 1), CryptMethod::AesV3, CryptMethod::AesV3)
                   .encrypt(s, 1, 0));
}

}  // namespace
