#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The protocol's framing on a pair of descriptors: header lines ending in
// CRLF, an empty line, then exactly Content-Length bytes of JSON.
namespace vorn::lsp {

// Bodies larger than this are refused (and skipped), whatever their header says.
inline constexpr std::size_t kMaxBodyBytes = 256u * 1024 * 1024;

class MessageReader {
 public:
  enum class Status { message, bad_header, end_of_input };

  struct Read {
    Status status = Status::end_of_input;
    std::string body;     // Status::message
    std::string problem;  // Status::bad_header: what was wrong
  };

  explicit MessageReader(int fd) : fd_(fd) {}

  // Blocks until one whole message, a header block that cannot be used, or
  // the end of input. After a bad header, reading resumes at the next
  // "Content-Length:" header, so one broken message costs only itself; a
  // body that ends early, before the next header, is found the same way.
  Read next();

  // Waits at most `timeout_ms` (−1: forever) for input; true when a call of
  // next() would find bytes without waiting for them first.
  bool waitForInput(int timeout_ms);

 private:
  bool fill();  // false at the end of input or on a read error
  std::string_view pending() const { return std::string_view(buffer_).substr(consumed_); }
  void consume(std::size_t count);

  int fd_;
  std::string buffer_;
  std::size_t consumed_ = 0;
  std::size_t skip_ = 0;  // bytes of a refused body still to drop
  bool resync_ = false;   // drop bytes up to the next Content-Length header
  bool closed_ = false;
};

// Writes one framed message; false when the other side is gone.
bool writeMessage(int fd, std::string_view body);

}  // namespace vorn::lsp
