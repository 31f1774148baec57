// The conversion pass: one C source (and the headers it includes) into the
// cleaned text that the function extraction reads.
#pragma once
#include <string>

namespace zelta {

struct Run;

void henkan(Run& run, const std::string& source, const std::string& conv);

}  // namespace zelta
