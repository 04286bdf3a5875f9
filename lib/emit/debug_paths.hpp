#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "emit/main.hpp"
#include "emit/writer.hpp"
#include "ir/types.hpp"

// The "debug_paths" table that maps engine component ids to readable paths.
namespace vorn::debug_paths {

using EmitOptions = emit::EmitOptions;

// The DebugPath struct and the opening line of the table.
void emitDebugPathsOpening(writer::Writer& out);
// One row ".{ .component_id = {id}, .segments = &.{ ... } },", at the writer's level.
void emitDebugPathRow(writer::Writer& out, std::uint32_t component_id, const std::vector<std::string_view>& segments);
// The closing line of the table.
void emitDebugPathsClosing(writer::Writer& out);

// The whole table of a single module: one row per component, with the
// segments [source name, instance name or "component_{id}"].
void emitDebugPathsConstants(writer::Writer& out, const types::Module& module, const EmitOptions& options);

}  // namespace vorn::debug_paths
