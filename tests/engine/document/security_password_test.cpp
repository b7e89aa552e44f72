#include "engine/document/security_password.h"

#include <gtest/gtest.h>

namespace {

using namespace SecurityPassword;

TEST(SecurityPassword, Latin1TextBecomesBytesOtherTextStaysUtf8) {
  EXPECT_EQ(latin1Bytes("user"), "user");
  EXPECT_EQ(latin1Bytes("p\xC3\xA4ss"), "p\xE4ss");
  EXPECT_EQ(latin1Bytes("\xE4\xB8\xAD"), "\xE4\xB8\xAD");  // CJK stays as typed
}

TEST(SecurityPassword, SaslPrepMapsAndNormalises) {
  EXPECT_EQ(saslPrep("user"), "user");
  EXPECT_EQ(saslPrep(""), "");
  EXPECT_EQ(saslPrep("I\xC2\xADX"), "IX");  // soft hyphen maps to nothing
  EXPECT_EQ(saslPrep("a\xC2\xA0"
                     "b"),
            "a b");                           // no-break space becomes a space
  EXPECT_EQ(saslPrep("\xE2\x85\xA8"), "IX");  // Roman numeral nine, NFKC
  EXPECT_EQ(saslPrep("\xC2\xAA"), "a");       // feminine ordinal, NFKC
  // Prohibited text (a control character) and broken UTF-8 are kept as they are.
  EXPECT_EQ(saslPrep("a\x07"
                     "b"),
            "a\x07"
            "b");
  EXPECT_EQ(saslPrep("\xFF\xFE"), "\xFF\xFE");
}

}  // namespace
