#include "platform/system/memory_gauge.h"

#include <cstdio>
#include <cstring>

namespace brevia::platform {

int memoryLoadPercent() {
  std::FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return 0;
  char line[256];
  long long total = -1, available = -1;
  while (std::fgets(line, sizeof line, f)) {
    long long value = 0;
    if (std::sscanf(line, "MemTotal: %lld kB", &value) == 1)
      total = value;
    else if (std::sscanf(line, "MemAvailable: %lld kB", &value) == 1)
      available = value;
  }
  std::fclose(f);
  if (total <= 0 || available < 0) return 0;
  if (available > total) available = total;
  return static_cast<int>(100 - available * 100 / total);
}

}  // namespace brevia::platform
