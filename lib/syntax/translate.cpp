#include "syntax/translate.hpp"

#include <algorithm>
#include <limits>
#include <optional>
#include <memory>
#include <string>
#include <utility>

#include "core/control_bytes.hpp"
#include "parser/parser.hpp"
#include "core/primitive_kinds.hpp"
#include "syntax/translate_steps.hpp"

namespace vorn::translate {
namespace {

constexpr std::string_view kOutPort = primitive_kinds::kOutputPort;

struct ParserDeleter {
  void operator()(Parser* p) const { Parser_Delete(p); }
};

Result<void> translateItem(TranslationContext& ctx, ll_node_id node, ast::File& file) {
  if (nodeRule(ctx, node) == LL_NAME_DECLARATION) return parseDeclaration(ctx, node, file);
  VORN_TRY(auto import, parseImportDecl(ctx, node));
  file.imports.push_back(std::move(import));
  return {};
}

bool isItem(const TranslationContext& ctx, ll_node_id node) {
  return isRule(ctx, node, LL_NAME_DECLARATION) || isRule(ctx, node, LL_NAME_IMPORT_DECL);
}

// From the first port reference to the last: the node itself also covers
// the blanks and line breaks before the line.
Span connectionSpan(const TranslationContext& ctx, ll_node_id node) {
  Span span = nodeSpan(ctx, node);
  auto child = firstChild(ctx, node);
  if (!child || nodeType(ctx, *child) != LL_NODE_SEQUENCE) return span;
  const std::uint32_t count = childCount(ctx, *child);
  auto first = childAt(ctx, *child, 0);
  auto last = count > 0 ? childAt(ctx, *child, count - 1) : first;
  if (!first || !last) return span;
  const Span head = nodeSpan(ctx, *first);
  const Span tail = nodeSpan(ctx, *last);
  return Span{span.file_id, head.start_line, head.start_col, tail.end_line, tail.end_col};
}

// The names of an IdentList, each with its own span.
Result<void> identListNames(const TranslationContext& ctx, ll_node_id list, std::vector<ast::Identifier>& names) {
  VORN_TRY(auto decl, parseInputDecl(ctx, list));
  names = std::move(decl.names);
  return {};
}

}  // namespace

Result<void> expectNamedNode(const TranslationContext& ctx, ll_node_id node, std::int32_t rule) {
  if (nodeType(ctx, node) != LL_NODE_NODE) return fail(Error::ExpectedNamedNode);
  if (nodeRule(ctx, node) != rule) return fail(Error::UnexpectedNodeName);
  return {};
}

Result<ast::Identifier> parseIdentifier(const TranslationContext& ctx, ll_node_id node) {
  VORN_TRY_VOID(expectNamedNode(ctx, node, LL_NAME_IDENTIFIER));
  VORN_TRY(auto child, firstChild(ctx, node));
  if (nodeType(ctx, child) != LL_NODE_STRING) return fail(Error::ExpectedString);
  return ast::Identifier{nodeText(ctx, node), nodeSpan(ctx, node)};
}

Result<ast::Import> parseImportDecl(const TranslationContext& ctx, ll_node_id node) {
  VORN_TRY_VOID(expectNamedNode(ctx, node, LL_NAME_IMPORT_DECL));
  VORN_TRY(auto child, firstChild(ctx, node));
  std::uint32_t count = childCount(ctx, child);
  if (nodeType(ctx, child) != LL_NODE_SEQUENCE || count < 4) return fail(Error::InvalidImportDecl);
  VORN_TRY(auto alias_node, childAt(ctx, child, 1));
  VORN_TRY(auto alias, parseIdentifier(ctx, alias_node));
  // Four children: "import", alias, and two quotes around an empty path.
  // Five: the path string sits between the quotes.
  VORN_TRY(auto third, childAt(ctx, child, 3));
  if (nodeType(ctx, third) != LL_NODE_STRING) return fail(Error::InvalidImportDecl);
  ast::StringLiteral path;
  if (count == 4) {
    LineCol at = offsetToLineCol(ctx, nodeRange(ctx, third).start);
    path.text = nodeText(ctx, third).substr(0, 0);
    path.span = Span{ctx.file_id, at.line, at.col, at.line, at.col};
  } else {
    path.text = nodeText(ctx, third);
    path.span = nodeSpan(ctx, third);
  }
  return ast::Import{alias, path, nodeSpan(ctx, node)};
}

Result<std::string_view> parseComponentTypeText(const TranslationContext& ctx, ll_node_id node) {
  VORN_TRY_VOID(expectNamedNode(ctx, node, LL_NAME_COMPONENT_TYPE));
  VORN_TRY(auto child, firstChild(ctx, node));
  if (nodeType(ctx, child) == LL_NODE_STRING) return nodeText(ctx, child);
  if (isRule(ctx, child, LL_NAME_IDENTIFIER)) {
    VORN_TRY(auto name, parseIdentifier(ctx, child));
    return name.text;
  }
  return fail(Error::ExpectedString);
}

Result<ast::Identifier> parseTypeHead(const TranslationContext& ctx, ll_node_id sequence) {
  VORN_TRY(auto type_node, childAt(ctx, sequence, 0));
  VORN_TRY(auto type_text, parseComponentTypeText(ctx, type_node));
  return ast::Identifier{type_text, nodeSpan(ctx, type_node)};
}

Result<ast::InputDecl> parseInputDecl(const TranslationContext& ctx, ll_node_id node) {
  VORN_TRY_VOID(expectNamedNode(ctx, node, LL_NAME_IDENT_LIST));
  VORN_TRY(auto child, firstChild(ctx, node));
  ast::InputDecl decl;
  decl.span = nodeSpan(ctx, node);
  if (nodeType(ctx, child) != LL_NODE_SEQUENCE) {
    VORN_TRY(auto name, parseIdentifier(ctx, child));
    decl.names.push_back(name);
    return decl;
  }
  std::uint32_t count = childCount(ctx, child);
  for (std::uint32_t i = 0; i < count; ++i) {
    VORN_TRY(auto item, childAt(ctx, child, i));
    if (nodeType(ctx, item) != LL_NODE_NODE) continue;  // the commas
    VORN_TRY(auto name, parseIdentifier(ctx, item));
    decl.names.push_back(name);
  }
  return decl;
}

Result<void> parseComponentDecl(TranslationContext& ctx, ast::Identifier type_name, ll_node_id name_node,
                                ll_node_id bus_type, Span span, ast::File& file) {
  VORN_TRY(auto name, parseIdentifier(ctx, name_node));
  ast::ComponentInstance& component = file.components.emplace_back();
  component.type_name = type_name;
  component.instance_name = name;
  component.span = span;
  // On failure the half-built component is freed with the file.
  return parseBusType(ctx, bus_type, component.ports);
}

Result<void> parseOutputFromBusType(TranslationContext& ctx, ll_node_id name_node, ll_node_id bus_type, Span span,
                                    ast::File& file) {
  VORN_TRY(auto name, parseIdentifier(ctx, name_node));
  std::vector<ast::PortConnection> bindings;
  auto translated = parseBusType(ctx, bus_type, bindings);
  if (!translated || bindings.empty()) {
    ast::releaseNested(bindings);
    return fail(translated ? Error::InvalidOutputDecl : translated.error());
  }
  // Only the first binding drives the output; the port names and the later
  // bindings are kept for validation to judge.
  ast::OutputDecl& output = file.outputs.emplace_back();
  output.name = name;
  output.value = std::move(bindings.front().value);
  output.span = span;
  output.port = bindings.front().port;
  output.later_bindings.reserve(bindings.size() - 1);
  for (std::size_t i = 1; i < bindings.size(); ++i) output.later_bindings.push_back(std::move(bindings[i]));
  return {};
}

Result<void> parseDeclaration(TranslationContext& ctx, ll_node_id node, ast::File& file) {
  VORN_TRY_VOID(expectNamedNode(ctx, node, LL_NAME_DECLARATION));
  VORN_TRY(auto child, firstChild(ctx, node));
  std::uint32_t count = childCount(ctx, child);
  if (nodeType(ctx, child) != LL_NODE_SEQUENCE || (count != 2 && count != 3)) {
    return fail(Error::InvalidDeclaration);
  }
  VORN_TRY(auto type_name, parseTypeHead(ctx, child));
  VORN_TRY(auto second, childAt(ctx, child, 1));
  Span span = nodeSpan(ctx, node);
  const std::string_view type_text = type_name.text;

  if (count == 3) {
    VORN_TRY(auto bus_type, childAt(ctx, child, 2));
    if (type_text == "output") return parseOutputFromBusType(ctx, second, bus_type, span, file);
    return parseComponentDecl(ctx, type_name, second, bus_type, span, file);
  }

  if (type_text == "input") {
    VORN_TRY(auto inputs, parseInputDecl(ctx, second));
    file.inputs.push_back(std::move(inputs));
    return {};
  }
  std::vector<ast::Identifier> names;
  VORN_TRY_VOID(identListNames(ctx, second, names));
  for (const ast::Identifier& name : names) {
    if (type_text == "output") {
      // `output x` is driven by the "out" port of whatever is called x.
      ast::OutputDecl output{name, {}, span};
      output.value.named = ast::NamedSignalRef{name, ast::Identifier{kOutPort, name.span}, name.span};
      file.outputs.push_back(std::move(output));
    } else {
      ast::ComponentInstance& component = file.components.emplace_back();
      component.type_name = type_name;
      component.instance_name = name;
      component.span = span;
    }
  }
  return {};
}

namespace {

// Translates the items of a Program one by one, in source order: as the
// parser hands them over, or from a whole tree (translateProgram).
class ItemTranslator {
 public:
  explicit ItemTranslator(TranslationContext& ctx) : ctx_(ctx) {}

