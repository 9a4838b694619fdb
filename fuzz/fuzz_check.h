// FUZZ_CHECK: a check that stays on in every build type. A failed check
// prints what failed and aborts, which the fuzzer reports as a crash and
// keeps the input that caused it.
#ifndef TARVOK_FUZZ_FUZZ_CHECK_H_
#define TARVOK_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void fuzzCheckFailed(const char* condition,
                                         const std::string& detail,
                                         const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition,
               detail.c_str());
  std::abort();
}

#define FUZZ_CHECK(condition, detail)                            \
  do {                                                           \
    if (!(condition)) {                                          \
      fuzzCheckFailed(#condition, (detail), __FILE__, __LINE__); \
    }                                                            \
  } while (0)

#endif  // TARVOK_FUZZ_FUZZ_CHECK_H_
