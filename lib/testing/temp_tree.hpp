#pragma once

// A scratch directory of real files for tests; removed with everything in it
// when the object goes away.
#include <filesystem>
#include <string>
#include <string_view>

namespace vorn::testing {

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // Canonical, so that expected paths compare byte for byte.
  const std::string& root() const { return root_; }
  std::string path(std::string_view relative) const { return root_ + "/" + std::string(relative); }

  // Each creates missing parent directories and returns the full path.
  std::string write(std::string_view relative, std::string_view text) const;
  std::string mkdir(std::string_view relative) const;
  std::string symlink(std::string_view target, std::string_view relative) const;

 private:
  std::string root_;
};

// Changes the working directory for one scope.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& directory);
  ~ScopedChdir();
  ScopedChdir(const ScopedChdir&) = delete;
  ScopedChdir& operator=(const ScopedChdir&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace vorn::testing
