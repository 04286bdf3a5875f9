#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/error.hpp"
#include "ir/import_targets.hpp"
#include "ir/types.hpp"

// The Verilog module of one project file. Each component becomes one
// primitive, so the module is the simulator's own netlist: input pins and
// the and/not gates delayed by `VORN_GATE_DELAY, wires, LEDs and output pins
// by `VORN_WIRE_DELAY (macros the file header defines), sub-circuits as
// instances of their files' modules. A component that no input pin reaches
// never becomes defined in our simulator and is a constant x.
namespace vorn::verilog_module {

// Appends the module of `file`. `module_names` holds every file's module
// name, by file id. Fails with UnresolvedComponentName,
// UnresolvedSubCircuitTarget, InvalidFromComponentId or InvalidToComponentId.
Result<void> appendModule(std::string& out, const types::Project& project, std::uint32_t file,
                          const import_targets::ImportTargets& targets, std::span<const std::string> module_names);

}  // namespace vorn::verilog_module
