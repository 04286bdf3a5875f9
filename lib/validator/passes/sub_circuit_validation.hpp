#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ir/import_targets.hpp"
#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::sub_circuit_validation {

// Finds the module a sub-circuit instance refers to (through the first import
// of its file with that alias) and the pin names of that module. Built once
// per project and shared by all of its files.
class TargetIndex {
 public:
  explicit TargetIndex(const types::Project& project);

  const types::Module* findTargetModule(types::FileId importing_file, std::string_view alias) const;
  bool hasInputPort(const types::Module& target, std::string_view name) const;
  bool hasOutputPort(const types::Module& target, std::string_view name) const;

 private:
  struct PinNames {
    std::unordered_set<std::string_view> inputs;
    std::unordered_set<std::string_view> outputs;
  };

  const PinNames& pinNames(const types::Module& target) const;

  const types::Project* project_;
  import_targets::ImportTargets targets_;
  // Filled on first use, per target file.
  mutable std::unordered_map<const types::Module*, PinNames> pin_names_;
};

// E012, E013 and W002 for the sub-circuit instances of one module.
void runForModule(const types::Project& project, const types::Module& module,
                  std::vector<diagnostics::Diagnostic>& diagnostics);
void runForModule(const TargetIndex& targets, const types::Module& module,
                  std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::sub_circuit_validation
