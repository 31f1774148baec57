#include "run_harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "calltree/extraction.h"
#include "driver/run_sequence.h"
#include "prepare/conversion.h"

namespace zelta::test {

RunHarness::RunHarness() : run_(con_.console()) {
  oldcwd_ = getcwd(nullptr, 0);
  if (chdir(dir_.path().c_str()) != 0) std::abort();
  run_.errlog.open(dir_ / "zelta_err.txt");
  run_.cfg.srcdir = dir_.path();
}

RunHarness::~RunHarness() {
  run_.errlog.close();
  if (chdir(oldcwd_) != 0) {
  }
  std::free(oldcwd_);
}

std::string RunHarness::convert(std::string_view source, const std::string& name) {
  // Fresh files rather than truncated ones: the file system flushes a file
  // truncated and rewritten at close, which makes many small runs slow.
  std::remove((dir_ / name).c_str());
  file(name, source);
  return convert_file(name);
}

std::string RunHarness::convert_file(const std::string& name) {
  status_ = -1;
  CleanedText out;
  try {
    henkan(run_, dir_ / name, out);
  } catch (const RunExit& e) {
    status_ = e.status;
  }
  // The file form, as a run leaves it after an error.
  std::remove((dir_ / "conv.txt").c_str());
  if (out.made) {
    TextWriter w;
    w.open(dir_ / "conv.txt");
    w.raw(out.text);
  }
  return out.text;
}

void RunHarness::extract(const std::string& name, const std::string& cleaned, int mode_a) {
  write_file(dir_ / "conv.tmp", cleaned);
  getfilename3(run_, dir_ / "conv.tmp", name, mode_a);
}

std::string RunHarness::records() const {
  std::string s;
  for (const FuncRecord& r : run_.recs.list) {
    if (!s.empty() && s.back() != '|') s += ' ';
    s += run_.recs.name_of(r);
    if (r.isdef) s += '*';
    if (r.groupend) s += '|';
  }
  return s;
}

int RunHarness::analyse() {
  try {
    DrawCallTree(run_);
  } catch (const RunExit& e) {
    return e.status;
  }
  return 1;
}

std::string RunHarness::errlog() {
  run_.errlog.flush();
  return read_file(dir_ / "zelta_err.txt");
}

std::string cleaned(std::string_view source) {
  RunHarness h;
  return h.convert(source);
}

}  // namespace zelta::test
