// Runs the conversion pass on sources written into a scratch folder and
// hands back the cleaned text, the console output and the error log.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "run/run.h"
#include "test_support.h"

namespace zelta::test {

class HenkanRun {
 public:
  HenkanRun();
  ~HenkanRun();
  HenkanRun(const HenkanRun&) = delete;
  HenkanRun& operator=(const HenkanRun&) = delete;

  zelta::Run& run() { return *run_; }
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
  std::string console();                  // standard output so far
  std::string errlog();                   // zelta_err.txt so far

 private:
  ScratchDir dir_;
  char* out_buf_ = nullptr;
  size_t out_len_ = 0;
  char* err_buf_ = nullptr;
  size_t err_len_ = 0;
  std::FILE* out_ = nullptr;
  std::FILE* err_ = nullptr;
  std::unique_ptr<Console> con_;
  std::unique_ptr<zelta::Run> run_;
  int status_ = -1;
};

// One-shot: the cleaned text of `source` in a fresh run.
std::string cleaned(std::string_view source);

}  // namespace zelta::test
