#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ir/types.hpp"

// Names of the Verilog modules of a project: one per file, after its stem.
namespace vorn::verilog_module_names {

// The last path component without a trailing ".vorn".
std::string_view fileStem(std::string_view path);

// `stem` as a simple Verilog identifier: bytes outside [A-Za-z0-9_] become
// "_", a leading digit (or an empty stem) gets "_" before it and a keyword
// "_" after it.
std::string legalName(std::string_view stem);

// One module name per file, indexed by file id, all distinct. The root
// (named by `root_name`, the input path as given, so that a link keeps the
// name the user typed) is named first and so keeps its legal stem; other
// files follow in id order and take "{name}_2", "{name}_3", ... when their
// name is taken.
std::vector<std::string> moduleNames(const types::Project& project, std::string_view root_name);

}  // namespace vorn::verilog_module_names
