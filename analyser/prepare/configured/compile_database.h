// compile_commands.json: where it is looked for, and each entry's flags as
// the preprocessor needs them.
#pragma once
#include <string>
#include <vector>

#include "prepare/configured/configured_run.h"

namespace zelta::configured {

// The database of the run: compile_commands.json in the working folder,
// else in the first input's folder or the nearest of its parents that has
// one. Empty when there is none.
std::string find_database(const std::string& first_input);

// Reads `path` into `db`. False with `why` (a system text) when the file
// is unreadable, too big or no database; entries it cannot use are passed
// over and counted in `skipped`, entries whose folder is gone in `gone`.
bool read_database(const std::string& path, const std::vector<std::string>& system_dirs, CompileDatabase& db,
                   std::string& why, int& skipped, int& gone);

// The flags of one command (its arguments after the compiler's name).
SourceConfig config_from_arguments(const std::vector<std::string>& args, const std::string& directory,
                                   const std::vector<std::string>& system_dirs);

// A command line split as a POSIX shell splits words (quotes, backslashes).
std::vector<std::string> split_command(const std::string& command);

// The path with "." and ".." folded and symbolic links resolved, as far as
// it exists; relative paths are taken from the working folder.
std::string canonical_path(const std::string& path);

}  // namespace zelta::configured
