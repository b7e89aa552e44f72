// Numbers at the start of typed text, read as the C library reads them.

#include "viewer/ui/leading_number.h"

#include <gtest/gtest.h>

#include <climits>

namespace Corvalis::Viewer {
namespace {

TEST(LeadingNumbers, ReadLikeTheCLibrary) {
  EXPECT_EQ(leadingInteger("12abc"), 12);
  EXPECT_EQ(leadingInteger("  -3"), -3);
  EXPECT_EQ(leadingInteger(""), 0);
  EXPECT_EQ(leadingInteger("x5"), 0);
  EXPECT_EQ(leadingInteger("99999999999999999999"), INT_MAX);
  EXPECT_EQ(leadingInteger("-99999999999999999999"), INT_MIN);
  EXPECT_DOUBLE_EQ(leadingNumber("1.5e2%"), 150.0);
  EXPECT_DOUBLE_EQ(leadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(leadingNumber("-"), 0.0);
}

}  // namespace
}  // namespace Corvalis::Viewer
