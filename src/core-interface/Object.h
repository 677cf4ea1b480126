#pragma once

#include <cstddef>
#include <new>

#include "core-interface/Memory.h"

namespace Nimbal {

// Heap objects of this family live in the core's heap, so whichever side
// deletes them releases the block where it came from.
class Object {
public:
    static void* operator new(size_t size) { return nimbalMalloc(size); }
    static void* operator new[](size_t size) { return nimbalMalloc(size); }
    static void operator delete(void* block) noexcept { nimbalFree(block); }
    static void operator delete[](void* block) noexcept { nimbalFree(block); }
    // A class-level operator new hides the global placement form.
    static void* operator new(size_t, void* where) noexcept { return where; }
    static void operator delete(void*, void*) noexcept {}
};

class Polymorphic : public Object {
public:
    virtual ~Polymorphic() = default;
};

} // namespace Nimbal
