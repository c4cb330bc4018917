#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace script {

// Memory for a script's large arrays, one entry a line. A block of 2 MB or more is mapped from
// the kernel by itself and asked to be backed by huge pages: filled 2 MB at a time instead of
// 4 KB, a long script's steps cost a few page faults instead of thousands, and a page fault is
// dearer than the line it holds. Mapped apart from the heap, such a block also leaves the
// allocator's own choices alone: a block the heap gave back makes it keep later large blocks in
// the heap, where freeing them merges and trims the heap under the calls the script makes.
template <typename T> class LargeArrayAllocator
{
public:
    using value_type = T;
    static constexpr size_t kHugePage = 2 * 1024 * 1024;

    LargeArrayAllocator() = default;
    template <typename U> explicit LargeArrayAllocator(const LargeArrayAllocator<U>& /*other*/) {}

    T* allocate(size_t count)
    {
        const size_t bytes = count * sizeof(T);
        if (bytes < kHugePage)
            return static_cast<T*>(::operator new(bytes));
        // A huge page's room past the block, so that the block can start on a huge page.
        const size_t mapped = rounded(bytes) + kHugePage;
        void* const map =
            mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED)
            throw std::bad_alloc();
        char* const start = static_cast<char*>(map);
        char* const block =
            start + (kHugePage - reinterpret_cast<uintptr_t>(start) % kHugePage) % kHugePage;
        char* const end = block + rounded(bytes);
        if (block != start)
            munmap(start, size_t(block - start));
        if (end != start + mapped)
            munmap(end, size_t(start + mapped - end));
#ifdef MADV_HUGEPAGE
        // Only advice: without huge pages the block is filled as any other.
        madvise(block, rounded(bytes), MADV_HUGEPAGE);
#endif
        return reinterpret_cast<T*>(block);
    }

    void deallocate(T* block, size_t count)
    {
        const size_t bytes = count * sizeof(T);
        if (bytes < kHugePage)
            ::operator delete(block);
        else
            munmap(block, rounded(bytes));
    }

    template <typename U> bool operator==(const LargeArrayAllocator<U>& /*other*/) const
    {
        return true;
    }

private:
    static size_t rounded(size_t bytes)
    {
        return (bytes + kHugePage - 1) & ~(kHugePage - 1);
    }
};

} // namespace script
