// The global allocation and release operators of the programs that link this object: every block
// goes through the memory tracker. Linking it also starts the tracker's run (the previous log goes)
// and promises the leak report at the end of the program.

#include "foundation/MemoryTracker.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// What the operators throw when memory runs out and no new-handler can help.
class BadAllocation : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "bad allocation"; }
};

void reportLeaksAtExit()
{
    MemoryTracker::instance().reportLeaksAtExit();
}

// The first request (or the program's start, whichever comes first) begins the run.
MemoryTracker& tracker()
{
    static MemoryTracker& started = []() -> MemoryTracker& {
        MemoryTracker& heap = MemoryTracker::instance();
        // A program started from the desktop works in the home folder: its diagnostics go where
        // Linux keeps state instead.
        heap.useStateDirectory(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
        heap.deleteLogOnce();
        std::atexit(reportLeaksAtExit);
        return heap;
    }();
    return started;
}

// Starts the run while the program loads, even if nothing is allocated before the entry point.
[[maybe_unused]] MemoryTracker& startOfRun = tracker();

void* allocate(MemoryTracker::AllocationType type, std::size_t size)
{
    MemoryTracker& heap = tracker();
    // Kept for the retries: the tracker forgets the owner after every request, failed or not.
    MemoryTracker::Owner owner = heap.currentOwner();
    if (size == 0)
        size = 1;
    for (;;) {
        if (void* block = heap.allocate(owner, type, size))
            return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw BadAllocation();
        handler();
    }
}

void* allocateNoThrow(MemoryTracker::AllocationType type, std::size_t size) noexcept
{
    try {
        return allocate(type, size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void release(MemoryTracker::AllocationType type, void* block) noexcept
{
    if (block != nullptr)
        tracker().release(type, block);
}

// Tracked blocks are aligned like malloc's, at most 16 bytes (the guard before them). A stricter
// alignment takes a larger tracked block and keeps the block's address just below the aligned one.
constexpr std::size_t TrackedAlignment = alignof(std::max_align_t) < 16 ? alignof(std::max_align_t) : 16;

void* allocateAligned(MemoryTracker::AllocationType type, std::size_t size, std::align_val_t alignment)
{
    auto align = static_cast<std::size_t>(alignment);
    if (align <= TrackedAlignment)
        return allocate(type, size);
    std::size_t extra = align + sizeof(void*);
    // An impossible size still goes to the tracker, which refuses it like any other.
    void* block = allocate(type, size > SIZE_MAX - extra ? SIZE_MAX : size + extra);
    std::uintptr_t aligned = (reinterpret_cast<std::uintptr_t>(block) + sizeof(void*) + align - 1) & ~(align - 1);
    std::memcpy(reinterpret_cast<void*>(aligned - sizeof(void*)), &block, sizeof block);
    return reinterpret_cast<void*>(aligned);
}

void* allocateAlignedNoThrow(MemoryTracker::AllocationType type, std::size_t size, std::align_val_t alignment) noexcept
{
    try {
        return allocateAligned(type, size, alignment);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void releaseAligned(MemoryTracker::AllocationType type, void* address, std::align_val_t alignment) noexcept
{
    if (address == nullptr || static_cast<std::size_t>(alignment) <= TrackedAlignment) {
        release(type, address);
        return;
    }
    void* block;
    std::memcpy(&block, static_cast<unsigned char*>(address) - sizeof(void*), sizeof block);
    release(type, block);
}

} // namespace

void* operator new(std::size_t size)
{
    return allocate(MemoryTracker::New, size);
}

void* operator new[](std::size_t size)
{
    return allocate(MemoryTracker::NewArray, size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocateNoThrow(MemoryTracker::New, size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocateNoThrow(MemoryTracker::NewArray, size);
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocateAligned(MemoryTracker::New, size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocateAligned(MemoryTracker::NewArray, size, alignment);
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateAlignedNoThrow(MemoryTracker::New, size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateAlignedNoThrow(MemoryTracker::NewArray, size, alignment);
}

void operator delete(void* block) noexcept
{
    release(MemoryTracker::Delete, block);
}

void operator delete[](void* block) noexcept
{
    release(MemoryTracker::DeleteArray, block);
}

void operator delete(void* block, std::size_t) noexcept
{
    release(MemoryTracker::Delete, block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    release(MemoryTracker::DeleteArray, block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    release(MemoryTracker::Delete, block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    release(MemoryTracker::DeleteArray, block);
}

void operator delete(void* block, std::align_val_t alignment) noexcept
{
    releaseAligned(MemoryTracker::Delete, block, alignment);
}

void operator delete[](void* block, std::align_val_t alignment) noexcept
{
    releaseAligned(MemoryTracker::DeleteArray, block, alignment);
}

void operator delete(void* block, std::size_t, std::align_val_t alignment) noexcept
{
    releaseAligned(MemoryTracker::Delete, block, alignment);
}

void operator delete[](void* block, std::size_t, std::align_val_t alignment) noexcept
{
    releaseAligned(MemoryTracker::DeleteArray, block, alignment);
}

void operator delete(void* block, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    releaseAligned(MemoryTracker::Delete, block, alignment);
}

void operator delete[](void* block, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    releaseAligned(MemoryTracker::DeleteArray, block, alignment);
}
