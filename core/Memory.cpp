#include "core-interface/Memory.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace Nimbal {

namespace {
std::atomic<int64_t> live{0};
}

void* nimbalMalloc(size_t size) {
    // malloc(0) may answer null; callers expect a block they can free.
    void* block = std::malloc(size == 0 ? 1 : size);
    if (!block) throw std::bad_alloc();
    live.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void nimbalFree(void* block) {
    if (!block) return;
    live.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
}

void preferHugePages(const void* block, size_t bytes) noexcept {
    const uintptr_t first = (reinterpret_cast<uintptr_t>(block) + HUGE_PAGE_BYTES - 1) & ~(HUGE_PAGE_BYTES - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(HUGE_PAGE_BYTES - 1);
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

int64_t liveAllocations() noexcept { return live.load(std::memory_order_relaxed); }

} // namespace Nimbal
