#include "testing/temp_tree.hpp"

#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace vorn::testing {

TempTree::TempTree() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vorn-test-XXXXXX").string();
  const char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = std::filesystem::canonical(made).string();
}

TempTree::~TempTree() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempTree::write(std::string_view relative, std::string_view text) const {
  std::string full = path(relative);
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  std::ofstream out(full, std::ios::binary);
  out << text;
  return full;
}

std::string TempTree::mkdir(std::string_view relative) const {
  std::string full = path(relative);
  std::filesystem::create_directories(full);
  return full;
}

std::string TempTree::symlink(std::string_view target, std::string_view relative) const {
  std::string full = path(relative);
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  std::filesystem::create_symlink(std::string(target), full);
  return full;
}

ScopedChdir::ScopedChdir(const std::string& directory) : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(directory);
}

ScopedChdir::~ScopedChdir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

}  // namespace vorn::testing
