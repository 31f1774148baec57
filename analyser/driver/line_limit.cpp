#include "driver/line_limit.h"

#include <cstdlib>

#include "run/run.h"

namespace zelta {

// Line numbers are 32-bit; a larger limit is taken as this one.
static constexpr long long kLargestLimit = 2000000000;

long long TreeLineLimit() {
  const char* env = std::getenv("ZELTA_MAX_LINES");
  if (env && *env) {
    char* end = nullptr;
    long long v = std::strtoll(env, &end, 10);
    if (end && *end == '\0' && v > 0) return v < kLargestLimit ? v : kLargestLimit;
  }
  return Settings{}.max_lines;
}

}  // namespace zelta
