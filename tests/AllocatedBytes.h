#pragma once
// Counts the bytes a piece of work asks the heap for, a measure of its work that does not
// depend on the machine's speed: work that grows with the square of its input allocates
// so too. Replaces the global operator new and delete, so exactly one file of each test
// program includes it.

#include <atomic>
#include <cstdlib>
#include <new>

namespace testing_support {

inline std::atomic<unsigned long long> g_allocatedBytes{0};

// The bytes allocated while work() runs.
template <class Work> unsigned long long allocatedBytes(Work&& work) {
    const unsigned long long before = g_allocatedBytes.load();
    work();
    return g_allocatedBytes.load() - before;
}

inline void* countedAllocation(std::size_t size) noexcept {
    g_allocatedBytes += size;
    return std::malloc(size ? size : 1);
}

} // namespace testing_support

// Every form without an alignment, so that no allocation of one kind meets a release of
// another (the sanitizers provide their own operators otherwise).
void* operator new(std::size_t size) {
    if (void* p = testing_support::countedAllocation(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = testing_support::countedAllocation(size))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return testing_support::countedAllocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return testing_support::countedAllocation(size);
}

// Never inlined: the compiler would see free() meet a pointer from operator new.
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
