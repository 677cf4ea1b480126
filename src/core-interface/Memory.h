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

// Asks the system for huge pages under the whole 2 MiB pages of a block, for
// large arrays read at random: on small pages most of those reads would also
// miss the address translation cache. Pages not yet written come as huge
// ones. Only advice: nothing changes if the system declines.
constexpr size_t HUGE_PAGE_BYTES = size_t(2) << 20;
void preferHugePages(const void* block, size_t bytes) noexcept;

// Blocks handed out by nimbalMalloc and not yet freed. Tests use it to prove
// that a type releases everything it allocates.
int64_t liveAllocations() noexcept;

} // namespace Nimbal
