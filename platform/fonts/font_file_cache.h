#pragma once
// Whole font files read into memory, kept for reuse: the same few system fonts serve many PDF
// fonts. An entry is used only while the file on disk is unchanged, so the cache never alters
// what a read returns. Safe to use from several threads at once.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace brevia::platform {

class FontFileCache {
 public:
  // Larger files are not taken for fonts.
  static constexpr size_t kMaxFontFileBytes = 256u * 1024 * 1024;
  // Files kept at most, in bytes; the least recently used go first.
  static constexpr size_t kMaxCachedBytes = 64u * 1024 * 1024;

  // The bytes of the file; nullptr when it cannot be read, is not a regular file or is too large.
  std::shared_ptr<const std::vector<uint8_t>> read(const std::string& path);

  size_t cachedBytes() const;

 private:
  struct Identity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    bool operator==(const Identity&) const = default;
  };
  struct Entry {
    Identity identity;
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    uint64_t lastUse = 0;
  };

  void evictFor(size_t incoming);

  // Guards the entries, not the reading: a thread reading a large file keeps no other waiting.
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
  size_t cachedBytes_ = 0;
  uint64_t clock_ = 0;
};

}  // namespace brevia::platform
