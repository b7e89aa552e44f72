#include "platform/system/memory_gauge.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace brevia::platform {

namespace {

// Drawing asks after every page; the load does not change much faster than this, and reading
// the kernel's table costs more than drawing a small page.
constexpr int64_t kReadingKeptMs = 100;

int readMemoryLoad() {
  std::FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return 0;
  char line[256];
  long long total = -1, available = -1;
  while ((total < 0 || available < 0) && std::fgets(line, sizeof line, f)) {
    long long value = 0;
    if (std::strncmp(line, "MemTotal:", 9) == 0 &&
        std::sscanf(line, "MemTotal: %lld kB", &value) == 1)
      total = value;
    else if (std::strncmp(line, "MemAvailable:", 13) == 0 &&
             std::sscanf(line, "MemAvailable: %lld kB", &value) == 1)
      available = value;
  }
  std::fclose(f);
  if (total <= 0 || available < 0) return 0;
  if (available > total) available = total;
  return static_cast<int>(100 - available * 100 / total);
}

}  // namespace

int memoryLoadPercent() {
  // The last reading and when it was taken, shared by every thread that draws.
  static std::atomic<int64_t> readAt{INT64_MIN};
  static std::atomic<int> lastLoad{0};
  const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
  const int64_t at = readAt.load(std::memory_order_acquire);
  if (at != INT64_MIN && now - at >= 0 && now - at < kReadingKeptMs)
    return lastLoad.load(std::memory_order_relaxed);
  const int load = readMemoryLoad();
  lastLoad.store(load, std::memory_order_relaxed);
  readAt.store(now, std::memory_order_release);
  return load;
}

}  // namespace brevia::platform
