// Fuzzes the whole compiler in process: the input is the root source file,
// its first byte picks the mode. Helper files beside the root can be imported
// (a half adder, a file importing it, two files importing each other), so the
// import scan, cycle analysis and project checks run too.
#include <fcntl.h>
#include <sys/stat.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_arena.hpp"
#include "core/output_stream.hpp"
#include "driver.hpp"
#include "helper_files.hpp"
#include "memory/arena.hpp"
#include "syntax/translate.hpp"

namespace {

// Enough rows to reach every table path while keeping one run fast.
constexpr std::size_t kTruthTableInputCap = 6;
constexpr std::size_t kPipelineStackBytes = 512u * 1024u * 1024u;

std::string work_dir;
std::string root_path;
int sink_fd = -1;

std::size_t rootInputCount(std::string_view source) {
  vorn::TextArena arena;
  auto file = vorn::translate::parseSource(arena, source, 0);
  if (!file) return 0;
  std::size_t count = 0;
  for (const auto& declaration : file->inputs) count += declaration.names.size();
  return count;
}

struct Job {
  std::vector<std::string> arguments;
  vorn::Result<std::uint8_t> result = std::uint8_t{0};
};

void* runDriver(void* data) {
  auto* job = static_cast<Job*>(data);
  std::vector<std::string_view> views(job->arguments.begin(), job->arguments.end());
  vorn::OutputStream out(sink_fd);
  vorn::OutputStream err(sink_fd);
  job->result = vorn::driver::run(views, out, err);
  (void)out.flush();
  (void)err.flush();
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/vorn-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  work_dir = pattern;
  vorn::fuzz::writeHelperFiles(work_dir);
  root_path = work_dir + "/root.vorn";
  sink_fd = open("/dev/null", O_WRONLY);
  if (sink_fd < 0) std::abort();
  // Remove the scratch directory when the fuzzer exits normally.
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(work_dir, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return -1;
  std::uint8_t selector = data[0];
  std::string_view source(reinterpret_cast<const char*>(data + 1), size - 1);
  if (!vorn::file_io::writeFileAny(root_path, source)) std::abort();

  Job job;
  auto& arguments = job.arguments;
  arguments.push_back(root_path);
  switch (selector % 12) {
    case 0: arguments.push_back("--inspect"); break;
    case 1: arguments.push_back("--truth-table"); break;
    case 2: arguments.insert(arguments.end(), {"--truth-table", "--format=csv"}); break;
    case 3: arguments.insert(arguments.end(), {"--truth-table", "--format=json"}); break;
    case 4: arguments.insert(arguments.end(), {"--truth-table", "--strict"}); break;
    case 5: arguments.insert(arguments.end(), {"--preview", "--color=never"}); break;
    case 6: arguments.insert(arguments.end(), {"--preview", "--expand-macros", "--color=never"}); break;
    case 7: arguments.insert(arguments.end(), {"--preview", "--color=always"}); break;
    case 8: arguments.insert(arguments.end(), {"--preview", "--expand-macros", "--color=always"}); break;
    case 9: arguments.insert(arguments.end(), {"--emit-zig", "-o", work_dir + "/out/fuzz.zig"}); break;
    case 10: arguments.insert(arguments.end(), {"-o", work_dir + "/out/fuzz.wasm"}); break;
    case 11: arguments.insert(arguments.end(), {"--truth-table", "--format=csv", "--strict"}); break;
  }
  if (selector & 0x80) arguments.push_back("-Werror");
  // A table doubles with every input; wide ones only cost time here.
  bool truth_table = arguments[1] == "--truth-table";
  if (truth_table && rootInputCount(source) > kTruthTableInputCap) return -1;

  // The executable runs the pipeline on a thread with a large stack; so do we.
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kPipelineStackBytes);
  pthread_t thread;
  if (pthread_create(&thread, &attributes, runDriver, &job) != 0) std::abort();
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);

  // Each run starts from a fresh engine, as a new process would.
  vorn::memory::arena().reset();

  if (job.result && *job.result > 2) {
    std::fprintf(stderr, "exit status %u outside 0..2\n", unsigned(*job.result));
    std::abort();
  }
  return 0;
}
