#include "engine/document/security_handler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "engine/document/aes.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/rc4.h"
#include "engine/document/standard_security.h"
#include "tests/support/pdf_builder.h"

namespace {

std::string fixture(const char* name) {
  return std::string(BREVIA_SOURCE_DIR) + "/tests/data/pdf/" + name;
}

// Answers with the given passwords in turn, then cancels.
class Answers : public IPasswordProvider {
 public:
  explicit Answers(std::vector<std::string> answers) : answers_(std::move(answers)) {}
  std::optional<std::string> askPassword() override {
    ++asked;
    if (next_ >= answers_.size()) return std::nullopt;
    return answers_[next_++];
  }
  int asked = 0;

 private:
  std::vector<std::string> answers_;
  std::size_t next_ = 0;
};

std::string firstPageContent(C_PDF_Document& doc) {
  C_PDF_PageTreeNode_or_Page* page = doc.findPage(1, true);
  if (!page) return {};
  return std::string(page->content.begin(), page->content.end());
}

TEST(SecurityHandler, AesDocumentsOpenWithEitherPassword) {
  C_PDF_Document plain;
  ASSERT_TRUE(plain.open(fixture("three_pages.pdf"), ""));
  const std::string expected = firstPageContent(plain);
  ASSERT_FALSE(expected.empty());
  for (const char* file : {"aes128.pdf", "aes256.pdf"}) {
    for (const char* password : {"user", "owner"}) {
      C_PDF_Document doc;
      ASSERT_TRUE(doc.open(fixture(file), password)) << file;
      EXPECT_TRUE(doc.encrypted());
      EXPECT_EQ(firstPageContent(doc), expected) << file << " " << password;
      EXPECT_EQ(doc.securityHandler()->ownerAuthenticated(), std::string(password) == "owner");
    }
    // A wrong password asks again; cancelling ends the open with code 3.
    C_PDF_Document wrong;
    Answers answers({"nope", "User"});
    wrong.setPasswordProvider(&answers);
    try {
      wrong.open(fixture(file), "bad");
      FAIL() << file;
    } catch (const C_PDF_Exception& e) {
      EXPECT_EQ(e.cause(), PdfError::PasswordCancelled);
    }
    EXPECT_EQ(answers.asked, 3);
    // The dialog's answer is tried too.
    C_PDF_Document asked;
    Answers right({"nope", "user"});
    asked.setPasswordProvider(&right);
    EXPECT_TRUE(asked.open(fixture(file), ""));
    EXPECT_EQ(right.asked, 2);
  }
}

TEST(SecurityHandler, WithoutTheCryptoLibraryAesFilesSaySoInsteadOfAskingForAPassword) {
  ASSERT_TRUE(CryptoLibrary::available());
  CryptoLibrary::pretendMissing(true);
  struct Restore {
    ~Restore() { CryptoLibrary::pretendMissing(false); }
  } restore;
  EXPECT_FALSE(CryptoLibrary::available());
  for (const char* file : {"aes128.pdf", "aes256.pdf"}) {
    C_PDF_Document doc;
    Answers answers({"user"});
    doc.setPasswordProvider(&answers);
    try {
      doc.open(fixture(file), "user");
      FAIL() << file;
    } catch (const C_PDF_Exception& e) {
      EXPECT_EQ(e.cause(), PdfError::UnsupportedEncryption) << file;
      EXPECT_NE(e.reason().find("libcrypto"), std::string::npos) << e.reason();
    }
    EXPECT_EQ(answers.asked, 0) << file;
  }
  // RC4 needs no library.
  C_PDF_Document rc4;
  EXPECT_TRUE(rc4.open(fixture("rc4_40.pdf"), "user"));
}

TEST(SecurityHandler, PermissionsGovernWhatTheReaderAllows) {
  // An empty user password that allows neither printing nor changes opens the document.
  C_PDF_Document locked;
  Answers none({});
  locked.setPasswordProvider(&none);
  ASSERT_TRUE(locked.open(fixture("rc4_128_locked.pdf"), ""));
  EXPECT_EQ(none.asked, 0);
  EXPECT_FALSE(locked.allows(DocumentPermission::Print));
  EXPECT_FALSE(locked.allows(DocumentPermission::Modify));
  EXPECT_TRUE(locked.allows(DocumentPermission::Copy));
  EXPECT_FALSE(locked.unlockWithOwnerPassword("user"));
  EXPECT_FALSE(locked.allows(DocumentPermission::Print));
  EXPECT_TRUE(locked.unlockWithOwnerPassword("owner"));
  EXPECT_TRUE(locked.allows(DocumentPermission::Print));

  // Given at open, the owner password lifts the restrictions at once.
  C_PDF_Document owner;
  ASSERT_TRUE(owner.open(fixture("rc4_128_locked.pdf"), "owner"));
  EXPECT_TRUE(owner.allows(DocumentPermission::Print));

  // Unencrypted documents allow everything.
  C_PDF_Document plain;
  ASSERT_TRUE(plain.open(fixture("three_pages.pdf"), ""));
  EXPECT_TRUE(plain.allows(DocumentPermission::Print));
  EXPECT_TRUE(plain.unlockWithOwnerPassword("anything"));
}

}  // namespace

