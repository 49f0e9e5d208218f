// Properties the fuzzers check besides the sanitizers. A broken one aborts, so
// libFuzzer keeps the input as a crash, like any sanitizer report.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                            \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "property broken: %s\n  %s at %s:%d\n", what, #condition, __FILE__, \
                   __LINE__);                                                                  \
      std::abort();                                                                            \
    }                                                                                          \
  } while (0)
