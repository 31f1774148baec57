// The host compiler's own macros and <...> search folders, asked once per
// run; a built-in set for x86_64 Linux GCC 12 when there is no compiler.
#pragma once
#include <string>
#include <vector>

namespace zelta::configured {

struct CompilerFacts {
  std::string defines;                   // "#define NAME BODY" lines
  std::vector<std::string> system_dirs;  // in search order
  bool from_compiler = false;
};

// Runs `cc -dM -E -v -x c /dev/null` (an argument list, no shell).
CompilerFacts ask_compiler();
CompilerFacts builtin_facts();

}  // namespace zelta::configured
