#pragma once
// What the fuzz targets share: a failed expectation stops the run with its reason, so
// that libFuzzer keeps the input that broke it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzzing {

[[noreturn]] inline void failed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: expectation failed: %s\n", file, line, what);
    std::abort();
}

// FNV-1a: the choices a target makes are a function of its input alone.
inline uint64_t hashOf(std::string_view bytes) {
    uint64_t h = 14695981039346656037ull;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace fuzzing

#define FUZZ_EXPECT(condition)                                                                               \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::fuzzing::failed(#condition, __FILE__, __LINE__);                                               \
    } while (false)
