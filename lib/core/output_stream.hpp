#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/error.hpp"

namespace vorn {

// A buffered writer over a file descriptor. Writes are collected and handed
// to the kernel in large pieces; `flush` must be called before the process
// exits. After the first failed write every later call returns that error.
class OutputStream {
 public:
  explicit OutputStream(int fd, std::size_t capacity = 64 * 1024);
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  Result<void> write(std::string_view text);
  // Writes the pieces in order; the result is the first failure, as with
  // separate writes.
  Result<void> writeAll(std::initializer_list<std::string_view> pieces);
  Result<void> writeByte(char byte);
  Result<void> writeDecimal(std::uint64_t value);
  Result<void> flush();

  int fd() const { return fd_; }

 private:
  Result<void> writeThrough(std::string_view text);

  int fd_;
  std::size_t capacity_;
  std::string buffer_;
  bool failed_ = false;
  Error error_ = Error::Unexpected;
};

// Maps an errno value to the error name printed for it.
Error errorFromErrno(int errno_value);

}  // namespace vorn
