#include "viewer/view/scroll_model.h"

#include <gtest/gtest.h>

namespace Corvalis::Viewer {
namespace {

ScrollState pages(int count, int pos, int fit) {
  ScrollState s;
  s.verticalMax = verticalMaxFor(count);
  s.verticalPos = pos;
  s.verticalFit = fit;
  return s;
}

TEST(ScrollModel, PageFitsInWindow) {
  ScrollState s = pages(3, 0, kFitsInWindow);
  EXPECT_EQ(s.verticalMax, 62);
  EXPECT_FALSE(applyVertical(s, VerticalInput::PageUpKey).changed);
  EXPECT_TRUE(applyVertical(s, VerticalInput::PageDownKey).moved);
  EXPECT_EQ(s.verticalPos, 21);
  applyVertical(s, VerticalInput::DownKey);
  EXPECT_EQ(s.verticalPos, 42);
  // Down on the last page only clamps.
  applyVertical(s, VerticalInput::DownKey);
  EXPECT_EQ(s.verticalPos, 62);
  EXPECT_FALSE(applyVertical(s, VerticalInput::DownKey).changed);
  applyVertical(s, VerticalInput::PageUpKey);
  EXPECT_EQ(s.verticalPos, 41);
  EXPECT_EQ(s.page(), 2);
  applyVertical(s, VerticalInput::UpKey);
  EXPECT_EQ(s.verticalPos, 20);
  applyVertical(s, VerticalInput::BarPageDown);
  EXPECT_EQ(s.verticalPos, 21);
}

TEST(ScrollModel, PageTallerThanWindow) {
  ScrollState s = pages(3, 0, kLargerThanWindow);
  // Page Down first goes to the bottom of the page, then to the next page's top.
  applyVertical(s, VerticalInput::PageDownKey);
  EXPECT_EQ(s.verticalPos, 20);
  applyVertical(s, VerticalInput::PageDownKey);
  EXPECT_EQ(s.verticalPos, 21);
  applyVertical(s, VerticalInput::DownKey);
  EXPECT_EQ(s.verticalPos, 22);
  // Page Up goes to the top of the page, then to the previous page's bottom.
  applyVertical(s, VerticalInput::PageUpKey);
  EXPECT_EQ(s.verticalPos, 21);
  applyVertical(s, VerticalInput::PageUpKey);
  EXPECT_EQ(s.verticalPos, 20);
  // The bar's page down stops at the bottom unit before moving on.
  applyVertical(s, VerticalInput::BarPageDown);
  EXPECT_EQ(s.verticalPos, 21);
  s.verticalPos = 30;
  applyVertical(s, VerticalInput::BarPageDown);
  EXPECT_EQ(s.verticalPos, 41);
}

TEST(ScrollModel, EndsTrackAndHorizontal) {
  ScrollState s = pages(4, 10, kFitsInWindow);
  EXPECT_FALSE(applyVertical(s, VerticalInput::HomeKey).changed);
  applyVertical(s, VerticalInput::EndKey);
  EXPECT_EQ(s.verticalPos, 63);
  EXPECT_FALSE(applyVertical(s, VerticalInput::EndKey).changed);
  applyVertical(s, VerticalInput::BarTrack, 500);
  EXPECT_EQ(s.verticalPos, s.verticalMax);
  applyVertical(s, VerticalInput::BarTop);
  EXPECT_EQ(s.verticalPos, 0);

  s.horizontalFit = kFitsAcross;
  EXPECT_FALSE(applyHorizontal(s, HorizontalInput::LeftKey).changed);
  EXPECT_TRUE(applyHorizontal(s, HorizontalInput::BarTrack, 3).changed);
  EXPECT_EQ(s.horizontalPos, 3);
  s.horizontalFit = kWiderThanWindow;
  s.horizontalPos = 0;
  EXPECT_FALSE(applyHorizontal(s, HorizontalInput::LeftKey).changed);
  EXPECT_TRUE(applyHorizontal(s, HorizontalInput::RightKey).moved);
  applyHorizontal(s, HorizontalInput::BarRightEnd);
  EXPECT_EQ(s.horizontalPos, kHorizontalMax);
}

TEST(ScrollModel, PageCommandsAndTheirEnableRules) {
  ScrollState one = pages(1, 0, kFitsInWindow);
  EXPECT_EQ(one.verticalMax, 20);
  for (PageCommand c :
       {PageCommand::First, PageCommand::Previous, PageCommand::Next, PageCommand::Last})
    EXPECT_FALSE(pageCommandEnabled(one, c));

  ScrollState s = pages(5, 0, kFitsInWindow);
  EXPECT_FALSE(pageCommandEnabled(s, PageCommand::Previous));
  EXPECT_TRUE(pageCommandEnabled(s, PageCommand::Next));
  applyPageCommand(s, PageCommand::Last);
  EXPECT_EQ(s.verticalPos, 84);
  EXPECT_FALSE(pageCommandEnabled(s, PageCommand::Next));
  EXPECT_TRUE(pageCommandEnabled(s, PageCommand::First));
  s.verticalPos = 30;
  applyPageCommand(s, PageCommand::Previous);
  EXPECT_EQ(s.verticalPos, 0);
  applyPageCommand(s, PageCommand::Previous);
  EXPECT_EQ(s.verticalPos, 0);
  applyPageCommand(s, PageCommand::Next);
  EXPECT_EQ(s.verticalPos, 21);
}

}  // namespace
}  // namespace Corvalis::Viewer
