// A check that stops the fuzzer with a readable reason.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QV_FUZZ_CHECK(cond)                                                        \
  do {                                                                             \
    if (!(cond)) {                                                                 \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                \
    }                                                                              \
  } while (0)
