#include "core/output_stream.hpp"

#include <cerrno>
#include <charconv>
#include <unistd.h>

namespace vorn {

Error errorFromErrno(int errno_value) {
  switch (errno_value) {
    case ENOENT: return Error::FileNotFound;
    case EISDIR: return Error::IsDir;
    case ENOTDIR: return Error::NotDir;
    case EACCES:
    case EPERM: return Error::AccessDenied;
    case ENAMETOOLONG: return Error::NameTooLong;
    case ELOOP: return Error::SymLinkLoop;
    case ENOSPC: return Error::NoSpaceLeft;
    case EROFS: return Error::ReadOnlyFileSystem;
    case EPIPE: return Error::BrokenPipe;
    case EIO: return Error::InputOutput;
    case EDQUOT: return Error::DiskQuota;
    case ETXTBSY:
    case EBUSY: return Error::FileBusy;
    case ENOMEM: return Error::OutOfMemory;
    case EFBIG: return Error::FileTooBig;
    case EINVAL: return Error::InvalidPath;
    default: return Error::Unexpected;
  }
}

OutputStream::OutputStream(int fd, std::size_t capacity) : fd_(fd), capacity_(capacity) {}

Result<void> OutputStream::writeThrough(std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(fd_, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      error_ = errorFromErrno(errno);
      return fail(error_);
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

Result<void> OutputStream::write(std::string_view text) {
  if (failed_) return fail(error_);
  if (buffer_.size() + text.size() > capacity_) {
    if (auto flushed = flush(); !flushed) return flushed;
    if (text.size() >= capacity_) return writeThrough(text);
  }
  buffer_.append(text);
  return {};
}

Result<void> OutputStream::writeAll(std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) {
    if (auto written = write(piece); !written) return written;
  }
  return {};
}

Result<void> OutputStream::writeByte(char byte) { return write(std::string_view(&byte, 1)); }

Result<void> OutputStream::writeDecimal(std::uint64_t value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  return write(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

Result<void> OutputStream::flush() {
  if (failed_) return fail(error_);
  auto result = writeThrough(buffer_);
  buffer_.clear();
  return result;
}

}  // namespace vorn