namespace {

TEST(SecurityHandler, VersionOneKeysAreFortyBitsWhateverLengthSays) {
  // Some writers put Length 128 into a version 1 dictionary (here: empty user password,
  // printing allowed, copying not); the key stays 40 bits and the document opens unasked.
  StandardSecurity::Parameters params;
  params.revision = 2;
  params.keyLengthBits = 40;
  params.permissions = -3900;
  params.ownerHash = std::string(32, 'O');
  params.documentId = "0123456789abcdef";
  const StandardSecurity::FileKey key = StandardSecurity::computeFileKey("", params);
  std::string u(StandardSecurity::kPasswordPadding.begin(),
                StandardSecurity::kPasswordPadding.end());
  rc4(key, u);
  auto hex = [](const std::string& bytes) {
    std::string out = "<";
    char b[3];
    for (unsigned char c : bytes) {
      std::snprintf(b, sizeof b, "%02x", c);
      out += b;
    }
    return out + ">";
  };
  const std::string content = "0 0 1 rg 0 0 10 10 re f";
  std::string encrypted = content;
  StandardSecurity::decryptObjectData(key, 4, 0, encrypted);  // RC4 both ways
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /MediaBox [0 0 20 20] /Contents 4 0 R >>");
  b.setStream(4, "", encrypted);
  b.set(5, "<< /Filter /Standard /V 1 /R 2 /Length 128 /P -3900 /O " + hex(params.ownerHash) +
               " /U " + hex(u) + " >>");
  const std::string file = b.build("/Root 1 0 R /Encrypt 5 0 R /ID [" + hex(params.documentId) +
                                   hex(params.documentId) + "]");
  C_PDF_Document doc;
  Answers none({});
  doc.setPasswordProvider(&none);
  ASSERT_TRUE(doc.open(testing_pdf::writeTempFile(file), ""));
  EXPECT_EQ(none.asked, 0);
  EXPECT_EQ(firstPageContent(doc), content);
  EXPECT_TRUE(doc.allows(DocumentPermission::Print));
  EXPECT_FALSE(doc.allows(DocumentPermission::Copy));
}

TEST(SecurityHandler, IdentityCryptFilterLeavesAStreamInClear) {
  // The AES-128 fixture updated with a content stream in clear that says so with a Crypt filter.
  std::string file;
  {
    std::FILE* f = std::fopen(fixture("aes128.pdf").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) file.append(buffer, n);
    std::fclose(f);
  }
  C_PDF_Document original;
  ASSERT_TRUE(original.open(fixture("aes128.pdf"), "user"));
  const std::string expected = firstPageContent(original);
  ASSERT_FALSE(expected.empty());

  const std::size_t prev = file.rfind("startxref\n") + 10;
  const std::string prevOffset = file.substr(prev, file.find('\n', prev) - prev);
  const std::string data = testing_pdf::deflate(expected);
  const std::size_t object = file.size();
  file += "6 0 obj\n<< /Length " + std::to_string(data.size()) +
          " /Filter [/Crypt /FlateDecode] /DecodeParms [<< /Name /Identity >> null] >>\nstream\n" +
          data + "\nendstream\nendobj\n";
  const std::size_t xref = file.size();
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", object);
  file += "xref\n6 1\n" + std::string(entry) +
          "trailer\n<< /Size 8 /Root 1 0 R /Encrypt 7 0 R /Prev " + prevOffset +
          " /ID [<4dee173854184cb22cb8e55fb6998037><4dee173854184cb22cb8e55fb6998037>] >>\n" +
          "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
  C_PDF_Document updated;
  ASSERT_TRUE(updated.open(testing_pdf::writeTempFile(file), "user"));
  EXPECT_EQ(firstPageContent(updated), expected);
}

}  // namespace
