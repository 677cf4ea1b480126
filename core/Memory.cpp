#include "core-interface/Memory.h"

#include <atomic>
#include <cstdlib>
#include <new>

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

int64_t liveAllocations() noexcept { return live.load(std::memory_order_relaxed); }

} // namespace Nimbal
