#include "prepare/configured/compiler_macros.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace zelta::configured {

namespace {

// The compiler answers in well under a second; one that does not within
// this time is stopped and the built-in set used.
constexpr int kCompilerTimeoutMs = 20000;
constexpr size_t kMaxAnswer = 4 << 20;

bool run_compiler(std::string& out, std::string& err) {
  int po[2], pe[2];
  if (pipe2(po, O_CLOEXEC) != 0) return false;
  if (pipe2(pe, O_CLOEXEC) != 0) {
    close(po[0]);
    close(po[1]);
    return false;
  }
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, po[1], 1);
  posix_spawn_file_actions_adddup2(&fa, pe[1], 2);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  char a0[] = "cc", a1[] = "-dM", a2[] = "-E", a3[] = "-v", a4[] = "-x", a5[] = "c", a6[] = "/dev/null";
  char* argv[] = {a0, a1, a2, a3, a4, a5, a6, nullptr};
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "cc", &fa, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  close(po[1]);
  close(pe[1]);
  if (rc != 0) {
    close(po[0]);
    close(pe[0]);
    return false;
  }
  pollfd fds[2] = {{po[0], POLLIN, 0}, {pe[0], POLLIN, 0}};
  std::string* into[2] = {&out, &err};
  int open = 2;
  bool timed_out = false;
  while (open > 0) {
    const int n = poll(fds, 2, kCompilerTimeoutMs);
    if (n <= 0) {
      timed_out = true;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[8192];
      const ssize_t k = read(fds[i].fd, buf, sizeof buf);
      if (k > 0 && into[i]->size() < kMaxAnswer) {
        into[i]->append(buf, static_cast<size_t>(k));
      } else if (k <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& f : fds)
    if (f.fd >= 0) close(f.fd);
  if (timed_out) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return !timed_out && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

CompilerFacts ask_compiler() {
  std::string out, err;
  if (!run_compiler(out, err) || out.find("#define ") == std::string::npos) return builtin_facts();
  CompilerFacts f;
  f.from_compiler = true;
  size_t p = 0;
  while (p < out.size()) {
    size_t e = out.find('\n', p);
    if (e == std::string::npos) e = out.size();
    if (out.compare(p, 8, "#define ") == 0) f.defines.append(out, p, e - p).push_back('\n');
    p = e + 1;
  }
  // The folders between "#include <...> search starts here:" and "End of
  // search list.", one a line after a blank.
  const size_t start = err.find("#include <...> search starts here:");
  if (start != std::string::npos) {
    p = err.find('\n', start);
    while (p != std::string::npos && p + 1 < err.size() && err[p + 1] == ' ') {
      size_t e = err.find('\n', p + 1);
      if (e == std::string::npos) e = err.size();
      std::string dir = err.substr(p + 2, e - p - 2);
      if (!dir.empty() && dir.back() == '\r') dir.pop_back();
      // " (framework directory)" and the like are not folders of headers.
      if (const size_t paren = dir.find(" ("); paren != std::string::npos) dir.resize(paren);
      if (!dir.empty()) f.system_dirs.push_back(dir);
      p = e;
    }
  }
  if (f.system_dirs.empty()) f.system_dirs = builtin_facts().system_dirs;
  return f;
}

CompilerFacts builtin_facts() {
  CompilerFacts f;
  static const char* const kDefines[] = {
      "__STDC__ 1", "__STDC_VERSION__ 201710L", "__STDC_HOSTED__ 1", "__STDC_UTF_16__ 1", "__STDC_UTF_32__ 1",
      "__STDC_IEC_559__ 1", "__STDC_IEC_559_COMPLEX__ 1", "__STDC_ISO_10646__ 201706L",
      "__GNUC__ 12", "__GNUC_MINOR__ 2", "__GNUC_PATCHLEVEL__ 0", "__VERSION__ \"12.2.0\"",
      "__GNUC_STDC_INLINE__ 1", "__NO_INLINE__ 1", "__GCC_IEC_559 2", "__GCC_IEC_559_COMPLEX 2",
      "__x86_64__ 1", "__x86_64 1", "__amd64__ 1", "__amd64 1", "__k8 1", "__k8__ 1", "__code_model_small__ 1",
      "__MMX__ 1", "__SSE__ 1", "__SSE2__ 1", "__SSE_MATH__ 1", "__SSE2_MATH__ 1", "__FXSR__ 1",
      "__SEG_FS 1", "__SEG_GS 1", "__CET__ 3",
      "__linux__ 1", "__linux 1", "linux 1", "__gnu_linux__ 1", "__unix__ 1", "__unix 1", "unix 1", "__ELF__ 1",
      "__CHAR_BIT__ 8", "__ORDER_LITTLE_ENDIAN__ 1234", "__ORDER_BIG_ENDIAN__ 4321", "__ORDER_PDP_ENDIAN__ 3412",
      "__BYTE_ORDER__ __ORDER_LITTLE_ENDIAN__", "__FLOAT_WORD_ORDER__ __ORDER_LITTLE_ENDIAN__",
      "__LP64__ 1", "_LP64 1", "__SIZEOF_INT__ 4", "__SIZEOF_LONG__ 8", "__SIZEOF_LONG_LONG__ 8",
      "__SIZEOF_SHORT__ 2", "__SIZEOF_POINTER__ 8", "__SIZEOF_FLOAT__ 4", "__SIZEOF_DOUBLE__ 8",
      "__SIZEOF_LONG_DOUBLE__ 16", "__SIZEOF_SIZE_T__ 8", "__SIZEOF_WCHAR_T__ 4", "__SIZEOF_WINT_T__ 4",
      "__SIZEOF_PTRDIFF_T__ 8", "__SIZEOF_INT128__ 16", "__BIGGEST_ALIGNMENT__ 16",
      "__SCHAR_MAX__ 0x7f", "__SHRT_MAX__ 0x7fff", "__INT_MAX__ 0x7fffffff", "__LONG_MAX__ 0x7fffffffffffffffL",
      "__LONG_LONG_MAX__ 0x7fffffffffffffffLL", "__WCHAR_MAX__ 0x7fffffff", "__WCHAR_MIN__ (-__WCHAR_MAX__ - 1)",
      "__WINT_MAX__ 0xffffffffU", "__WINT_MIN__ 0U", "__PTRDIFF_MAX__ 0x7fffffffffffffffL",
      "__SIZE_MAX__ 0xffffffffffffffffUL", "__INTMAX_MAX__ 0x7fffffffffffffffL",
      "__UINTMAX_MAX__ 0xffffffffffffffffUL", "__INTPTR_MAX__ 0x7fffffffffffffffL",
      "__UINTPTR_MAX__ 0xffffffffffffffffUL", "__SIG_ATOMIC_MAX__ 0x7fffffff",
      "__SIG_ATOMIC_MIN__ (-__SIG_ATOMIC_MAX__ - 1)",
      "__SIZE_TYPE__ long unsigned int", "__PTRDIFF_TYPE__ long int", "__WCHAR_TYPE__ int",
      "__WINT_TYPE__ unsigned int", "__INTMAX_TYPE__ long int", "__UINTMAX_TYPE__ long unsigned int",
      "__CHAR16_TYPE__ short unsigned int", "__CHAR32_TYPE__ unsigned int", "__SIG_ATOMIC_TYPE__ int",
      "__INT8_TYPE__ signed char", "__INT16_TYPE__ short int", "__INT32_TYPE__ int", "__INT64_TYPE__ long int",
      "__UINT8_TYPE__ unsigned char", "__UINT16_TYPE__ short unsigned int", "__UINT32_TYPE__ unsigned int",
      "__UINT64_TYPE__ long unsigned int", "__INTPTR_TYPE__ long int", "__UINTPTR_TYPE__ long unsigned int",
      "__INT8_MAX__ 0x7f", "__INT16_MAX__ 0x7fff", "__INT32_MAX__ 0x7fffffff",
      "__INT64_MAX__ 0x7fffffffffffffffL", "__UINT8_MAX__ 0xff", "__UINT16_MAX__ 0xffff",
      "__UINT32_MAX__ 0xffffffffU", "__UINT64_MAX__ 0xffffffffffffffffUL",
      "__INT8_C(c) c", "__INT16_C(c) c", "__INT32_C(c) c", "__INT64_C(c) c ## L", "__UINT8_C(c) c",
      "__UINT16_C(c) c", "__UINT32_C(c) c ## U", "__UINT64_C(c) c ## UL", "__INTMAX_C(c) c ## L",
      "__UINTMAX_C(c) c ## UL", "__GCC_ATOMIC_INT_LOCK_FREE 2", "__GCC_ATOMIC_POINTER_LOCK_FREE 2",
      "__GCC_HAVE_SYNC_COMPARE_AND_SWAP_1 1", "__GCC_HAVE_SYNC_COMPARE_AND_SWAP_2 1",
      "__GCC_HAVE_SYNC_COMPARE_AND_SWAP_4 1", "__GCC_HAVE_SYNC_COMPARE_AND_SWAP_8 1",
      "__ATOMIC_RELAXED 0", "__ATOMIC_CONSUME 1", "__ATOMIC_ACQUIRE 2", "__ATOMIC_RELEASE 3",
      "__ATOMIC_ACQ_REL 4", "__ATOMIC_SEQ_CST 5", "__USER_LABEL_PREFIX__ ", "__REGISTER_PREFIX__ ",
      "__FLT_EVAL_METHOD__ 0", "__DECIMAL_DIG__ 21", "__pic__ 2", "__PIC__ 2", "__pie__ 2", "__PIE__ 2",
  };
  for (const char* d : kDefines) {
    f.defines += "#define ";
    f.defines += d;
    f.defines += '\n';
  }
  f.system_dirs = {"/usr/lib/gcc/x86_64-linux-gnu/12/include", "/usr/local/include", "/usr/include/x86_64-linux-gnu",
                   "/usr/include"};
  return f;
}

}  // namespace zelta::configured
