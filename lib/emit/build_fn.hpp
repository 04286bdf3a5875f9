#pragma once

#include <cstdint>

#include "core/error.hpp"
#include "emit/writer.hpp"
#include "ir/import_targets.hpp"
#include "ir/types.hpp"

// Build functions: each creates every component of one module through the
// engine, connects them and returns the engine components of its pins.
namespace vorn::build_fn {

// "fn buildCircuit", for a single module. Fails with
// UnsupportedSubCircuitInPhase4, UnresolvedComponentName,
// InvalidFromComponentId, InvalidToComponentId, InvalidInputComponentId,
// MissingOutputComponent or InvalidOutputComponentId.
Result<void> emitBuildFunction(writer::Writer& out, const types::Module& module);

// "fn buildFile_{file id}", for one file of a project: a sub-circuit instance
// calls the build function of the file its alias imports. Fails as above,
// with UnresolvedSubCircuitTarget for an alias that names no import.
Result<void> emitFileBuildFunction(writer::Writer& out, const types::Project& project, std::uint32_t file_id,
                                   const import_targets::ImportTargets& targets);

}  // namespace vorn::build_fn
