// zelta-lsp: the call hierarchy of the C files of a workspace, served over
// standard input and output to an editor.
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/version.h"
#include "server.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("zelta-lsp %s\n", zelta::kVersionText);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "usage: zelta-lsp\n"
          "A language server for C call hierarchies: speaks the Language Server Protocol\n"
          "on standard input and output; logs go to standard error.\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--stdio") != 0) {
      std::fprintf(stderr, "zelta-lsp: unknown argument %s (try --help)\n", argv[i]);
      return 2;
    }
  }
  // The protocol gets a descriptor of its own; anything else that would
  // write to standard output lands on standard error.
  const int protocol_out = ::dup(1);
  if (protocol_out < 0 || ::dup2(2, 1) < 0) {
    std::perror("zelta-lsp");
    return 1;
  }
  std::signal(SIGPIPE, SIG_IGN);
  // Temporary files of the analysis stay in a folder of our own.
  char tmpl[] = "/tmp/zelta-lsp-XXXXXX";
  const char* tmp = ::mkdtemp(tmpl);
  if (tmp) ::setenv("TMP", tmp, 1);
  int status;
  {
    zelta::lsp::Server server(0, protocol_out);
    status = server.serve();
  }
  if (tmp) {
    std::error_code ec;
    std::filesystem::remove_all(tmp, ec);
  }
  std::fflush(stderr);
  // The reader thread may still wait on input: end without unwinding it.
  std::_Exit(status);
}
