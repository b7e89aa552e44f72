#pragma once
#include <cstddef>

// No decoded stream grows beyond this, so that a small file cannot exhaust memory.
inline constexpr std::size_t kMaxDecodedStreamBytes = 157286400;
