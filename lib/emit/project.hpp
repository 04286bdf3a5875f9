#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_arena.hpp"
#include "core/error.hpp"
#include "emit/main.hpp"
#include "ir/types.hpp"

namespace vorn::project {

using EmitOptions = emit::EmitOptions;

// One primitive of the fully instantiated circuit.
struct ComponentEntry {
  std::vector<std::string_view> segments;  // source name, enclosing instances, leaf
  std::uint32_t global_id = 0;             // creation index in the whole circuit
  std::uint32_t file_id = 0;               // file that declares the component
  std::uint32_t local_id = 0;              // its id within that file
};

// One sub-circuit instance of the fully instantiated circuit.
struct SubCircuitEntry {
  std::vector<std::string_view> instance_path;  // source name down to this instance
  std::uint32_t target_file_id = 0;
};

struct ProjectLayout {
  std::vector<ComponentEntry> entries;
  std::vector<SubCircuitEntry> sub_circuits;
  std::vector<std::uint32_t> root_input_global_ids;
  std::vector<std::uint32_t> root_output_global_ids;
  std::uint32_t expected_count = 0;
  // Holds the generated segments ("comp_{id}", "anon_{id}").
  std::unique_ptr<TextArena> names = std::make_unique<TextArena>();
};

// Zig source for a project: one build function per file, the root built
// through them. Fails with UnresolvedSubCircuitTarget, UnresolvedComponentName,
// MissingRootInputId, MissingRootOutputId, MissingOutputComponent,
// InvalidFromComponentId, InvalidToComponentId, InvalidInputComponentId,
// InvalidOutputComponentId, StringTooLong or TooManyPins.
Result<std::string> emitProjectSource(const types::Project& project, const emit::EmitOptions& options);

// Numbers every primitive of the instantiated circuit depth first, in the
// order the generated build functions create them. A sub-circuit that
// (directly or not) instantiates its own file fails with InternalError
// instead of expanding forever.
Result<ProjectLayout> computeLayout(const types::Project& project, std::string_view source_name);

// The target of the first import of `importing_file` named `alias`.
std::optional<std::uint32_t> lookupTargetFile(const std::vector<types::ResolvedImport>& import_table,
                                              types::FileId importing_file, std::string_view alias);

// The first output-pin component named `name`.
std::optional<types::ComponentId> findOutputPinComponent(const std::vector<types::Component>& components,
                                                         std::string_view name);

}  // namespace vorn::project
