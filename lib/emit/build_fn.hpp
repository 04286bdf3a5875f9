#pragma once

#include "core/error.hpp"
#include "emit/component_index.hpp"
#include "emit/writer.hpp"
#include "ir/types.hpp"

// "fn buildCircuit": creates every component of a single module through the
// engine, connects them and returns the engine components of its pins.
namespace vorn::build_fn {

// Fails with UnsupportedSubCircuitInPhase4, UnresolvedComponentName,
// InvalidFromComponentId, InvalidToComponentId, InvalidInputComponentId,
// MissingOutputComponent or InvalidOutputComponentId.
Result<void> emitBuildFunction(writer::Writer& out, const types::Module& module);

// Shared with the per-file build functions of a project:
// the "{field}: *engine.Component," lines of the returned struct, at level 1;
void emitPinStructFields(writer::Writer& out, const types::Module& module);
// the "try circuit.connect(...)" lines at level 1; a sub-circuit instance is
// reached through the pin fields its build function returned;
Result<void> emitConnections(writer::Writer& out, const types::Module& module,
                             const component_index::ComponentIndex& index);
// the "return .{ ... };" block, at level 1, that hands out the pin components.
Result<void> emitPinReturn(writer::Writer& out, const types::Module& module,
                           const component_index::ComponentIndex& index);

}  // namespace vorn::build_fn
