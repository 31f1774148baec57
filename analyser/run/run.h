// The state of one analyser run. Everything the procedures share lives here,
// so a fresh Run is a fresh analysis (tests and the fuzz target make many).
#pragma once
#include <memory>
#include <string>

#include "platform/console.h"
#include "platform/system.h"
#include "platform/text_file.h"
#include "run/calltree_state.h"
#include "run/pointer_state.h"
#include "run/preprocessor_state.h"
#include "run/reader_state.h"
#include "run/source_files.h"

namespace zelta {

namespace configured {
struct ConfiguredRun;  // prepare/configured/: made by the first source of a -c run
}

// One counter per switch letter; every occurrence (command line or opt=)
// adds one, and only non-zero matters.
struct Options {
  int flgall = 0;       // -a
  int flgdebug = 0;     // -d
  int flgomit = 0;      // -e
  int flgfunc = 0;      // -f
  int flgmid = 0;       // -m
  int flgn = 0;         // -n
  int flgout = 0;       // -o
  int flgfuncall = 0;   // -s
  int flgtime = 0;      // -t
  int flgfilename = 0;  // -v
  int flgerrlog = 0;    // -w
  int flgrev = 0;       // -r: the callers tree instead of the callees tree
  int flgjson = 0;      // -j: tree.json beside tree.txt
  int flgdot = 0;       // -g: tree.dot beside tree.txt
  int flgconf = 0;      // -c: each source preprocessed as its build compiles it
  int flgptr = 0;       // -p: calls through function pointers as well
  std::string startfunc = "main";
};

struct Settings {
  std::string include_path;  // from zelta.ini, CP932, with its line feed when it had one
  std::string srcdir;        // folder of the first input path
  long long max_lines = 5000000;  // the tree's size guard (driver/line_limit.h)
  std::string compile_database;   // -c: the compile_commands.json used (empty: none)
};

// Thrown by every exit of a run; only main and the test/fuzz harnesses catch it.
struct RunExit {
  int status;
};

struct Run {
  explicit Run(Console& console) : con(console) {}
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  Options opt;
  Settings cfg;
  Console& con;
  TextWriter errlog;  // zelta_err.txt
  ReaderState rd;
  Preprocessor pp;
  Records recs;
  TreeBuilder tb;
  PointerFacts ptr;
  SourceFiles sources;
  TempNames temps;
  Stamp start{}, end{};
  std::unique_ptr<configured::ConfiguredRun, void (*)(configured::ConfiguredRun*)> conf{nullptr, nullptr};
};

// The error reports of a run, numbered as the front-end and the logs know them.
enum class ErrorCode : int {
  kNoFunctionRecord = -111,   // no record at all when the tree is to be built
  kUnclosedString = -100,     // a string literal open at the end of the stream
  kUnclosedCharacter = -99,   // a character literal open at the end of the stream
  kNoMemoryForRecord = -89,   // a function record's texts could not be allocated
  kNoMemoryInDirective = -70, // directive handling could not allocate
  kNoFunctionDefined = -3,    // the tree would show no function
};

// Maps an error code to its texts, writes them, waits for a key under -d -w,
// and ends the run with status 0.
[[noreturn]] void ErrorExit(Run& run, ErrorCode code);
// The key wait before error exits: only when both -d and -w are set.
void KeyWait(Run& run);
// Ends the run with the given exit status (unwinds to main).
[[noreturn]] void EndRun(int status);
// A -t checkpoint: prints `fmt` (one "%d.%03d") with the current time.
void Checkpoint(Run& run, const char* fmt);

}  // namespace zelta
