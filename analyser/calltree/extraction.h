// Function extraction: definitions and calls from one cleaned text.
#pragma once
#include <string>

namespace zelta {

struct Run;

int getfilename3(Run& run, const std::string& conv, const std::string& filename, int mode_a);

}  // namespace zelta
