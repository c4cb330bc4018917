#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace script {

// Memory for a script's large arrays, one entry a line. A block of 2 MB or more is asked to be
// backed by the kernel's huge pages: filled 2 MB at a time instead of 4 KB, a long script's steps
// cost a few page faults instead of thousands, and a page fault is dearer than the line it holds.
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
        void* const block = std::aligned_alloc(kHugePage, rounded(bytes));
        if (!block)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        // Only advice: without huge pages the block is filled as any other.
        madvise(block, rounded(bytes), MADV_HUGEPAGE);
#endif
        return static_cast<T*>(block);
    }

    void deallocate(T* block, size_t count)
    {
        if (count * sizeof(T) < kHugePage)
            ::operator delete(block);
        else
            std::free(block);
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
