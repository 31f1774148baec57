// A Run wired to memory streams inside a scratch folder, for feeding
// hand-written cleaned text to the extraction and building the tree.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "calltree/call_graph.h"
#include "calltree/extraction.h"
#include "calltree/tree_render.h"
#include "run/run.h"
#include "test_support.h"

namespace zelta::test {

class CalltreeHarness {
 public:
  CalltreeHarness()
      : out_(open_memstream(&outbuf_, &outlen_)), err_(open_memstream(&errbuf_, &errlen_)), con_(out_, err_),
        run_(con_) {
    oldcwd_ = getcwd(nullptr, 0);
    if (chdir(dir_.path().c_str()) != 0) std::abort();
    run_.errlog.open("zelta_err.txt");
  }
  ~CalltreeHarness() {
    run_.errlog.close();
    if (chdir(oldcwd_) != 0) {
    }
    std::free(oldcwd_);
    std::fclose(out_);
    std::fclose(err_);
    std::free(outbuf_);
    std::free(errbuf_);
  }

  Run& run() { return run_; }
  Options& opt() { return run_.opt; }
  const ScratchDir& dir() const { return dir_; }

  // Extracts one file's cleaned text under the given source name.
  void file(const std::string& name, const std::string& cleaned, int mode_a = 1) {
    write_file(dir_ / "conv.tmp", cleaned);
    getfilename3(run_, dir_ / "conv.tmp", name, mode_a);
  }

  // The record list as "name" per record, "*" after definitions, "|" after a
  // group end: "main*a b|".
  std::string records() const {
    std::string s;
    for (const FuncRecord& r : run_.recs.list) {
      if (!s.empty() && s.back() != '|') s += ' ';
      s += run_.recs.name_of(r);
      if (r.isdef) s += '*';
      if (r.groupend) s += '|';
    }
    return s;
  }

  // Marking passes, tree, rendering as the driver runs them. Returns the
  // status the run ended with: 1 when tree.txt was written.
  int analyse() {
    try {
      CheckRecurrciveCall2(run_);
      checkstdfunc(run_);
      if (run_.opt.flgmid) DumpRecords(run_);
      const int depth = BuildTree(run_, 5, run_.opt.startfunc);
      const int count = printdsp(run_);
      DrawTree(run_, depth, count);
    } catch (const RunExit& e) {
      return e.status;
    }
    return 1;
  }

  std::string out() {
    std::fflush(out_);
    return std::string(outbuf_, outlen_);
  }
  std::string log() {
    run_.errlog.flush();
    return read_file(dir_ / "zelta_err.txt");
  }
  std::string tree() const { return read_file(dir_ / "tree.txt"); }
  std::string output(const std::string& name) const { return read_file(dir_ / name); }

 private:
  ScratchDir dir_;
  char* outbuf_ = nullptr;
  char* errbuf_ = nullptr;
  size_t outlen_ = 0, errlen_ = 0;
  std::FILE* out_;
  std::FILE* err_;
  Console con_;
  Run run_;
  char* oldcwd_ = nullptr;
};

}  // namespace zelta::test
