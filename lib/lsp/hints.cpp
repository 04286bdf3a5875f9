#include "lsp/hints.hpp"

#include <map>

#include "core/text_arena.hpp"
#include "resolver/file_loader.hpp"

namespace vorn::lsp {

namespace {

bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isNameByte(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One line of the text: the part before any `//` comment outside quotes.
struct Line {
  std::uint32_t number = 0;  // 1-based
  std::string_view code;
};

template <typename Visit>
void forEachLine(std::string_view text, Visit visit) {
  std::uint32_t number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') quoted = !quoted;
      if (!quoted && line[i] == '/' && i + 1 < line.size() && line[i + 1] == '/') {
        line = line.substr(0, i);
        break;
      }
    }
    if (!visit(Line{.number = ++number, .code = line})) return;
    if (end == text.size()) return;
    start = end + 1;
  }
}

Span spanAt(std::uint32_t line, std::size_t col0, std::size_t width) {
  const auto col = static_cast<std::uint32_t>(col0 + 1);
  return Span{.file_id = 0,
              .start_line = line,
              .start_col = col,
              .end_line = line,
              .end_col = col + static_cast<std::uint32_t>(width)};
}

PlacedDiagnostic hint(std::string_view path, Span span, std::string message) {
  return PlacedDiagnostic{.path = std::string(path),
                          .span = span,
                          .level = diagnostics::DiagnosticLevel::err,
                          .code = std::nullopt,
                          .message = std::move(message),
                          .notes = {},
                          .information = true};
}

std::size_t firstNonBlank(std::string_view code) {
  std::size_t i = 0;
  while (i < code.size() && isBlank(code[i])) ++i;
  return i;
}

// `;` anywhere, and an operator or `=` right after a name that starts a line.
void textHints(const RootText& root, std::vector<PlacedDiagnostic>& hints) {
  constexpr std::string_view kOperators = "=^&|+-*~!";
  forEachLine(root.text, [&](const Line& line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.code.size(); ++i) {
      if (line.code[i] == '"') quoted = !quoted;
      if (!quoted && line.code[i] == ';') {
        hints.push_back(hint(root.path, spanAt(line.number, i, 1),
                             "';' is not part of vorn: a declaration ends at the end of its line"));
      }
    }
    std::size_t i = firstNonBlank(line.code);
    if (i < line.code.size() && isNameStart(line.code[i])) {
      while (i < line.code.size() && isNameByte(line.code[i])) ++i;
      while (i < line.code.size() && isBlank(line.code[i])) ++i;
      if (i < line.code.size() && kOperators.find(line.code[i]) != std::string_view::npos) {
        hints.push_back(hint(root.path, spanAt(line.number, i, 1),
                             "vorn has no operators or assignments: use a gate, e.g. xor s(a=a, b=b)"));
      }
    }
    return true;
  });
}

// The grammar stopped at the start of a line while the line before still
// has a binding list open: the `)` was forgotten there.
void missingParenthesis(const RootText& root, std::vector<PlacedDiagnostic>& hints) {
  if (!root.unread) return;
  const translate::SyntaxError& error = *root.unread;
  std::vector<Line> lines;
  forEachLine(root.text, [&](const Line& line) {
    lines.push_back(line);
    return line.number < error.line;
  });
  if (lines.size() < 2 || lines.back().number != error.line) return;
  const std::string_view stopped = lines.back().code;
  if (firstNonBlank(stopped.substr(0, std::min<std::size_t>(stopped.size(), error.col - 1))) <
      std::min<std::size_t>(stopped.size(), error.col - 1)) {
    return;
  }
  for (std::size_t k = lines.size() - 1; k-- > 0;) {
    const std::string_view code = lines[k].code;
    std::size_t end = code.size();
    while (end > 0 && isBlank(code[end - 1])) --end;
    if (end == 0) continue;
    long open = 0;
    for (char c : code) open += c == '(' ? 1 : c == ')' ? -1 : 0;
    if (open > 0) hints.push_back(hint(root.path, spanAt(lines[k].number, end, 1), "missing ')'"));
    return;
  }
}

// Failures the compiler reports without a place.
void unplacedFailures(const RootText& root, std::vector<PlacedDiagnostic>& hints) {
  if (!root.parse_failed) return;
  if (translate::nothingDeclared(root.text)) {
    hints.push_back(hint(root.path, spanAt(1, 0, 1), "the file declares nothing: add input, output or a gate"));
    return;
  }
  forEachLine(root.text, [&](const Line& line) {
    const std::size_t start = firstNonBlank(line.code);
    std::string_view rest = line.code.substr(start);
    if (!rest.starts_with("import")) return true;
    std::size_t i = 6;
    while (i < rest.size() && isBlank(rest[i])) ++i;
    if (i < rest.size() && rest[i] == '"') {
      std::size_t end = rest.size();
      while (end > 0 && isBlank(rest[end - 1])) --end;
      hints.push_back(
          hint(root.path, spanAt(line.number, start, end), "an import needs an alias: import NAME \"file.vorn\""));
    }
    return true;
  });
}

