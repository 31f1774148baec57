#include "test_support.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "config/zelta_ini.h"
#include "driver/run_sequence.h"
#include "platform/console.h"
#include "platform/text_codec.h"

namespace fs = std::filesystem;

namespace zelta::test {

ScratchDir::ScratchDir() {
  std::string tmpl = (fs::temp_directory_path() / "zelta-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Undo any permission changes a test made so the folder can be removed.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

void write_file(const std::string& path, std::string_view bytes) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string sj(std::string_view utf8) { return utf8_to_cp932(utf8); }
std::string crlf(std::string_view text) { return lf_to_crlf(text); }
std::string sjfile(std::string_view utf8) { return crlf(sj(utf8)); }

std::string default_ini(std::string_view include_path) {
  return sjfile(kIniTemplate) + std::string(include_path) + "\r\n";
}

static std::string drain(int fd) {
  std::string s;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
  return s;
}

ProcResult run_program(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
                       const std::vector<std::string>& env) {
  // Output goes to temp files so that large outputs cannot dead-lock the pipes.
  FILE* outf = tmpfile();
  FILE* errf = tmpfile();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(127);
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    dup2(fileno(outf), 1);
    dup2(fileno(errf), 2);
    for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  ProcResult r;
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  rewind(outf);
  rewind(errf);
  r.out = drain(fileno(outf));
  r.err = drain(fileno(errf));
  fclose(outf);
  fclose(errf);
  return r;
}

MemoryConsole::MemoryConsole()
    : out_(open_memstream(&outbuf_, &outlen_)), err_(open_memstream(&errbuf_, &errlen_)), con_(out_, err_) {}

MemoryConsole::~MemoryConsole() {
  con_.flush();
  fclose(out_);
  fclose(err_);
  free(outbuf_);
  free(errbuf_);
}

std::string MemoryConsole::out() {
  con_.flush();
  fflush(out_);
  return std::string(outbuf_, outlen_);
}

std::string MemoryConsole::err() {
  con_.flush();
  fflush(err_);
  return std::string(errbuf_, errlen_);
}

ProcResult run_inprocess(const std::vector<std::string>& args, const std::string& cwd) {
  char* oldcwd = getcwd(nullptr, 0);
  if (chdir(cwd.c_str()) != 0) throw std::runtime_error("chdir failed");
  ProcResult r;
  {
    MemoryConsole con;
    std::vector<std::string> words{"conzelta"};
    words.insert(words.end(), args.begin(), args.end());
    r.status = RunConzelta(con.console(), words);
    r.out = con.out();
    r.err = con.err();
  }
  if (chdir(oldcwd) != 0) {
  }
  free(oldcwd);
  return r;
}

}  // namespace zelta::test
