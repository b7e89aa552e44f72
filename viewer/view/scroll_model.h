#pragma once
// The page view's scroll model: 21 vertical units per page (units 0 to 20 of page p are
// (p - 1) * 21 ... (p - 1) * 21 + 20) and 21 horizontal positions (10 = centred).

namespace Corvalis::Viewer {

inline constexpr int kUnitsPerPage = 21;
inline constexpr int kLastUnitOfPage = 20;
inline constexpr int kHorizontalMax = 20;
inline constexpr int kHorizontalCentre = 10;

// verticalFit: 1 = the page is no taller than the window, 2 = taller (scrolls within the page).
// horizontalFit: 1 = the page is wider than the window, 2 = it fits across.
inline constexpr int kFitsInWindow = 1;
inline constexpr int kLargerThanWindow = 2;
inline constexpr int kWiderThanWindow = 1;
inline constexpr int kFitsAcross = 2;

struct ScrollState {
  int verticalPos = 0;
  int verticalMax = kLastUnitOfPage;
  int verticalFit = kFitsInWindow;
  int horizontalPos = kHorizontalCentre;
  int horizontalFit = kFitsAcross;

  int page() const { return verticalPos / kUnitsPerPage + 1; }
};

enum class VerticalInput {
  PageUpKey,
  PageDownKey,
  EndKey,
  HomeKey,
  UpKey,
  DownKey,  // keyboard (and the wheel: Up/Down)
  BarPageUp,
  BarPageDown,
  BarLineUp,
  BarLineDown,
  BarTop,
  BarBottom,
  BarTrack,
};

enum class HorizontalInput {
  LeftKey,
  RightKey,
  BarLineLeft,
  BarLineRight,
  BarPageLeft,
  BarPageRight,
  BarLeftEnd,
  BarRightEnd,
  BarTrack,
};

enum class PageCommand { First, Previous, Next, Last };

struct ScrollResult {
  bool changed = false;  // a step was taken: the view refreshes
  bool moved = false;    // the keyboard moved within the page
};

// Applies one input; trackPos is the scroll box's position for BarTrack. The position is
// clamped to 0 ... verticalMax (0 ... 20 across) after every step.
ScrollResult applyVertical(ScrollState& state, VerticalInput input, int trackPos = 0);
ScrollResult applyHorizontal(ScrollState& state, HorizontalInput input, int trackPos = 0);

// The page commands and whether each is enabled.
void applyPageCommand(ScrollState& state, PageCommand command);
bool pageCommandEnabled(const ScrollState& state, PageCommand command);

// verticalMax for a page count.
int verticalMaxFor(int pageCount);

}  // namespace Corvalis::Viewer
