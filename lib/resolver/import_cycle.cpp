#include "resolver/import_cycle.hpp"

#include <unordered_set>

#include "resolver/builtins.hpp"

namespace vorn::import_cycle {

namespace {

enum class State : std::uint8_t { white = 0, gray = 1, black = 2 };

// One file on the current path and the index of its next import to follow:
// the explicit stand-in for a recursive call.
struct Frame {
  std::uint32_t file = 0;
  std::size_t next_import = 0;
};

struct Ctx {
  const std::vector<std::string_view>& file_paths;
  std::vector<std::vector<const scan_imports::ResolvedImport*>> by_importer;
  std::vector<State> states;
  std::vector<std::uint32_t> stack;              // files on the current path
  std::vector<std::uint32_t> position_on_stack;  // valid while a file is gray
  std::vector<Frame> frames;
  std::vector<std::uint32_t> topo;
  std::vector<diagnostics::Diagnostic> diagnostics_list;
  std::unordered_set<std::string> seen_cycles;
};

void appendCycleDiagnostic(Ctx& ctx, const std::vector<std::uint32_t>& members, diagnostics::Span span) {
  std::string paths;
  std::vector<diagnostics::DiagnosticNote> notes;
  notes.reserve(members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    std::string_view path = ctx.file_paths[members[i]];
    if (i > 0) paths.append(codes::kCyclePathSeparator);
    paths.append(path);
    notes.push_back(diagnostics::makeNote<diagnostics::NoteKind::cycle_member>(span, {path}));
  }
  ctx.diagnostics_list.push_back(
      diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E010>(span, {paths}, std::move(notes)));
}

void closeCycle(Ctx& ctx, std::uint32_t importing_file, std::uint32_t target, diagnostics::Span span) {
  if (!participatesInImportCycles(ctx.file_paths[importing_file])) return;
  std::vector<std::uint32_t> members(ctx.stack.begin() + ctx.position_on_stack[target], ctx.stack.end());
  std::string key = cycleKey(members);
  if (!ctx.seen_cycles.insert(std::move(key)).second) return;
  appendCycleDiagnostic(ctx, members, span);
}

void enter(Ctx& ctx, std::uint32_t file) {
  ctx.states[file] = State::gray;
  ctx.position_on_stack[file] = static_cast<std::uint32_t>(ctx.stack.size());
  ctx.stack.push_back(file);
  ctx.frames.push_back(Frame{.file = file, .next_import = 0});
}

void walk(Ctx& ctx, std::uint32_t start) {
  enter(ctx, start);
  while (!ctx.frames.empty()) {
    Frame& frame = ctx.frames.back();
    const auto& imports = ctx.by_importer[frame.file];
    if (frame.next_import == imports.size()) {
      std::uint32_t file = frame.file;
      ctx.frames.pop_back();
      ctx.stack.pop_back();
      ctx.states[file] = State::black;
      ctx.topo.push_back(file);
      continue;
    }
    const scan_imports::ResolvedImport& record = *imports[frame.next_import++];
    const std::uint32_t target = record.target_file;
    switch (ctx.states[target]) {
      case State::white:
        enter(ctx, target);  // `frame` may dangle from here on
        break;
      case State::black: break;
      case State::gray: closeCycle(ctx, frame.file, target, record.span); break;
    }
  }
}

}  // namespace

bool participatesInImportCycles(std::string_view importing_path) { return !builtins::hasVirtualPrefix(importing_path); }

std::string cycleKey(const std::vector<std::uint32_t>& members) {
  std::string key;
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i > 0) key.push_back('-');
    key.append(std::to_string(members[i]));
  }
  return key;
}

Result<AnalyzeResult> analyzeImports(const std::vector<std::string_view>& file_paths,
                                     const std::vector<scan_imports::ResolvedImport>& import_table) {
  const std::size_t file_count = file_paths.size();
  Ctx ctx{file_paths, {}, {}, {}, {}, {}, {}, {}, {}};
  ctx.by_importer.resize(file_count);
  for (const scan_imports::ResolvedImport& record : import_table) {
    // The scan only records edges between known files; anything else would
    // index past the tables, so it is dropped rather than trusted.
    if (record.importing_file >= file_count || record.target_file >= file_count) continue;
    ctx.by_importer[record.importing_file].push_back(&record);
  }
  ctx.states.assign(file_count, State::white);
  ctx.position_on_stack.assign(file_count, 0);
  ctx.topo.reserve(file_count);

  for (std::uint32_t file = 0; file < file_count; ++file) {
    if (ctx.states[file] == State::white) walk(ctx, file);
  }
  return AnalyzeResult{.topo_order = std::move(ctx.topo), .diagnostics = std::move(ctx.diagnostics_list)};
}

}  // namespace vorn::import_cycle
