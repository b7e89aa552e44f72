#include "engine/document/pdf_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"

namespace Messages = Corvalis::PDFConverter::Messages;

C_PDF_File::C_PDF_File(const std::string& path, Access access) : path_(path) {
  descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (descriptor_ < 0) {
    error_ = std::strerror(errno);
  } else if (::fstat(descriptor_, &info) != 0 || !S_ISREG(info.st_mode)) {
    error_ = "not a regular file";
  } else {
    length = static_cast<int64_t>(info.st_size);
    if (access == Access::Windowed || !mapFile()) {
      // Small files need no more than their own size.
      window_.reset(new uint8_t[std::min<int64_t>(kWindowSize, std::max<int64_t>(length, 1))]);
      if (length > 0 && !loadWindow(0)) {
        error_ = "read error";
        length = -1;
      }
    }
  }
  if (length < 0) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    Messages::Report(Messages::kMsgCannotOpenDocument, 1);
  }
}

C_PDF_File::~C_PDF_File() {
  if (mapping_ && !copy_)
    ::munmap(const_cast<uint8_t*>(mapping_), static_cast<std::size_t>(length));
  if (descriptor_ >= 0) ::close(descriptor_);
}

bool C_PDF_File::copyFile() {
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<std::size_t>(length)]);
  if (!bytes) return false;
  int64_t got = 0;
  while (got < length) {
    const ssize_t n = ::pread(descriptor_, bytes.get() + got,
                              static_cast<std::size_t>(length - got), static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  // A file cut short since fstat is what it now is.
  if (got <= 0) return false;
  length = got;
  copy_ = std::move(bytes);
  mapping_ = copy_.get();
  windowStart_ = 0;
  windowEnd_ = length;
  atEnd_ = true;
  return true;
}

bool C_PDF_File::mapFile() {
  // An empty file has nothing to map; the window path handles it.
  if (length <= 0) return false;
  if (length <= kMaxCopiedBytes) return copyFile();
  void* address =
      ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_PRIVATE, descriptor_, 0);
  if (address == MAP_FAILED) return false;
  mapping_ = static_cast<const uint8_t*>(address);
  windowStart_ = 0;
  windowEnd_ = length;
  atEnd_ = true;
  return true;
}

bool C_PDF_File::loadWindow(int64_t position) {
  const int64_t start = position / kWindowSize * kWindowSize;
  const int32_t want = static_cast<int32_t>(std::min<int64_t>(kWindowSize, length - start));
  int32_t got = 0;
  while (got < want) {
    ssize_t n =
        ::pread(descriptor_, window_.get() + got, want - got, static_cast<off_t>(start + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<int32_t>(n);
  }
  ++generation_;
  windowStart_ = start;
  windowEnd_ = start + got;
  atEnd_ = start + got >= length;
  return got > 0;
}

bool C_PDF_File::readByte(uint8_t& out, int64_t position) {
  if (position < 0 || position >= length) return false;
  if (mapping_) {
    out = mapping_[position];
    return true;
  }
  if (position < windowStart_ || position >= windowEnd_) {
    if (!loadWindow(position) || position >= windowEnd_) return false;
  }
  out = window_[position - windowStart_];
  return true;
}

std::span<const uint8_t> C_PDF_File::span(int64_t position) {
  if (position < 0 || position >= length) return {};
  if (mapping_) {
    return {mapping_ + position, static_cast<std::size_t>(length - position)};
  }
  if (position < windowStart_ || position >= windowEnd_) {
    if (!loadWindow(position) || position >= windowEnd_) return {};
  }
  return {window_.get() + (position - windowStart_),
          static_cast<std::size_t>(windowEnd_ - position)};
}
