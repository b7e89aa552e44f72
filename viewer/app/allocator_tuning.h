#pragma once
// How the viewer's process asks the C library's allocator to work, set once at start.

#include <malloc.h>

namespace Corvalis::Viewer {

// Blocks this large or larger (drawn pages and their pieces, megabytes each) are mapped on their
// own and given back to the system when freed. Left to itself the allocator raises this bound
// to the largest block freed so far, and then carves the pages out of its heaps, whose free
// space it keeps: after scrolling through a long document the process held some hundred
// megabytes more than it used.
constexpr int kMappedBlockBytes = 4 * 1024 * 1024;

inline void tuneAllocator() { mallopt(M_MMAP_THRESHOLD, kMappedBlockBytes); }

}  // namespace Corvalis::Viewer
