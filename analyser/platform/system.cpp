#include "platform/system.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

namespace zelta {

Stamp clock_now() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return Stamp{static_cast<long>(tv.tv_sec), static_cast<int>(tv.tv_usec / 1000)};
}

bool path_exists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool copy_file(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::FILE* out = std::fopen(to.c_str(), "wb");
  if (!out) {
    std::fclose(in);
    return false;
  }
  char buf[1 << 16];
  size_t n;
  bool ok = true;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
    if (std::fwrite(buf, 1, n, out) != n) ok = false;
  std::fclose(in);
  if (std::fclose(out) != 0) ok = false;
  return ok;
}

static std::string upper(const std::string& s) {
  std::string u = s;
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::vector<std::string> find_matching(const std::string& dir, const std::string& ext) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return names;
  const std::string suffix = "." + upper(ext);
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string u = upper(name);
    if (u.size() >= suffix.size() && u.compare(u.size() - suffix.size(), suffix.size(), suffix) == 0)
      names.push_back(name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string ua = upper(a), ub = upper(b);
    if (ua != ub) return ua < ub;  // std::string compares as unsigned bytes
    return a < b;
  });
  return names;
}

std::string make_temp_file() {
  std::string dir;
  const char* tmp = std::getenv("TMP");
  if (tmp && *tmp && is_directory(tmp))
    dir = tmp;
  else if (is_directory("./temp"))
    dir = "./temp";
  else if (is_directory("/tmp") && ::access("/tmp", W_OK) == 0)
    dir = "/tmp";
  else
    dir = ".";
  // The name service refuses a folder that leaves no room for the name.
  if (dir.size() + 3 > 248) return "";
  if (dir.back() != '/') dir += '/';
  // The number counts upward over the whole process; names already taken
  // (by earlier runs, or by a parallel one) are passed over.
  static unsigned counter = 0;
  for (unsigned i = 0; i < 32767u; ++i) {
    std::string path = dir + "tmp" + std::to_string(++counter);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

void wait_for_key() {
  if (!::isatty(STDIN_FILENO)) return;
  struct termios old_t, raw_t;
  if (::tcgetattr(STDIN_FILENO, &old_t) != 0) return;
  raw_t = old_t;
  raw_t.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw_t.c_cc[VMIN] = 1;
  raw_t.c_cc[VTIME] = 0;
  ::tcsetattr(STDIN_FILENO, TCSANOW, &raw_t);
  char c;
  (void)!::read(STDIN_FILENO, &c, 1);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &old_t);
}

}  // namespace zelta
