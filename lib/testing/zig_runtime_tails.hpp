#pragma once

// Expected runtime export blocks of generated source, after the id lists:
// the fixed lines of a single module and of a project whose root is file 0.
// They differ only in how init builds the circuit.
#include <string>
#include <string_view>

namespace vorn::testing {
namespace zig_runtime_parts {

inline constexpr std::string_view kHelpers = R"(var gpa = std.heap.wasm_allocator;
var runtime_initialized: bool = false;
var runtime_circuit: engine.Circuit = undefined;
var component_table: []const *engine.Component = &.{};

fn emptyPtrLen() PtrLen {
    return .{ .ptr = null, .len = 0 };
}

fn containsId(list: []const u32, id: u32) bool {
    for (list) |candidate| {
        if (candidate == id) return true;
    }
    return false;
}

fn bufferFromStaticBytes(bytes: []const u8) PtrLen {
    if (bytes.len == 0) return emptyPtrLen();
    const buffer = gpa.alloc(u8, bytes.len) catch return emptyPtrLen();
    std.mem.copyForwards(u8, buffer, bytes);
    return .{ .ptr = buffer.ptr, .len = buffer.len };
}

)";

inline constexpr std::string_view kProjectBuildRoot = R"(fn buildRoot(circuit: *engine.Circuit) !void {
    _ = try buildFile_0(circuit);
}

)";

inline constexpr std::string_view kInitHead = R"(export fn init() void {
    if (runtime_initialized) return;
    runtime_circuit = engine.Circuit.init() catch return;
)";

inline constexpr std::string_view kModuleBuild = R"(    _ = buildCircuit(&runtime_circuit) catch {
)";

inline constexpr std::string_view kProjectBuild = R"(    buildRoot(&runtime_circuit) catch {
)";

// The rest of init and every export after it.
inline constexpr std::string_view kAfterBuild = R"(        runtime_circuit.deinit();
        return;
    };
    component_table = runtime_circuit.nodes.items;
    if (component_table.len != expected_component_count) {
        runtime_circuit.deinit();
        component_table = &.{};
        return;
    }
    runtime_initialized = true;
}

export fn deinit() void {
    if (!runtime_initialized) return;
    runtime_circuit.deinit();
    component_table = &.{};
    runtime_initialized = false;
}

export fn reset() void {
    if (runtime_initialized) deinit();
    init();
}

export fn run() void {
    if (!runtime_initialized) return;
    runtime_circuit.propagate() catch return;
}

export fn stop() void {
    // v0 no-op; retained for forward-compatible runtime API shape.
}

export fn setPin(component_id: i32, state: i32) void {
    if (!runtime_initialized) return;
    if (component_id < 0) return;
    const id: u32 = @intCast(component_id);
    if (id >= component_table.len) return;
    if (!containsId(input_component_ids, id)) return;
    runtime_circuit.propagateEvent(component_table[id], engine.State.fromInt(state)) catch return;
}

export fn getOutputState(component_id: i32) i32 {
    if (!runtime_initialized) return 2;
    if (component_id < 0) return 2;
    const id: u32 = @intCast(component_id);
    if (id >= component_table.len) return 2;
    if (!containsId(output_component_ids, id)) return 2;
    return engine.State.toInt(component_table[id].output_state);
}

export fn getStateSnapshot() callconv(.c) PtrLen {
    if (!runtime_initialized) return emptyPtrLen();
    const encoded = runtime_circuit.encodeState() catch return emptyPtrLen();
    return .{ .ptr = encoded.ptr, .len = encoded.len };
}

export fn getTopology() callconv(.c) PtrLen {
    return bufferFromStaticBytes(topology_blob);
}

export fn getPendingEvents() callconv(.c) PtrLen {
    const empty_pending: []const u8 = &.{};
    return bufferFromStaticBytes(empty_pending);
}

export fn getFileInfo() callconv(.c) PtrLen {
    return .{ .ptr = file_info_blob.ptr, .len = file_info_blob.len };
}

export fn freeBuffer(ptr: ?[*]const u8, len: usize) void {
    if (len == 0) return;
    const non_null = ptr orelse return;
    const mutable: [*]u8 = @constCast(non_null);
    gpa.free(mutable[0..len]);
}
)";

}  // namespace zig_runtime_parts

inline const std::string kModuleRuntimeTail =
    std::string(zig_runtime_parts::kHelpers) + std::string(zig_runtime_parts::kInitHead) +
    std::string(zig_runtime_parts::kModuleBuild) + std::string(zig_runtime_parts::kAfterBuild);

inline const std::string kProjectRuntimeTail =
    std::string(zig_runtime_parts::kHelpers) + std::string(zig_runtime_parts::kProjectBuildRoot) +
    std::string(zig_runtime_parts::kInitHead) + std::string(zig_runtime_parts::kProjectBuild) +
    std::string(zig_runtime_parts::kAfterBuild);

}  // namespace vorn::testing
