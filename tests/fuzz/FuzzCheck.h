#pragma once

// A property a fuzz target checks beyond "does not crash": a violation aborts with the
// property's text, which libFuzzer (and the corpus replay) reports as a finding.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property violated: %s (%s:%d)\n", #condition, __FILE__,         \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
