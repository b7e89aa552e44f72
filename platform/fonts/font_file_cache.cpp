#include "platform/fonts/font_file_cache.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevia::platform {
namespace {

std::shared_ptr<std::vector<uint8_t>> readWhole(int descriptor, size_t size) {
  auto bytes = std::make_shared<std::vector<uint8_t>>(size);
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::pread(descriptor, bytes->data() + got, size - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  // A file that shrank while being read is taken as it was found.
  bytes->resize(got);
  return bytes;
}

}  // namespace

std::shared_ptr<const std::vector<uint8_t>> FontFileCache::read(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat info {};
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      static_cast<uint64_t>(info.st_size) > kMaxFontFileBytes) {
    ::close(descriptor);
    return nullptr;
  }
  Identity identity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                    info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++clock_;
    auto found = entries_.find(path);
    if (found != entries_.end()) {
      if (found->second.identity == identity) {
        ::close(descriptor);
        found->second.lastUse = clock_;
        return found->second.bytes;
      }
      cachedBytes_ -= found->second.bytes->size();
      entries_.erase(found);
    }
  }
  std::shared_ptr<const std::vector<uint8_t>> bytes =
      readWhole(descriptor, static_cast<size_t>(info.st_size));
  ::close(descriptor);
  if (bytes->size() != static_cast<size_t>(info.st_size) || bytes->size() > kMaxCachedBytes)
    return bytes;
  std::lock_guard<std::mutex> lock(mutex_);
  // Another thread may have read the same file meanwhile; the newer read replaces it.
  if (auto found = entries_.find(path); found != entries_.end()) {
    cachedBytes_ -= found->second.bytes->size();
    entries_.erase(found);
  }
  evictFor(bytes->size());
  entries_[path] = Entry{identity, bytes, ++clock_};
  cachedBytes_ += bytes->size();
  return bytes;
}

size_t FontFileCache::cachedBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cachedBytes_;
}

void FontFileCache::evictFor(size_t incoming) {
  while (!entries_.empty() && cachedBytes_ + incoming > kMaxCachedBytes) {
    auto oldest = entries_.begin();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->second.lastUse < oldest->second.lastUse) oldest = it;
    }
    cachedBytes_ -= oldest->second.bytes->size();
    entries_.erase(oldest);
  }
}

}  // namespace brevia::platform