  static void handle(void* self, const ll_tree* /*tree*/, ll_node_id item) {
    static_cast<ItemTranslator*>(self)->take(item);
  }

  // The file once the parser is done; `root` is the Program node.
  Result<ast::File> finish(ll_node_id root) {
    // A file of one item that declares nothing is not a program.
    if (items_ == 1 && !first_is_item_) return fail(Error::InvalidProgram);
    if (failure_) return fail(*failure_);
    file_.span = nodeSpan(ctx_, root);
    return std::move(file_);
  }

 private:
  void take(ll_node_id item) {
    const bool declares = isItem(ctx_, item);
    if (items_++ == 0) first_is_item_ = declares;
    if (failure_) return;  // the first failure stands; the rest is only parsed
    if (!declares) {
      // Comments carry no meaning; connection lines none either, but are noted.
      if (isRule(ctx_, item, LL_NAME_CONNECTION)) {
        file_.connection_lines.push_back(connectionSpan(ctx_, item));
      }
      return;
    }
    makeRoom(item);
    if (auto done = translateItem(ctx_, item, file_); !done) failure_ = done.error();
  }

  // Grows the components to what the text read so far promises for the whole
  // file, which spares 10^5-line files the copies of repeated doubling.
  void makeRoom(ll_node_id item) {
    std::vector<ast::ComponentInstance>& components = file_.components;
    if (components.size() < components.capacity()) return;
    const auto read = static_cast<double>(std::max(nodeRange(ctx_, item).start, 1));
    const auto projected = static_cast<double>(components.size() + 1) * static_cast<double>(ctx_.source.size()) / read;
    const auto wanted = static_cast<std::size_t>(std::min(projected * 1.125, 1e9));
    components.reserve(std::max({wanted, 2 * components.size(), std::size_t{64}}));
  }

