// The programs' global allocation. The runs hold a few blocks of tens to hundreds of megabytes
// (the species-by-species matrices, the data file's text, the tables of cases); touching such a
// block for the first time costs one page fault per 4 KiB page, which on large data sets took a
// third of a run. Blocks of 4 MiB or more are therefore aligned to 2 MiB and offered to the
// kernel for transparent huge pages, so they fault in 2 MiB at a time. Smaller blocks are plain
// malloc. Every block is released with free(), which accepts both.
//
// Linked into the programs only (the library and the R package keep the standard allocation),
// and left out of sanitizer builds, whose own allocation checks new against delete.

#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#include <sys/mman.h>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kBigBlock = std::size_t{4} << 20;

void* allocate(std::size_t size) {
    if (size >= kBigBlock) {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        if (void* p = std::aligned_alloc(kHugePage, rounded)) {
            (void)madvise(p, rounded, MADV_HUGEPAGE); // advice only: without it, small pages
            return p;
        }
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

#endif
