// vorn-lsp: diagnostics, navigation and completion for .vorn files in any
// editor that speaks the Language Server Protocol over standard input and
// output.
#include <csignal>
#include <cstdio>
#include <string_view>

#include "core/process_heap.hpp"
#include "lsp/server.hpp"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    // Clients commonly name the transport; standard streams are the only one.
    if (argument == "--stdio") continue;
    if (argument == "-h" || argument == "--help") {
      std::fputs(
          "vorn-lsp — language server for .vorn files\n\nUSAGE:\n    vorn-lsp [--stdio]\n\n"
          "Speaks the Language Server Protocol on standard input and output.\n",
          stdout);
      return 0;
    }
    std::fprintf(stderr, "usage error: unknown argument '%s'\n", argv[i]);
    return 2;
  }
  // A client that goes away makes writes fail instead of ending the process.
  std::signal(SIGPIPE, SIG_IGN);
  // Each edit rebuilds every tree; keeping the pages spares re-faulting them.
  vorn::reserveHugePageHeap();
  return vorn::lsp::serve(0, 1);
}
