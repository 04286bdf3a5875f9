#include "emit/project.hpp"

#include <string>

#include "emit/build_fn.hpp"
#include "emit/debug_paths.hpp"
#include "emit/file_info.hpp"
#include "ir/flattened_size.hpp"
#include "ir/import_targets.hpp"
#include "emit/runtime.hpp"
#include "emit/writer.hpp"

namespace vorn::project {

namespace {

file_info_format::FileInfo projectFileInfo(const types::Project& project, const ProjectLayout& layout,
                                           const EmitOptions& options) {
  const types::Module& root = project.files[project.root_file_id.value];
  file_info_format::FileInfo info;
  info.source_name = options.source_name;
  info.compile_timestamp = options.compile_timestamp;
  info.compiler_version = options.compiler_version;
  info.file_id = project.root_file_id.value;
  info.component_count = layout.expected_count;
  // Each file counts once, however many instances of it the circuit holds.
  std::size_t connections = 0;
  for (const types::Module& module : project.files) connections += module.connections.size();
  info.connection_count = static_cast<std::uint32_t>(connections);
  for (std::size_t i = 0; i < root.inputs.size(); ++i) {
    info.inputs.push_back({root.inputs[i].name, layout.root_input_global_ids[i]});
  }
  for (std::size_t i = 0; i < root.outputs.size(); ++i) {
    info.outputs.push_back({root.outputs[i].name, layout.root_output_global_ids[i]});
  }
  return info;
}

void emitSubCircuitTable(writer::Writer& out, const ProjectLayout& layout) {
  out.writeLine("const SubCircuit = struct {");
  out.indent();
  out.writeLine("instance_path: []const []const u8,");
  out.writeLine("target_file_id: u32,");
  out.dedent();
  out.writeLine("};");
  out.writeLine("const sub_circuits: []const SubCircuit = &.{");
  out.indent();
  for (const SubCircuitEntry& entry : layout.sub_circuits) {
    out.writeLineFmt(".{{ .instance_path = {}, .target_file_id = {} }},", writer::listLiteral(entry.instance_path),
                     entry.target_file_id);
  }
  out.dedent();
  out.writeLine("};");
}

void emitProjectDebugPaths(writer::Writer& out, const ProjectLayout& layout) {
  debug_paths::emitDebugPathsOpening(out);
  out.indent();
  for (const ComponentEntry& entry : layout.entries)
    debug_paths::emitDebugPathRow(out, entry.global_id, entry.segments);
  out.dedent();
  debug_paths::emitDebugPathsClosing(out);
}

}  // namespace

Result<std::string> emitProjectSource(const types::Project& project, const emit::EmitOptions& options) {
  // The layout comes first: it refuses what cannot be instantiated before any text is built.
  if (!flattened_size::fitsLimits(project)) return fail(Error::CircuitTooLarge);
  VORN_TRY(const ProjectLayout layout, computeLayout(project, options.source_name));

  writer::Writer out;
  emit::emitHeader(out, options);
  const import_targets::ImportTargets targets(project.import_table);
  for (std::size_t file_id = 0; file_id < project.files.size(); ++file_id) {
    VORN_TRY_VOID(build_fn::emitFileBuildFunction(out, project, static_cast<std::uint32_t>(file_id), targets));
    out.writeLine("");
  }
  VORN_TRY_VOID(file_info::emitFileInfoConstants(out, projectFileInfo(project, layout, options)));
  out.writeLine("");
  emitSubCircuitTable(out, layout);
  out.writeLine("");
  emitProjectDebugPaths(out, layout);
  out.writeLine("");
  runtime::emitTopologyPlaceholder(out);
  out.writeLine("");

  runtime::RuntimeShape shape;
  shape.expected_component_count = layout.expected_count;
  shape.input_component_ids = layout.root_input_global_ids;
  shape.output_component_ids = layout.root_output_global_ids;
  shape.root_file_id = project.root_file_id.value;
  runtime::emitRuntimeExports(out, shape);
  return out.toOwnedSlice();
}

}  // namespace vorn::project
