// vorn-lsp for a browser page: the same server, built for WASI as a reactor
// module, since a page cannot block a read of standard input. The page puts
// each message body in the inbox and calls vorn_lsp_receive, and asks when
// the next check is due; the server's messages go to standard output,
// framed as on a pipe.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>

#include "lsp/framing.hpp"
#include "lsp/server.hpp"

namespace {

vorn::lsp::Server& server() {
  static vorn::lsp::Server instance([](const std::string& message) { vorn::lsp::writeMessage(1, message); });
  return instance;
}

std::string& inbox() {
  static std::string buffer;
  return buffer;
}

}  // namespace

extern "C" {

// Room for a body of `size` bytes, for the page to write into.
__attribute__((export_name("vorn_lsp_inbox"))) char* vornLspInbox(std::uint32_t size) {
  inbox().resize(size);
  return inbox().data();
}

// Handles the body in the inbox.
__attribute__((export_name("vorn_lsp_receive"))) void vornLspReceive() { server().handleBody(inbox()); }

// Milliseconds until a check is due (0: now), or -1 when none waits.
__attribute__((export_name("vorn_lsp_check_due_in"))) std::int32_t vornLspCheckDueIn() {
  auto due = server().nextCheckDue();
  if (!due) return -1;
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*due - vorn::lsp::Clock::now()).count();
  return static_cast<std::int32_t>(std::clamp<long long>(wait, 0, 60'000));
}

// Runs one check that is due and publishes what it found.
__attribute__((export_name("vorn_lsp_run_checks"))) void vornLspRunChecks() {
  server().runDueChecks(vorn::lsp::Clock::now());
}

// 1 once the client said exit.
__attribute__((export_name("vorn_lsp_exit_requested"))) std::int32_t vornLspExitRequested() {
  return server().exitRequested() ? 1 : 0;
}
}
