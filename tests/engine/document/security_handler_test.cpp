#include "engine/document/security_handler.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"

namespace {

std::string fixture(const char* name) { return std::string(BREVIA_SOURCE_DIR) + "/tests/data/pdf/" + name; }

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
      EXPECT_EQ(e.code(), kErrorPasswordCancelled);
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
