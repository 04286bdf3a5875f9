#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.hpp"

namespace vorn::file_io {

// Source files and the root file are read whole, up to this many bytes.
inline constexpr std::size_t kMaxSourceBytes = 16 * 1024 * 1024;

// Reads the file at `path` (relative to the current directory) whole.
// A file larger than `limit` bytes fails with FileTooBig.
Result<std::string> readFile(const std::string& path, std::size_t limit = kMaxSourceBytes);

// The canonical absolute path of `path`, with symbolic links resolved.
Result<std::string> canonicalPath(const std::string& path);

// Everything before the last "/" of `path`, ignoring trailing slashes;
// empty when there is no "/". "/x" gives "/".
std::string_view directoryPart(std::string_view path);

// Creates `directory` and every missing parent.
Result<void> makePathAny(std::string_view directory);

// Which file a path names once symbolic links are followed: two paths name
// the same file (hard links included) exactly when these are equal.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file at `path`; nothing when it cannot be looked at.
std::optional<FileIdentity> fileIdentity(const std::string& path);

// One entry of a directory listing.
struct DirectoryEntry {
  std::string name;
  bool is_directory = false;
};

// The entries of the directory at `path` (without "." and ".."), at most
// `limit` of them, in no particular order; none when it cannot be read.
std::vector<DirectoryEntry> directoryEntries(const std::string& path, std::size_t limit);

// Writes `bytes` to `path`, creating missing directories first. A regular or
// missing target gets a temporary file beside it, which is then renamed over
// it, so it is either left alone or replaced by the complete contents; a
// replaced file keeps its permission bits, and one that may be written in a
// folder where no new file may be made is written in place. The file that
// standard output or standard error holds is written through that stream,
// where it stands; other devices and FIFOs are written in place without
// truncation. Symbolic links are followed; a directory fails with IsDir.
Result<void> writeFileAny(const std::string& path, std::string_view bytes);

}  // namespace vorn::file_io
