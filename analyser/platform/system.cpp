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

static std::string parent_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool same_entry(const std::string& a, const std::string& b) {
  const size_t sa = a.rfind('/'), sb = b.rfind('/');
  const std::string na = sa == std::string::npos ? a : a.substr(sa + 1);
  const std::string nb = sb == std::string::npos ? b : b.substr(sb + 1);
  if (na != nb || na.empty()) return false;
  struct stat da, db;
  return ::stat(parent_of(a).c_str(), &da) == 0 && ::stat(parent_of(b).c_str(), &db) == 0 && da.st_dev == db.st_dev &&
         da.st_ino == db.st_ino;
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

static std::string temp_folder() {
  const char* tmp = std::getenv("TMP");
  if (tmp && *tmp && is_directory(tmp)) return tmp;
  if (is_directory("./temp")) return "./temp";
  if (is_directory("/tmp") && ::access("/tmp", W_OK) == 0) return "/tmp";
  return ".";
}

// Probes `prefix` (the folder with its "/") + "tmp" + number from the number
// after `counter` on; `counter` ends on the number used.
static std::string free_name(unsigned& counter, const std::string& prefix) {
  // An exclusive create fails in a folder it may not write into.
  if (::access(prefix.c_str(), W_OK | X_OK) != 0) return "";
  for (unsigned i = 0; i < 32767u; ++i) {
    std::string path = prefix + "tmp" + std::to_string(++counter);
    struct stat st;
    // Any entry, even a dangling link, makes an exclusive create fail.
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? path : "";
  }
  return "";
}

std::string next_temp_name(TempNames& names) {
  std::string dir = temp_folder();
  // The name service refuses a folder that leaves no room for the name.
  if (dir.size() + 3 > 248) return "";
  if (dir.back() != '/') dir += '/';
  return free_name(names.counter, dir);
}

bool create_temp_file(TempNames& names, std::string& path) {
  for (int tries = 0; tries < 32767 && !path.empty(); ++tries) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    if (errno != EEXIST) return false;
    // Taken since the name was chosen: on to the next free number there.
    path = free_name(names.counter, path.substr(0, path.rfind('/') + 1));
  }
  return false;
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
