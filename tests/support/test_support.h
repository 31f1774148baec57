// Helpers shared by the unit and end-to-end tests: scratch folders, file
// bytes, code page 932 literals, and running the analyser.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "config/version.h"
#include "platform/console.h"

namespace zelta::test {

// A fresh folder under the system temp dir, removed with its contents at scope end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path);  // "" when missing
bool file_exists(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);  // creates parent folders

// A UTF-8 literal as the CP932 bytes the programs write.
std::string sj(std::string_view utf8);
// LF -> CR LF.
std::string crlf(std::string_view text);
// sj + crlf: what a CP932 text-mode file holds for this UTF-8 text.
std::string sjfile(std::string_view utf8);
// The standard four-line zelta.ini with the given include path.
std::string default_ini(std::string_view include_path = "");

struct ProcResult {
  int status = -1;  // exit status, or -1 when killed by a signal
  std::string out;
  std::string err;
};

// Runs the program at `exe` with `args` in folder `cwd`, stdin from /dev/null.
// Extra environment entries ("NAME=value") are added to the current ones.
ProcResult run_program(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
                       const std::vector<std::string>& env = {});

// What a run that draws its tree prints before and after drawing it, and the
// ruling of the -d traces.
inline const std::string kDrawing = "解析結果を描画してます...\n";
inline const std::string kBanner = "\n****************** zelta Ver" + std::to_string(kVersionMajor) + "." +
                                   std::to_string(kVersionMinor) + std::to_string(kVersionPatch) +
                                   " ****************\n*************************************************\n";
inline const std::string kDash = "------------------------\n";

// A console writing into memory, for the runs made in this process.
class MemoryConsole {
 public:
  MemoryConsole();
  ~MemoryConsole();
  MemoryConsole(const MemoryConsole&) = delete;
  MemoryConsole& operator=(const MemoryConsole&) = delete;
  Console& console() { return con_; }
  std::string out();  // standard output so far
  std::string err();  // standard error so far

 private:
  char* outbuf_ = nullptr;
  char* errbuf_ = nullptr;
  size_t outlen_ = 0, errlen_ = 0;
  std::FILE* out_;
  std::FILE* err_;
  Console con_;
};

// Runs the whole analyser in this process (same messages and statuses) in
// folder `cwd`; args exclude the program name.
ProcResult run_inprocess(const std::vector<std::string>& args, const std::string& cwd);

}  // namespace zelta::test
