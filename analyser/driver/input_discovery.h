// Input discovery: one file, one directory or a "|"-joined list.
#pragma once
#include <string>

namespace zelta {

struct Run;

void Tree(Run& run, const std::string& arg_fileOrdir);

}  // namespace zelta
