#pragma once
// The system's memory load, from /proc/meminfo.

namespace brevia::platform {

// Percentage of physical memory in use: 100 - available × 100 / total; 0 when unknown. A
// reading is kept for a tenth of a second.
int memoryLoadPercent();

// Caches are emptied when the load reaches this.
inline constexpr int kHighMemoryLoadPercent = 81;

}  // namespace brevia::platform
