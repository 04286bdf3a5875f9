#include "emit/runtime.hpp"

#include <string>

namespace vorn::runtime {

namespace {

struct FixedLine {
  std::size_t level;
  const char* text;
};

// Globals and helpers, up to the empty line after bufferFromStaticBytes.
constexpr FixedLine kHelpers[] = {
    {0, "var gpa = std.heap.wasm_allocator;"},
    {0, "var runtime_initialized: bool = false;"},
    {0, "var runtime_circuit: engine.Circuit = undefined;"},
    {0, "var component_table: []const *engine.Component = &.{};"},
    {0, ""},
    {0, "fn emptyPtrLen() PtrLen {"},
    {1, "return .{ .ptr = null, .len = 0 };"},
    {0, "}"},
    {0, ""},
    {0, "fn containsId(list: []const u32, id: u32) bool {"},
    {1, "for (list) |candidate| {"},
    {2, "if (candidate == id) return true;"},
    {1, "}"},
    {1, "return false;"},
    {0, "}"},
    {0, ""},
    {0, "fn bufferFromStaticBytes(bytes: []const u8) PtrLen {"},
    {1, "if (bytes.len == 0) return emptyPtrLen();"},
    {1, "const buffer = gpa.alloc(u8, bytes.len) catch return emptyPtrLen();"},
    {1, "std.mem.copyForwards(u8, buffer, bytes);"},
    {1, "return .{ .ptr = buffer.ptr, .len = buffer.len };"},
    {0, "}"},
    {0, ""},
};

// init up to the call that builds the circuit.
constexpr FixedLine kInitOpening[] = {
    {0, "export fn init() void {"},
    {1, "if (runtime_initialized) return;"},
    {1, "runtime_circuit = engine.Circuit.init() catch return;"},
};

// The rest of init (the failure branch of the build call) and every export after it.
constexpr FixedLine kInitRest[] = {
    {2, "runtime_circuit.deinit();"},
    {2, "return;"},
    {1, "};"},
    {1, "component_table = runtime_circuit.nodes.items;"},
    {1, "if (component_table.len != expected_component_count) {"},
    {2, "runtime_circuit.deinit();"},
    {2, "component_table = &.{};"},
    {2, "return;"},
    {1, "}"},
    {1, "runtime_initialized = true;"},
    {0, "}"},
    {0, ""},
    {0, "export fn deinit() void {"},
    {1, "if (!runtime_initialized) return;"},
    {1, "runtime_circuit.deinit();"},
    {1, "component_table = &.{};"},
    {1, "runtime_initialized = false;"},
    {0, "}"},
    {0, ""},
    {0, "export fn reset() void {"},
    {1, "if (runtime_initialized) deinit();"},
    {1, "init();"},
    {0, "}"},
    {0, ""},
    {0, "export fn run() void {"},
    {1, "if (!runtime_initialized) return;"},
    {1, "runtime_circuit.propagate() catch return;"},
    {0, "}"},
    {0, ""},
    {0, "export fn stop() void {"},
    {1, "// v0 no-op; retained for forward-compatible runtime API shape."},
    {0, "}"},
    {0, ""},
    {0, "export fn setPin(component_id: i32, state: i32) void {"},
    {1, "if (!runtime_initialized) return;"},
    {1, "if (component_id < 0) return;"},
    {1, "const id: u32 = @intCast(component_id);"},
    {1, "if (id >= component_table.len) return;"},
    {1, "if (!containsId(input_component_ids, id)) return;"},
    {1, "runtime_circuit.propagateEvent(component_table[id], engine.State.fromInt(state)) catch return;"},
    {0, "}"},
    {0, ""},
    {0, "export fn getOutputState(component_id: i32) i32 {"},
    {1, "if (!runtime_initialized) return 2;"},
    {1, "if (component_id < 0) return 2;"},
    {1, "const id: u32 = @intCast(component_id);"},
    {1, "if (id >= component_table.len) return 2;"},
    {1, "if (!containsId(output_component_ids, id)) return 2;"},
    {1, "return engine.State.toInt(component_table[id].output_state);"},
    {0, "}"},
    {0, ""},
    {0, "export fn getStateSnapshot() callconv(.c) PtrLen {"},
    {1, "if (!runtime_initialized) return emptyPtrLen();"},
    {1, "const encoded = runtime_circuit.encodeState() catch return emptyPtrLen();"},
    {1, "return .{ .ptr = encoded.ptr, .len = encoded.len };"},
    {0, "}"},
    {0, ""},
    {0, "export fn getTopology() callconv(.c) PtrLen {"},
    {1, "return bufferFromStaticBytes(topology_blob);"},
    {0, "}"},
    {0, ""},
    {0, "export fn getPendingEvents() callconv(.c) PtrLen {"},
    {1, "const empty_pending: []const u8 = &.{};"},
    {1, "return bufferFromStaticBytes(empty_pending);"},
    {0, "}"},
    {0, ""},
    {0, "export fn getFileInfo() callconv(.c) PtrLen {"},
    {1, "return .{ .ptr = file_info_blob.ptr, .len = file_info_blob.len };"},
    {0, "}"},
    {0, ""},
    {0, "export fn freeBuffer(ptr: ?[*]const u8, len: usize) void {"},
    {1, "if (len == 0) return;"},
    {1, "const non_null = ptr orelse return;"},
    {1, "const mutable: [*]u8 = @constCast(non_null);"},
    {1, "gpa.free(mutable[0..len]);"},
    {0, "}"},
};

void writeFixed(writer::Writer& out, std::span<const FixedLine> lines) {
  for (const FixedLine& line : lines) {
    while (out.indentLevel() < line.level) out.indent();
    while (out.indentLevel() > line.level) out.dedent();
    out.writeLine(line.text);
  }
  while (out.indentLevel() > 0) out.dedent();
}

void writeIdList(writer::Writer& out, std::string_view name, std::span<const std::uint32_t> ids) {
  out.writeLineFmt("const {}: []const u32 = &.{{", name);
  out.indent();
  for (std::uint32_t id : ids) out.writeLineFmt("{},", id);
  out.dedent();
  out.writeLine("};");
}

}  // namespace

void emitTopologyPlaceholder(writer::Writer& out) {
  out.writeLine("const topology_blob: []const u8 = \"vorn.topology.v0.min\";");
}

void emitRuntimeExports(writer::Writer& out, const RuntimeShape& shape) {
  out.writeLine("const PtrLen = extern struct { ptr: ?[*]const u8, len: usize };");
  out.writeLineFmt("const expected_component_count: usize = {};", shape.expected_component_count);
  writeIdList(out, "input_component_ids", shape.input_component_ids);
  writeIdList(out, "output_component_ids", shape.output_component_ids);
  writeFixed(out, kHelpers);
  if (shape.root_file_id) {
    out.writeLine("fn buildRoot(circuit: *engine.Circuit) !void {");
    out.indent();
    out.writeLineFmt("_ = try buildFile_{}(circuit);", *shape.root_file_id);
    out.dedent();
    out.writeLine("}");
    out.writeLine("");
  }
  writeFixed(out, kInitOpening);
  out.indent();
  out.writeLine(shape.root_file_id ? "buildRoot(&runtime_circuit) catch {"
                                   : "_ = buildCircuit(&runtime_circuit) catch {");
  out.dedent();
  writeFixed(out, kInitRest);
}

}  // namespace vorn::runtime
