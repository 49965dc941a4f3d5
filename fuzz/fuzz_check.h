#pragma once
// An invariant that does not hold is a finding: report it and stop, so libFuzzer keeps the input.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                    \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)
