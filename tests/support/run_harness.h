// One analyser run in this process, wired to a console in memory inside a
// scratch folder: the conversion pass on sources, the extraction of
// hand-written cleaned text, and the driver's own last steps (marking, tree
// with the call index, outputs).
#pragma once
#include <string>
#include <string_view>

#include "run/run.h"
#include "test_support.h"

namespace zelta::test {

class RunHarness {
 public:
  RunHarness();
  ~RunHarness();
  RunHarness(const RunHarness&) = delete;
  RunHarness& operator=(const RunHarness&) = delete;

  Run& run() { return run_; }
  Options& opt() { return run_.opt; }
  const ScratchDir& dir() const { return dir_; }
  // Writes a file (bytes as given) into the scratch folder.
  void file(const std::string& name, std::string_view bytes) { write_file(dir_ / name, bytes); }

  // Writes `source` as `name` and converts it; returns the cleaned text
  // with its CR LF pairs folded back into LF. When the run ends instead,
  // status() holds the exit status.
  std::string convert(std::string_view source, const std::string& name = "src.c");
  // Converts a file already in the scratch folder (relative name).
  std::string convert_file(const std::string& name);
  // The cleaned text as it lies on disk (CP932, CR LF).
  std::string raw_output() const { return read_file(dir_ / "conv.txt"); }
  int status() const { return status_; }  // -1 while no exit happened

  // Extracts one file's cleaned text under the given source name.
  void extract(const std::string& name, const std::string& cleaned, int mode_a = 1);
  // The record list as "name" per record, "*" after definitions, "|" after a
  // group end: "main*a b|".
  std::string records() const;
  // The rest of the run as the driver does it; the status it ended with (1
  // when the tree was drawn).
  int analyse();

  std::string console() { return con_.out(); }  // standard output so far
  std::string errlog();                         // zelta_err.txt so far
  std::string tree() const { return read_file(dir_ / "tree.txt"); }
  std::string output(const std::string& name) const { return read_file(dir_ / name); }

 private:
  ScratchDir dir_;
  MemoryConsole con_;
  Run run_;
  char* oldcwd_ = nullptr;
  int status_ = -1;
};

// One-shot: the cleaned text of `source` in a fresh run.
std::string cleaned(std::string_view source);

}  // namespace zelta::test
