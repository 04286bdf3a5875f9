#include "emit/debug_paths.hpp"

#include <string>

namespace vorn::debug_paths {

void emitDebugPathsOpening(writer::Writer& out) {
  out.writeLine("const DebugPath = struct {");
  out.indent();
  out.writeLine("component_id: u32,");
  out.writeLine("segments: []const []const u8,");
  out.dedent();
  out.writeLine("};");
  out.writeLine("const debug_paths: []const DebugPath = &.{");
}

void emitDebugPathRow(writer::Writer& out, std::uint32_t component_id, const std::vector<std::string_view>& segments) {
  out.writeLineFmt(".{{ .component_id = {}, .segments = {} }},", component_id, writer::listLiteral(segments));
}

void emitDebugPathsClosing(writer::Writer& out) { out.writeLine("};"); }

void emitDebugPathsConstants(writer::Writer& out, const types::Module& module, const EmitOptions& options) {
  emitDebugPathsOpening(out);
  out.indent();
  std::vector<std::string_view> segments(2);
  segments[0] = options.source_name;
  std::string generated_leaf;
  for (const types::Component& component : module.components) {
    if (component.instance_name.empty()) {
      generated_leaf = "component_" + std::to_string(component.id.value);
      segments[1] = generated_leaf;
    } else {
      segments[1] = component.instance_name;
    }
    emitDebugPathRow(out, component.id.value, segments);
  }
  out.dedent();
  emitDebugPathsClosing(out);
}

}  // namespace vorn::debug_paths
