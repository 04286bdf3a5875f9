#pragma once

// A scratch directory of real files for the loader and scan tests; removed
// with everything in it when the object goes away.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace vorn::testing {

class TempTree {
 public:
  TempTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorn-resolver-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    // Canonical from the start, so expected paths compare byte for byte.
    root_ = std::filesystem::canonical(made).string();
  }
  ~TempTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  std::string path(std::string_view relative) const { return root_ + "/" + std::string(relative); }

  std::string write(std::string_view relative, std::string_view text) const {
    std::string full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary);
    out << text;
    return full;
  }

  std::string mkdir(std::string_view relative) const {
    std::string full = path(relative);
    std::filesystem::create_directories(full);
    return full;
  }

  std::string symlink(std::string_view target, std::string_view relative) const {
    std::string full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::filesystem::create_symlink(std::string(target), full);
    return full;
  }

 private:
  std::string root_;
};

// Changes the working directory for one scope.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& directory) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  ~ScopedChdir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }

 private:
  std::filesystem::path previous_;
};

}  // namespace vorn::testing
