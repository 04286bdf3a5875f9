#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ir/import_targets.hpp"
#include "ir/types.hpp"

// Which input pins of a file reach which of its output pins without passing
// an and/not gate: through wires, LEDs, pins and, transitively, the same kind
// of path inside the instances it holds. A signal loop that passes through an
// instance along such a path stays a loop without a gate; through any other
// pair of ports the instance's gates break it.
namespace vorn::gate_free_paths {

class FilePaths {
 public:
  // Whether a gate-free path leads from the input pin named `input` to the
  // output pin named `output` (the first pins with those names).
  bool joins(std::string_view input, std::string_view output) const;
  // The output pins (indices into the module's outputs) that the input pin
  // named `input` reaches without a gate, ascending.
  const std::vector<std::uint32_t>* reachedFrom(std::string_view input) const;
  std::string_view outputName(std::uint32_t index) const { return output_names_[index]; }

 private:
  friend class ProjectPaths;

  std::unordered_map<std::string_view, std::uint32_t> input_index_;
  std::unordered_map<std::string_view, std::uint32_t> output_index_;
  std::vector<std::vector<std::uint32_t>> reached_;  // by input pin index
  std::vector<std::string_view> output_names_;
};

// The paths of every file of a project, each file computed once, after the
// files it instantiates (the import graph is walked with an explicit stack).
class ProjectPaths {
 public:
  explicit ProjectPaths(const types::Project& project);

  // The paths inside the file that `instance` of `module` instantiates, or
  // null when that file is unknown (or could not be computed first, as in an
  // import cycle): such an instance is then taken as joining every port.
  const FilePaths* pathsOf(const types::Module& module, const types::Component& instance) const;

 private:
  void computeFile(std::uint32_t file);

  const types::Project& project_;
  import_targets::ImportTargets targets_;
  std::vector<std::optional<FilePaths>> files_;
};

}  // namespace vorn::gate_free_paths
