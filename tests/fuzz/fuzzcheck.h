// What the fuzz targets hold true of every input: a broken promise aborts,
// which the fuzzer reports as a finding and the corpus replay as a failure.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                       \
    do {                                                                                       \
        if (!(cond)) {                                                                         \
            std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size);
