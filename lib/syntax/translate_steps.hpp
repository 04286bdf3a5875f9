#pragma once

// The individual steps of translation, exposed so that trees which the
// grammar never produces can be checked against the tree contract.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/text_arena.hpp"
#include "core/error.hpp"
#include "core/line_index.hpp"
#include "core/span.hpp"
#include "parser/parser.hpp"
#include "parser/tree.hpp"
#include "syntax/ast.hpp"

namespace vorn::translate {

// An instance whose bindings are being translated. The outermost entry is
// the bus type the caller asked for and owns no instance.
struct PendingBindings {
  std::vector<ast::PortConnection>* ports;
  ll_node_id bindings;  // the BusType's sequence
  std::uint32_t count;
  std::uint32_t next = 0;
  std::unique_ptr<ast::ComponentInstance> instance;
  ast::SignalSource* target = nullptr;  // receives `instance` when it is complete
};

struct TranslationContext {
  TranslationContext(TextArena& arena, const ll_tree* tree, std::string_view source, std::uint32_t file_id);

  TextArena& allocator;
  const ll_tree* tree;
  std::string_view source;
  std::size_t anonymous_counter = 0;
  std::uint32_t file_id;
  LineIndex lines;  // spans' lines and columns
  // The grammar rule (LL_NAME_*) of each entry of the tree's name table, so
  // that nodes are told apart by number however the table is laid out;
  // taken on first use, as the tree may be bound after construction.
  mutable std::vector<std::int32_t> rules;
  mutable const char* const* rules_of = nullptr;
  // The walk of nested anonymous instances (see parseBusType), kept between calls.
  std::vector<PendingBindings> pending_bindings;
};

// Tree accessors.
ll_node_type nodeType(const TranslationContext& ctx, ll_node_id node);
// Fills ctx.rules from the tree's name table.
void learnRules(const TranslationContext& ctx);

// The grammar rule (an LL_NAME_* value) whose name the node carries, or -1.
inline std::int32_t nodeRule(const TranslationContext& ctx, ll_node_id node) {
  if (ctx.rules_of != ctx.tree->strs || ctx.rules.size() != ctx.tree->strs_len) [[unlikely]]
    learnRules(ctx);
  const std::int32_t id = ll_tree_name_id(ctx.tree, node);
  return id >= 0 && static_cast<std::size_t>(id) < ctx.rules.size() ? ctx.rules[static_cast<std::size_t>(id)] : -1;
}
// A node (not a string, sequence or error) made by `rule`.
bool isRule(const TranslationContext& ctx, ll_node_id node, std::int32_t rule);
ll_range nodeRange(const TranslationContext& ctx, ll_node_id node);
std::string_view nodeText(const TranslationContext& ctx, ll_node_id node);  // source bytes of the range
LineCol offsetToLineCol(const TranslationContext& ctx, std::int64_t offset);
Span nodeSpan(const TranslationContext& ctx, ll_node_id node);
Result<ll_node_id> firstChild(const TranslationContext& ctx, ll_node_id node);  // InvalidChild
std::uint32_t childCount(const TranslationContext& ctx, ll_node_id node);
Result<ll_node_id> childAt(const TranslationContext& ctx, ll_node_id node, std::uint32_t index);  // InvalidChildIndex

// Steps.
// ExpectedNamedNode for a string, sequence or error; UnexpectedNodeName for
// a node of another rule.
Result<void> expectNamedNode(const TranslationContext& ctx, ll_node_id node, std::int32_t rule);
Result<ast::Identifier> parseIdentifier(const TranslationContext& ctx, ll_node_id node);
Result<ast::Import> parseImportDecl(const TranslationContext& ctx, ll_node_id node);
Result<std::string_view> parseComponentTypeText(const TranslationContext& ctx, ll_node_id node);
// The ComponentType node at the head of a declaration's (or an anonymous
// instance's) sequence, as a name with its span.
Result<ast::Identifier> parseTypeHead(const TranslationContext& ctx, ll_node_id sequence);
Result<ast::InputDecl> parseInputDecl(const TranslationContext& ctx, ll_node_id node);
Result<void> parseDeclaration(TranslationContext& ctx, ll_node_id node, ast::File& file);
// Appends the bindings to `ports`; on failure `ports` may hold a partial
// binding list that the caller discards.
Result<void> parseBusType(TranslationContext& ctx, ll_node_id node, std::vector<ast::PortConnection>& ports);
Result<ast::SignalSource> parsePortRef(TranslationContext& ctx, ll_node_id node);
Result<std::unique_ptr<ast::ComponentInstance>> parseAnonymousComponent(TranslationContext& ctx, ll_node_id node);
Result<void> parseComponentDecl(TranslationContext& ctx, ast::Identifier type_name, ll_node_id name_node,
                                ll_node_id bus_type, Span span, ast::File& file);
Result<void> parseOutputFromBusType(TranslationContext& ctx, ll_node_id name_node, ll_node_id bus_type, Span span,
                                    ast::File& file);
// Translates a whole file from its Program node: every item, in source order.
Result<ast::File> translateProgram(TranslationContext& ctx, ll_node_id root);

}  // namespace vorn::translate
