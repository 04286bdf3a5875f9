// The file layer's one difference under WASI: its libc has no realpath.
// Every path lies inside the trees the host opened for the module, so the
// canonical path is the absolute path, normalised lexically once the file is
// known to exist. Symbolic links are left as they are spelled.
#ifdef __wasi__

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_io.hpp"
#include "core/lexical_path.hpp"
#include "core/output_stream.hpp"

namespace vorn::file_io {

Result<std::string> canonicalPath(const std::string& path) {
  if (path.empty()) return fail(Error::FileNotFound);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return fail(errorFromErrno(errno));
  std::string absolute;
  if (path.front() != '/') {
    char directory[4096];
    if (::getcwd(directory, sizeof directory) == nullptr) return fail(errorFromErrno(errno));
    absolute = directory;
    absolute.push_back('/');
  }
  absolute.append(path);
  return lexical_path::normalizeLexically(absolute);
}

}  // namespace vorn::file_io

#endif
