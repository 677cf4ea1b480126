#pragma once

#include <cstddef>
#include <cstdint>

namespace Nimbal {

// The core's allocator. Every library container and String goes through this
// pair so that memory crosses the library/core boundary in one heap.
// Never returns null: a failed allocation throws std::bad_alloc.
void* nimbalMalloc(size_t size);
// Accepts null.
void nimbalFree(void* block);

// Blocks handed out by nimbalMalloc and not yet freed. Tests use it to prove
// that a type releases everything it allocates.
int64_t liveAllocations() noexcept;

} // namespace Nimbal
