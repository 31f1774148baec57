#include "henkan_support.h"

#include <cstdio>

#include "prepare/conversion.h"

namespace zelta::test {

HenkanRun::HenkanRun() {
  out_ = open_memstream(&out_buf_, &out_len_);
  err_ = open_memstream(&err_buf_, &err_len_);
  con_ = std::make_unique<Console>(out_, err_);
  run_ = std::make_unique<zelta::Run>(*con_);
  run_->errlog.open(dir_ / "zelta_err.txt");
  run_->cfg.srcdir = dir_.path();
}

HenkanRun::~HenkanRun() {
  run_.reset();
  con_.reset();
  std::fclose(out_);
  std::fclose(err_);
  std::free(out_buf_);
  std::free(err_buf_);
}

std::string HenkanRun::convert(std::string_view source, const std::string& name) {
  // Fresh files rather than truncated ones: the file system flushes a file
  // truncated and rewritten at close, which makes many small runs slow.
  std::remove((dir_ / name).c_str());
  file(name, source);
  return convert_file(name);
}

std::string HenkanRun::convert_file(const std::string& name) {
  status_ = -1;
  CleanedText out;
  try {
    henkan(*run_, dir_ / name, out);
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

std::string HenkanRun::console() {
  std::fflush(out_);
  return std::string(out_buf_, out_len_);
}

std::string HenkanRun::errlog() {
  run_->errlog.flush();
  return read_file(dir_ / "zelta_err.txt");
}

std::string cleaned(std::string_view source) {
  HenkanRun h;
  return h.convert(source);
}

}  // namespace zelta::test
