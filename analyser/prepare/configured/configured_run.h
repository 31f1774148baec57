// What the configured mode keeps for a whole run: the compiler's own macros
// and search folders, the compilation database, and every header read once
// into tokens.
#pragma once
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "prepare/configured/pp_token.h"

namespace zelta {
struct Run;
}

namespace zelta::configured {

// How one source is compiled: what the preprocessor needs of its command.
struct SourceConfig {
  std::string directory;               // the command's working folder ("" : the run's)
  std::string defines;                 // #define / #undef lines made from -D, -U, -std, -O
  std::vector<std::string> quote;      // -iquote
  std::vector<std::string> angled;     // -I, then -isystem, then (unless -nostdinc) the compiler's, then -idirafter
  std::vector<std::string> includes;   // -include, in order
  bool listed = false;                 // from an entry of the database
};

// compile_commands.json, parsed: each entry's flags by the source's path.
struct CompileDatabase {
  std::string path;  // the file read; empty when none was found or it was refused
  std::unordered_map<std::string, SourceConfig> by_source;  // key: canonical path
  // Per folder, a source whose flags most of the folder's entries share
  // (the first of them on a tie): what a source the database does not list
  // is compiled as when it sits beside listed ones.
  std::unordered_map<std::string, std::string> typical_in_folder;
};

struct Prefetch;

struct ConfiguredRun {
  std::string predefined;               // #define lines of the compiler's own macros
  bool from_compiler = false;           // else the built-in set
  std::vector<std::string> system_dirs; // the compiler's <...> search folders
  std::string include_path;             // zelta.ini's, searched last for <...>
  CompileDatabase db;
  std::unordered_set<std::string> noted;  // notes given once per run
  LexedFile predefined_lexed;
  // Bytes held for a path (an editor's unsaved buffer), read instead of the
  // file; called from the threads that preprocess ahead too.
  std::function<const std::string*(const std::string&)> held;

  // The configuration of `source` (a path as the run names it).
  SourceConfig config_for(const std::string& source) const;

  // The file read from `path` (lexed on first use; null when there is no
  // plain file there). Sources may be preprocessed on several threads: the
  // table is shared, and files are numbered in it rather than in the run's
  // SourceFiles, which takes them in input order afterwards.
  const LexedFile* load(const std::string& path);
  std::string path_of(int id);
  int id_of(const std::string& path);

  ~ConfiguredRun();
  // Sources preprocessed ahead, side by side (prefetch.cpp).
  std::unique_ptr<Prefetch> ahead;

 private:
  std::mutex mu_;
  std::unordered_map<std::string, std::unique_ptr<LexedFile>> files_;  // by the path opened
  std::deque<std::string> paths_;
  std::unordered_map<std::string, int> ids_;
};

// Made on the first source of a -c run: runs the compiler, finds and reads
// the database (looked for from `first_source`), and says on the console
// which one is used.
ConfiguredRun& configured_run(Run& run, const std::string& first_source);

}  // namespace zelta::configured