  TranslationContext& ctx_;
  ast::File file_;
  std::uint32_t items_ = 0;
  bool first_is_item_ = false;
  std::optional<Error> failure_;
};

}  // namespace

Result<ast::File> translateProgram(TranslationContext& ctx, ll_node_id root) {
  VORN_TRY_VOID(expectNamedNode(ctx, root, LL_NAME_PROGRAM));
  VORN_TRY(auto child, firstChild(ctx, root));
  ItemTranslator items(ctx);
  if (nodeType(ctx, child) != LL_NODE_SEQUENCE) {
    ItemTranslator::handle(&items, ctx.tree, child);
    return items.finish(root);
  }
  const std::uint32_t count = childCount(ctx, child);
  for (std::uint32_t i = 0; i < count; ++i) {
    VORN_TRY(auto item, childAt(ctx, child, i));
    ItemTranslator::handle(&items, ctx.tree, item);
  }
  return items.finish(root);
}

Result<ast::File> parseSource(TextArena& arena, std::string_view source, std::uint32_t file_id,
                              std::optional<SyntaxError>* syntax_error) {
  if (syntax_error != nullptr) syntax_error->reset();
  // Offsets in the parse tree are 32-bit.
  if (source.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return fail(Error::FileTooBig);
  }
  std::unique_ptr<Parser, ParserDeleter> parser(Parser_New());
  Parser_SetInput(parser.get(), source.data(), static_cast<std::int32_t>(source.size()));
  // Expectations only shape the message of a refused file, so they are
  // recorded only when the caller asks for that message.
  Parser_SetShowFails(parser.get(), syntax_error != nullptr);
  // Items are translated while the parser reads on, so that the parse tree
  // never holds more than one; a refused text discards what was translated.
  const ll_tree* tree = Parser_Tree(parser.get());
  TranslationContext ctx(arena, tree, source, file_id);
  ItemTranslator items(ctx);
  Parser_SetItemHandler(parser.get(), &ItemTranslator::handle, &items);
  // Text the grammar cannot read is located where reading stopped, whether
  // items came before it or the first item already fails (then from the
  // start: only blanks there mean a text with nothing in it, no slip).
  const auto unreadAt = [&](std::int32_t stopped) {
    ll_parsing_error record{};
    if (!Parser_UnreadText(parser.get(), stopped, syntax_error != nullptr ? &record : nullptr)) return false;
    if (syntax_error != nullptr) {
      LineCol at = offsetToLineCol(ctx, record.end);
      *syntax_error = SyntaxError{static_cast<std::uint32_t>(record.end), at.line, at.col, record.message};
      ll_parsing_error_free(&record);
    }
    return true;
  };
  std::int32_t stopped = 0;
  if (Parser_Parse(parser.get(), &stopped, nullptr) == nullptr) {
    if (Parser_NestingTooDeep(parser.get())) return fail(Error::NestingTooDeep);
    unreadAt(0);
    return fail(Error::ParsingFailed);
  }
  if (unreadAt(stopped)) return fail(Error::ParsingFailed);
  ll_node_id root = 0;
  if (!ll_tree_root(tree, &root)) return fail(Error::ParsingFailed);
  return items.finish(root);
}

std::optional<SyntaxError> nothingDeclared(std::string_view source) {
  if (source.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
  std::unique_ptr<Parser, ParserDeleter> parser(Parser_New());
  Parser_SetInput(parser.get(), source.data(), static_cast<std::int32_t>(source.size()));
  Parser_SetShowFails(parser.get(), false);
  std::int32_t stopped = 0;
  const ll_tree* tree = Parser_Parse(parser.get(), &stopped, nullptr);
  if (Parser_NestingTooDeep(parser.get()) || Parser_UnreadText(parser.get(), stopped, nullptr)) return std::nullopt;
  ll_node_id root = 0;
  if (tree != nullptr && ll_tree_root(tree, &root)) {
    // The whole text was read; it declares nothing when every item is a comment.
    TextArena unused;
    TranslationContext ctx(unused, tree, source, 0);
    auto child = firstChild(ctx, root);
    if (child) {
      const bool sequence = nodeType(ctx, *child) == LL_NODE_SEQUENCE;
      const std::uint32_t count = sequence ? childCount(ctx, *child) : 1;
      for (std::uint32_t i = 0; i < count; ++i) {
        auto item = sequence ? childAt(ctx, *child, i) : child;
        if (!item || !isRule(ctx, *item, LL_NAME_ANNOTATION)) return std::nullopt;
      }
    }
  }
  return SyntaxError{0, 1, 1, "the file is empty or holds only comments"};
}

std::string formatSyntaxError(std::string_view path, const SyntaxError& error) {
  std::string line;
  control_bytes::appendEscaped(line, path);
  line += ':';
  line += std::to_string(error.line);
  line += ':';
  line += std::to_string(error.col);
  line += ": error: ";
  line += error.message;
  return line;
}

}  // namespace vorn::translate
