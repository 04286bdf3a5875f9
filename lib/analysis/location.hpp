#pragma once

#include <string>
#include <string_view>

#include "ir/types.hpp"
#include "topology/full_format.hpp"

// Where a flattened component was written: the declaration in the deepest
// file of the user's along its chain of instances. Inside a built-in gate
// that is the gate's instance ("x1" of `xor x1(…)`), since its own file is
// not the user's. Files are named by their last path component.
namespace vorn::analysis {

class Locator {
 public:
  // `project` when the project pipeline ran, else the root `module` alone.
  Locator(const types::Project* project, const types::Module* module, std::string_view root_path);

  // "file.vorn:line:col", or the file name alone when the name is not found.
  std::string locate(const full_format::FullComponentRecord& record) const;

 private:
  const types::Module& moduleOf(std::uint32_t file) const;
  std::string_view fileName(std::uint32_t file) const;
  bool builtinFile(std::uint32_t file) const;

  const types::Project* project_;
  const types::Module* module_;
  std::string_view root_path_;
};

}  // namespace vorn::analysis
