// Fuzzes the language server's message handling in process. Byte 0 picks
// how the rest reaches the server: odd values send it as a raw byte stream
// (headers and bodies as the fuzzer wrote them); even values split it at
// 0x1E bytes and frame every piece as one message. Checks that are waiting
// run after every message, and each message the server sends must be JSON.
// Documents may import helper files kept in a fixed scratch directory, so
// that corpus entries can name them: /tmp/vorn-lsp-fuzz/*.vorn.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "helper_files.hpp"
#include "lsp/framing.hpp"
#include "lsp/server.hpp"

namespace {

constexpr char kHelperDir[] = "/tmp/vorn-lsp-fuzz";
// A server that keeps asking for checks after running them would spin.
constexpr int kMaxChecksPerMessage = 256;

void requireJson(const std::string& message) {
  if (!nlohmann::json::accept(message)) {
    std::fprintf(stderr, "server sent a message that is not JSON: %s\n", message.c_str());
    std::abort();
  }
}

std::string framedStream(std::string_view rest) {
  std::string stream;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\x1e', start);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view body = rest.substr(start, end - start);
    stream += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    stream += body;
    start = end + 1;
  }
  return stream;
}

void runDue(vorn::lsp::Server& server) {
  for (int i = 0; i < kMaxChecksPerMessage; ++i) {
    auto due = server.nextCheckDue();
    if (!due) return;
    server.runDueChecks(*due);
  }
  std::fprintf(stderr, "checks still due after %d runs\n", kMaxChecksPerMessage);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mkdir(kHelperDir, 0777);
  vorn::fuzz::writeHelperFiles(kHelperDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return -1;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string stream = data[0] & 1 ? std::string(rest) : framedStream(rest);

  // The reader takes a descriptor; an in-memory file gives it the bytes and
  // then the end of input.
  int fd = memfd_create("lsp-fuzz-input", 0);
  if (fd < 0) std::abort();
  if (!stream.empty() && write(fd, stream.data(), stream.size()) != ssize_t(stream.size())) std::abort();
  if (lseek(fd, 0, SEEK_SET) != 0) std::abort();

  {
    vorn::lsp::Server server(requireJson, vorn::lsp::ServerOptions{});
    vorn::lsp::MessageReader reader(fd);
    while (!server.exitRequested()) {
      vorn::lsp::MessageReader::Read read = reader.next();
      if (read.status == vorn::lsp::MessageReader::Status::end_of_input) break;
      if (read.status == vorn::lsp::MessageReader::Status::bad_header) {
        server.handleBadHeader(read.problem);
      } else {
        server.handleBody(read.body);
      }
      runDue(server);
    }
    int status = server.exitStatus();
    if (status != 0 && status != 1) std::abort();
  }
  close(fd);
  return 0;
}
