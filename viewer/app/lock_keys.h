#pragma once
// The state of the Caps Lock, Num Lock and Scroll Lock keys, for the status bar's indicators.

#include <optional>

namespace Corvalis::Viewer {

struct LockKeyState {
  bool capsLock = false;
  bool numLock = false;
  bool scrollLock = false;
};

// The keyboard's lock indicators; nothing where the window system does not tell them.
std::optional<LockKeyState> readLockKeys();

}  // namespace Corvalis::Viewer
