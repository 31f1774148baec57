// libFuzzer target: one whole analyser run per input, in this process.
//
// Input layout:  [switch byte][mode byte] source SEP header SEP zelta.ini
// with SEP = three NUL bytes. A missing header is empty; a missing zelta.ini
// is the four-line file the front-end writes (include_path=sys). The header
// is written as b.h beside the source, in sys/ (for <b.h>) and in src/, so
// that both kinds of #include find it.
//
// Switch byte, one bit each: -a -e -v -s -m -d -t -f. The mode byte picks
// how the source is handed over: 0 "a.c", 1 the folder "src", 2 the list
// "a.c b.h c.c", 3 "src/a.c"; bit 2 makes -f name "main" instead of "f";
// bits 3, 4 and 5 add -r, -j and -g; bit 6 adds -p, bit 7 -c (the
// configured preprocessing, with its built-in macros: no compiler is run).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "config/zelta_ini.h"
#include "driver/run_sequence.h"
#include "platform/console.h"
#include "platform/text_codec.h"

namespace {

std::FILE* g_null = nullptr;
std::string g_dir;
int g_home = -1;  // the directory libFuzzer was started in

void write_bytes(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) std::abort();  // the scratch folder is ours; anything else is a harness fault
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

// Runs that end in an error leave their temporary file behind.
void empty_folder(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(dir + "/" + n);
  }
  ::closedir(d);
  for (const auto& n : names) ::unlink(n.c_str());
}

std::vector<std::string_view> split3(std::string_view s) {
  static constexpr std::string_view kSep("\0\0\0", 3);
  std::vector<std::string_view> parts;
  while (parts.size() < 2) {
    size_t p = s.find(kSep);
    if (p == std::string_view::npos) break;
    parts.push_back(s.substr(0, p));
    s.remove_prefix(p + kSep.size());
  }
  parts.push_back(s);
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A fixed scratch folder per process: the analyser works in its current
  // directory and puts temporary files under $TMP. Each run steps into the
  // folder and back out, so that libFuzzer's own relative paths (corpus,
  // artifacts) keep working.
  char tmpl[] = "/tmp/zelta-fuzz-XXXXXX";
  if (!::mkdtemp(tmpl)) std::abort();
  g_dir = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
  });
  g_home = ::open(".", O_RDONLY | O_DIRECTORY);
  if (g_home < 0) std::abort();
  ::mkdir((g_dir + "/src").c_str(), 0755);
  ::mkdir((g_dir + "/sys").c_str(), 0755);
  ::mkdir((g_dir + "/tmp").c_str(), 0755);
  ::setenv("TMP", (g_dir + "/tmp").c_str(), 1);
  // Keep runaway trees short: the guard's message is an ordinary end.
  ::setenv("ZELTA_MAX_LINES", "20000", 1);
  // -c asks the compiler for its macros once per run: without one on the
  // path every run takes the built-in set at once instead of a process.
  ::setenv("PATH", (g_dir + "/no-programs").c_str(), 1);
  // -d with -w (the latter may come from the fuzzed zelta.ini) waits for a
  // key when stdin is a terminal.
  int devnull = ::open("/dev/null", O_RDONLY);
  if (devnull >= 0) {
    ::dup2(devnull, 0);
    ::close(devnull);
  }
  g_null = std::fopen("/dev/null", "w");
  if (!g_null) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  if (::chdir(g_dir.c_str()) != 0) std::abort();
  const uint8_t sw = data[0], mode = data[1];
  std::vector<std::string_view> parts =
      split3(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));
  const std::string_view source = parts[0];
  const std::string_view header = parts.size() > 1 ? parts[1] : std::string_view();
  static const std::string kIni = zelta::lf_to_crlf(zelta::utf8_to_cp932(std::string(zelta::kIniTemplate) + "sys\n"));
  const std::string_view ini = parts.size() > 2 ? parts[2] : std::string_view(kIni);

  write_bytes("a.c", source);
  write_bytes("src/a.c", source);
  write_bytes("c.c", header);  // the header, read as a source of its own in list runs
  write_bytes("b.h", header);
  write_bytes("src/b.h", header);
  write_bytes("sys/b.h", header);
  write_bytes("zelta.ini", ini);

  std::vector<std::string> words{"conzelta"};
  static const char kLetters[] = "aevsmdt";
  for (int bit = 0; bit < 7; ++bit)
    if (sw & (1u << bit)) words.push_back(std::string("-") + kLetters[bit]);
  // The mode byte's bits 3 to 7: the callers tree, tree.json, tree.dot,
  // pointers, the configured preprocessing.
  static const char kMore[] = "rjgpc";
  for (int bit = 0; bit < 5; ++bit)
    if (mode & (8u << bit)) words.push_back(std::string("-") + kMore[bit]);
  if (sw & 0x80) {
    words.push_back("-f");
    words.push_back((mode & 4) ? "main" : "f");
  }
  switch (mode & 3) {
    case 0: words.push_back("a.c"); break;
    case 1: words.push_back("src"); break;
    case 2:
      words.push_back("a.c");
      words.push_back("b.h");
      words.push_back("c.c");
      break;
    default: words.push_back("src/a.c"); break;
  }
  {
    zelta::Console con(g_null, g_null);
    const int status = zelta::RunConzelta(con, std::move(words));
    if (status != 0 && status != 1) std::abort();  // every end is 0 or 1
  }
  empty_folder(g_dir + "/tmp");
  if (::fchdir(g_home) != 0) std::abort();
  return 0;
}
