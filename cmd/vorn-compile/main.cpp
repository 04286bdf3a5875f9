// Entry point of vorn-compile: sets up the process, runs the driver on a
// thread with a large stack, and turns its result into the exit status.
// Built for WASI there are no signals, threads or exceptions: the pipeline
// runs on the thread the host gives the module (web/compiler.mjs makes its
// stack large), and a closed pipe is simply a failed write.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/output_stream.hpp"
#include "core/process_heap.hpp"
#include "driver.hpp"

#ifndef __wasi__
#include <csignal>
#include <malloc.h>
#include <new>
#include <pthread.h>
#endif

namespace {

#ifndef __wasi__
// Deeply nested sources are refused by the parser long before this is used
// up, but every later stage may still walk a tree of that depth.
constexpr std::size_t kPipelineStackBytes = 512u * 1024u * 1024u;
#endif

struct Invocation {
  std::vector<std::string_view> arguments;
  vorn::OutputStream* out = nullptr;
  vorn::OutputStream* err = nullptr;
  vorn::Result<std::uint8_t> result = std::uint8_t{0};
};

void* runPipeline(void* data) {
  auto* invocation = static_cast<Invocation*>(data);
#ifdef __wasi__
  invocation->result = vorn::driver::run(invocation->arguments, *invocation->out, *invocation->err);
#else
  try {
    invocation->result = vorn::driver::run(invocation->arguments, *invocation->out, *invocation->err);
  } catch (const std::bad_alloc&) {
    invocation->result = vorn::fail(vorn::Error::OutOfMemory);
  }
#endif
  return nullptr;
}

#ifndef __wasi__
void ignoreSignal(int) {}

void runOnLargeStack(Invocation& invocation) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kPipelineStackBytes);
  pthread_t thread;
  if (pthread_create(&thread, &attributes, runPipeline, &invocation) == 0) {
    pthread_join(thread, nullptr);
  } else {
    runPipeline(&invocation);
  }
  pthread_attr_destroy(&attributes);
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifndef __wasi__
  // A write to a closed pipe should fail with BrokenPipe, not kill us.
  struct sigaction action {};
  action.sa_handler = ignoreSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGPIPE, &action, nullptr);

  // All work happens on the one pipeline thread; sharing the main arena lets
  // its heap grow by brk instead of thousands of small mprotect calls.
  mallopt(M_ARENA_MAX, 1);
  vorn::reserveHugePageHeap();
#endif

  vorn::OutputStream out(1);
  // Truth tables write millions of trace lines; a large buffer keeps that cheap.
  vorn::OutputStream err(2, 1024 * 1024);
  Invocation invocation;
  invocation.arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  invocation.out = &out;
  invocation.err = &err;

#ifdef __wasi__
  runPipeline(&invocation);
#else
  runOnLargeStack(invocation);
#endif

  int status = 0;
  if (invocation.result) {
    status = *invocation.result;
    if (auto flushed = out.flush(); !flushed && status == 0) {
      invocation.result = vorn::fail(flushed.error());
    }
  }
  if (!invocation.result) {
    (void)out.flush();
    (void)err.writeAll({"error: ", vorn::errorName(invocation.result.error()), "\n"});
    status = 1;
  }
  (void)err.flush();
  if (status != 0) std::_Exit(status);
  return 0;
}