// The name a binding's value gives its driver.
std::string driverName(const ast::SignalSource& value, std::string_view port) {
  if (value.tag == ast::SignalSource::Tag::named) {
    const ast::NamedSignalRef& ref = value.named;
    if (ref.port.span == ref.span) return std::string(ref.target.text);
    return std::string(ref.target.text) + "." + std::string(ref.port.text);
  }
  const std::string type = value.anonymous ? std::string(value.anonymous->type_name.text) : "gate";
  return "an anonymous " + type + " (port " + std::string(port) + ")";
}

// The binding that starts at `at`, anywhere in the file.
std::optional<std::string> driverAt(const ast::File& file, const Span& at, std::string_view port) {
  auto starts = [&](const Span& span) { return span.start_line == at.start_line && span.start_col == at.start_col; };
  std::vector<const ast::ComponentInstance*> stack;
  std::vector<const ast::SignalSource*> sources;
  for (const ast::OutputDecl& output : file.outputs) {
    if (output.port && starts(output.port->span)) return driverName(output.value, port);
    for (const ast::PortConnection& binding : output.later_bindings) {
      if (starts(binding.span)) return driverName(binding.value, port);
    }
    sources.push_back(&output.value);
  }
  for (const ast::ComponentInstance& instance : file.components) stack.push_back(&instance);
  while (!stack.empty() || !sources.empty()) {
    if (!sources.empty()) {
      const ast::SignalSource* source = sources.back();
      sources.pop_back();
      if (source->tag == ast::SignalSource::Tag::anonymous && source->anonymous)
        stack.push_back(source->anonymous.get());
      continue;
    }
    const ast::ComponentInstance* instance = stack.back();
    stack.pop_back();
    for (const ast::PortConnection& binding : instance->ports) {
      if (starts(binding.span)) return driverName(binding.value, port);
      sources.push_back(&binding.value);
    }
  }
  return std::nullopt;
}

}  // namespace

// `output c` reads the "out" of whatever is called c, which is the output
// itself unless the name is taken twice.
void addUnconnectedOutputHints(std::string_view path, const ast::File& file, std::vector<PlacedDiagnostic>& hints) {
  for (const ast::OutputDecl& output : file.outputs) {
    if (output.port || output.value.tag != ast::SignalSource::Tag::named) continue;
    if (output.value.named.target.text != output.name.text) continue;
    const std::string name(output.name.text);
    hints.push_back(
        hint(path, output.name.span, "output '" + name + "' is not connected: write output " + name + "(in=SIGNAL)"));
  }
}

std::vector<PlacedDiagnostic> rootHints(const RootText& given) {
  // Columns count as the compiler's do, after a byte order mark.
  RootText root = given;
  root.text = file_loader::withoutByteOrderMark(root.text);
  std::vector<PlacedDiagnostic> hints;
  if (root.file != nullptr) addUnconnectedOutputHints(root.path, *root.file, hints);
  textHints(root, hints);
  missingParenthesis(root, hints);
  unplacedFailures(root, hints);
  return hints;
}

void nameComponentsInNotes(std::vector<PlacedDiagnostic>& list,
                           const std::function<std::shared_ptr<const std::string>(const std::string&)>& textOf) {
  TextArena arena;
  std::map<std::string, std::optional<ast::File>> trees;
  std::vector<std::shared_ptr<const std::string>> texts;  // the trees point into them
  for (PlacedDiagnostic& diagnostic : list) {
    using diagnostics::DiagnosticCode;
    if (diagnostic.code != DiagnosticCode::E003 && diagnostic.code != DiagnosticCode::E005) continue;
    std::vector<PlacedNote> named;
    for (const PlacedNote& note : diagnostic.notes) {
      constexpr std::string_view kComponent = "component ";
      const std::size_t at = note.message.find(kComponent);
      if (at == std::string::npos || !note.span) continue;
      std::size_t digits = at + kComponent.size();
      std::size_t end = digits;
      while (end < note.message.size() && note.message[end] >= '0' && note.message[end] <= '9') ++end;
      if (end == digits) continue;
      const std::string_view port = end < note.message.size() && note.message[end] == '.'
                                        ? std::string_view(note.message).substr(end + 1)
                                        : "out";
      auto [slot, fresh] = trees.try_emplace(note.path);
      if (fresh) {
        texts.push_back(textOf(note.path));
        auto parsed = translate::parseSource(arena, *texts.back(), 0);
        if (parsed) slot->second = std::move(*parsed);
      }
      if (!slot->second) continue;
      auto driver = driverAt(*slot->second, *note.span, port);
      if (!driver) continue;
      named.push_back(
          PlacedNote{.path = note.path, .span = note.span, .message = note.message.substr(0, at) + *driver});
    }
    for (PlacedNote& note : named) diagnostic.notes.push_back(std::move(note));
  }
}

}  // namespace vorn::lsp
