#include "viewer/view/scroll_model.h"

#include <algorithm>

namespace Corvalis::Viewer {

namespace {

int clampVertical(const ScrollState& s, int pos) {
  return std::clamp(pos, 0, std::max(0, s.verticalMax));
}

ScrollResult moveTo(ScrollState& s, int pos, bool moved = false) {
  s.verticalPos = clampVertical(s, pos);
  return {true, moved};
}

int pageTop(int pos) { return pos / kUnitsPerPage * kUnitsPerPage; }

}  // namespace

int verticalMaxFor(int pageCount) { return std::max(1, pageCount) * kUnitsPerPage - 1; }

ScrollResult applyVertical(ScrollState& s, VerticalInput input, int trackPos) {
  const int pos = s.verticalPos;
  const bool fits = s.verticalFit != kLargerThanWindow;
  switch (input) {
    case VerticalInput::PageUpKey:
    case VerticalInput::BarPageUp:
      if (pos <= 0) return {};
      if (fits) return moveTo(s, pageTop(pos) - 1, true);
      return moveTo(s, pos % kUnitsPerPage == 0 ? pos - 1 : pageTop(pos), true);
    case VerticalInput::PageDownKey:
      if (pos >= s.verticalMax) return {};
      if (fits) return moveTo(s, pageTop(pos) + kUnitsPerPage, true);
      return moveTo(
          s, pos % kUnitsPerPage == kLastUnitOfPage ? pos + 1 : pageTop(pos) + kLastUnitOfPage,
          true);
    case VerticalInput::BarPageDown: {
      if (pos >= s.verticalMax) return {};
      const int bottom = pageTop(pos) + kLastUnitOfPage;
      if (fits) return moveTo(s, bottom + 1);
      return moveTo(s, pos == bottom ? bottom + 1 : bottom);
    }
    case VerticalInput::EndKey:
      if (pos >= s.verticalMax - kLastUnitOfPage) return {};
      return moveTo(s, s.verticalMax - kLastUnitOfPage);
    case VerticalInput::HomeKey:
      if (pos <= kLastUnitOfPage) return {};
      return moveTo(s, 0);
    case VerticalInput::UpKey:
      if (pos <= 0) return {};
      return fits ? moveTo(s, pos - kUnitsPerPage) : moveTo(s, pos - 1, true);
    case VerticalInput::DownKey:
      if (pos >= s.verticalMax) return {};
      return fits ? moveTo(s, pos + kUnitsPerPage) : moveTo(s, pos + 1, true);
    case VerticalInput::BarLineUp:
      if (pos <= 0) return {};
      return moveTo(s, pos - 1);
    case VerticalInput::BarLineDown:
      if (pos >= s.verticalMax) return {};
      return moveTo(s, pos + 1);
    case VerticalInput::BarTop:
      return moveTo(s, 0);
    case VerticalInput::BarBottom:
      return moveTo(s, s.verticalMax);
    case VerticalInput::BarTrack:
      return moveTo(s, trackPos);
  }
  return {};
}

ScrollResult applyHorizontal(ScrollState& s, HorizontalInput input, int trackPos) {
  auto to = [&](int pos, bool moved) {
    s.horizontalPos = std::clamp(pos, 0, kHorizontalMax);
    return ScrollResult{true, moved};
  };
  if (input == HorizontalInput::BarTrack) return to(trackPos, false);
  if (s.horizontalFit == kFitsAcross) return {};
  const int pos = s.horizontalPos;
  switch (input) {
    case HorizontalInput::LeftKey:
      return pos <= 0 ? ScrollResult{} : to(pos - 1, true);
    case HorizontalInput::RightKey:
      return pos >= kHorizontalMax ? ScrollResult{} : to(pos + 1, true);
    case HorizontalInput::BarLineLeft:
    case HorizontalInput::BarPageLeft:
      return to(pos - 1, false);
    case HorizontalInput::BarLineRight:
    case HorizontalInput::BarPageRight:
      return to(pos + 1, false);
    case HorizontalInput::BarLeftEnd:
      return to(0, false);
    case HorizontalInput::BarRightEnd:
      return to(kHorizontalMax, false);
    case HorizontalInput::BarTrack:
      break;
  }
  return {};
}

void applyPageCommand(ScrollState& s, PageCommand command) {
  switch (command) {
    case PageCommand::First:
      s.verticalPos = 0;
      break;
    case PageCommand::Previous:
      s.verticalPos = pageTop(s.verticalPos) - kUnitsPerPage;
      break;
    case PageCommand::Next:
      s.verticalPos = pageTop(s.verticalPos) + kUnitsPerPage;
      break;
    case PageCommand::Last:
      s.verticalPos = s.verticalMax - kLastUnitOfPage;
      break;
  }
  s.verticalPos = clampVertical(s, s.verticalPos);
}

bool pageCommandEnabled(const ScrollState& s, PageCommand command) {
  switch (command) {
    case PageCommand::First:
    case PageCommand::Previous:
      return s.verticalPos > kLastUnitOfPage;
    case PageCommand::Next:
    case PageCommand::Last:
      return s.verticalPos < s.verticalMax - kLastUnitOfPage;
  }
  return false;
}

}  // namespace Corvalis::Viewer
