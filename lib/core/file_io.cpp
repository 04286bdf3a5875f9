#include "core/file_io.hpp"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/output_stream.hpp"

namespace vorn::file_io {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

Result<void> writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return fail(errorFromErrno(errno));
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

}  // namespace

Result<std::string> readFile(const std::string& path, std::size_t limit) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return fail(errorFromErrno(errno));
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return fail(errorFromErrno(errno));
  if (S_ISDIR(info.st_mode)) return fail(Error::IsDir);

  std::string text;
  if (S_ISREG(info.st_mode)) {
    if (static_cast<std::uint64_t>(info.st_size) > limit) return fail(Error::FileTooBig);
    text.reserve(static_cast<std::size_t>(info.st_size));
  }
  char chunk[64 * 1024];
  for (;;) {
    ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail(errorFromErrno(errno));
    }
    if (got == 0) break;
    // Files can grow while being read, and pipes have no size up front.
    if (text.size() + static_cast<std::size_t>(got) > limit) return fail(Error::FileTooBig);
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return text;
}

#ifndef __wasi__  // WASI has no realpath: file_io_wasi.cpp
Result<std::string> canonicalPath(const std::string& path) {
  if (path.empty()) return fail(Error::FileNotFound);
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return fail(errorFromErrno(errno));
  std::string result(resolved);
  std::free(resolved);
  return result;
}
#endif

std::string_view directoryPart(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

Result<void> makePathAny(std::string_view directory) {
  if (directory.empty()) return {};
  std::string prefix;
  std::size_t position = 0;
  if (directory.front() == '/') {
    prefix = "/";
    position = 1;
  }
  while (position <= directory.size()) {
    std::size_t next = directory.find('/', position);
    if (next == std::string_view::npos) next = directory.size();
    std::string_view segment = directory.substr(position, next - position);
    position = next + 1;
    if (segment.empty()) continue;
    if (!prefix.empty() && prefix.back() != '/') prefix.push_back('/');
    prefix.append(segment);
    if (segment == "." || segment == "..") continue;
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return fail(errorFromErrno(errno));
    struct stat info {};
    if (::stat(prefix.c_str(), &info) != 0) return fail(errorFromErrno(errno));
    if (!S_ISDIR(info.st_mode)) return fail(Error::NotDir);
  }
  return {};
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

namespace {

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Standard output or standard error when it holds the file `info` describes:
// "-o /dev/stdout" with standard output sent to a log must add to that log
// where the stream stands, not replace it.
std::optional<int> standardStreamHolding(const struct stat& info) {
  for (int fd : {1, 2}) {
    struct stat stream {};
    if (::fstat(fd, &stream) == 0 && sameFile(stream, info)) return fd;
  }
  return std::nullopt;
}

Result<void> closeAfterWriting(FileDescriptor& fd, Result<void> written) {
  int close_result = ::close(fd.release());
  if (written && close_result != 0) written = fail(errorFromErrno(errno));
  return written;
}

// Devices and FIFOs are written where they are: "-o /dev/null" must reach the
// device, and a rename would put a regular file in its place.
Result<void> writeThrough(const std::string& path, std::string_view bytes) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) return fail(errorFromErrno(errno));
  return closeAfterWriting(fd, writeAll(fd.get(), bytes));
}

// Writes over the file at `path`, creating it when it is missing (`create`).
Result<void> writeInPlace(const std::string& path, std::string_view bytes, bool create) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | (create ? O_CREAT : 0), 0666));
  if (fd.get() < 0) return fail(errorFromErrno(errno));
  return closeAfterWriting(fd, writeAll(fd.get(), bytes));
}

// A private file stays private once replaced. WASI has no permission bits.
Result<void> copyPermissionBits(int fd, const struct stat& existing) {
#if defined(__wasi__)
  (void)fd;
  (void)existing;
#else
  if (::fchmod(fd, existing.st_mode & 0777) != 0) return fail(errorFromErrno(errno));
#endif
  return {};
}

// `existing` describes the regular file at `path` being replaced, if any.
Result<void> replaceAtomically(const std::string& path, std::string_view bytes, const struct stat* existing) {
  std::string_view directory = directoryPart(path);
  static std::atomic<unsigned> counter{0};
  std::string base = path.substr(directory.empty() ? 0 : directory.size() + (directory == "/" ? 0 : 1));
  std::string temporary = std::string(directory);
  if (!temporary.empty() && temporary.back() != '/') temporary.push_back('/');
  temporary += "." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);

  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    // The folder is closed to new files, but the file itself may be writable.
    if (existing != nullptr && (errno == EACCES || errno == EPERM)) return writeInPlace(path, bytes, false);
    return fail(errorFromErrno(errno));
  }
  Result<void> written;
  if (existing != nullptr) written = copyPermissionBits(fd.get(), *existing);
  if (written) written = writeAll(fd.get(), bytes);
  written = closeAfterWriting(fd, std::move(written));
  if (written && ::rename(temporary.c_str(), path.c_str()) != 0) written = fail(errorFromErrno(errno));
  if (!written) ::unlink(temporary.c_str());
  return written;
}

}  // namespace

Result<void> writeFileAny(const std::string& path, std::string_view bytes) {
  if (auto made = makePathAny(directoryPart(path)); !made) return made;

  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (exists) {
    if (std::optional<int> stream = standardStreamHolding(info)) return writeAll(*stream, bytes);
    if (S_ISDIR(info.st_mode)) return fail(Error::IsDir);
    if (!S_ISREG(info.st_mode)) return writeThrough(path, bytes);
  }

  // A symbolic link is followed, so the link survives and its target is
  // replaced; a dangling one is written through, creating its target.
  std::string target = path;
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    auto resolved = canonicalPath(path);
    if (!resolved) return writeInPlace(path, bytes, true);
    target = std::move(*resolved);
  }
  return replaceAtomically(target, bytes, exists ? &info : nullptr);
}

}  // namespace vorn::file_io

namespace vorn::file_io {

std::vector<DirectoryEntry> directoryEntries(const std::string& path, std::size_t limit) {
  std::vector<DirectoryEntry> entries;
  DIR* directory = ::opendir(path.c_str());
  if (directory == nullptr) return entries;
  while (entries.size() < limit) {
    const dirent* entry = ::readdir(directory);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool is_directory = entry->d_type == DT_DIR;
    // Some file systems do not say; and a link to a folder is one.
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat info {};
      is_directory = ::stat((path + "/" + std::string(name)).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    entries.push_back(DirectoryEntry{.name = std::string(name), .is_directory = is_directory});
  }
  ::closedir(directory);
  return entries;
}

}  // namespace vorn::file_io
