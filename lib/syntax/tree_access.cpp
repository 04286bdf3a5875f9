// Reading the parse tree and turning byte offsets into line/column spans.

#include <algorithm>
#include <cstring>

#include "parser/parser.hpp"
#include "syntax/translate_steps.hpp"

namespace vorn::translate {

TranslationContext::TranslationContext(TextArena& arena, const ll_tree* tree_in, std::string_view source_in,
                                       std::uint32_t file_id_in)
    : allocator(arena), tree(tree_in), source(source_in), file_id(file_id_in), lines(source_in) {}

ll_node_type nodeType(const TranslationContext& ctx, ll_node_id node) { return ll_tree_type(ctx.tree, node); }

namespace {

std::int32_t ruleNamed(const char* name) {
  if (name == nullptr || *name == '\0') return -1;
  for (std::int32_t rule = 0; rule < LL_NAME_COUNT; ++rule) {
    if (std::strcmp(ll_grammar_name(rule), name) == 0) return rule;
  }
  return -1;
}

}  // namespace

void learnRules(const TranslationContext& ctx) {
  ctx.rules.clear();
  for (std::uint32_t i = 0; i < ctx.tree->strs_len; ++i) ctx.rules.push_back(ruleNamed(ctx.tree->strs[i]));
  ctx.rules_of = ctx.tree->strs;
}

bool isRule(const TranslationContext& ctx, ll_node_id node, std::int32_t rule) {
  return nodeType(ctx, node) == LL_NODE_NODE && nodeRule(ctx, node) == rule;
}

ll_range nodeRange(const TranslationContext& ctx, ll_node_id node) { return ll_tree_range(ctx.tree, node); }

std::string_view nodeText(const TranslationContext& ctx, ll_node_id node) {
  ll_range range = nodeRange(ctx, node);
  auto size = static_cast<std::int64_t>(ctx.source.size());
  std::int64_t start = std::clamp<std::int64_t>(range.start, 0, size);
  std::int64_t end = std::clamp<std::int64_t>(range.end, start, size);
  return ctx.source.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

LineCol offsetToLineCol(const TranslationContext& ctx, std::int64_t offset) {
  return ctx.lines.lineColOf(static_cast<std::size_t>(std::max<std::int64_t>(offset, 0)));
}

Span nodeSpan(const TranslationContext& ctx, ll_node_id node) {
  ll_range range = nodeRange(ctx, node);
  LineCol start = offsetToLineCol(ctx, range.start);
  LineCol end = offsetToLineCol(ctx, range.end);
  return Span{ctx.file_id, start.line, start.col, end.line, end.col};
}

Result<ll_node_id> firstChild(const TranslationContext& ctx, ll_node_id node) {
  ll_node_id child = 0;
  if (!ll_tree_child(ctx.tree, node, &child)) return fail(Error::InvalidChild);
  return child;
}

std::uint32_t childCount(const TranslationContext& ctx, ll_node_id node) {
  return ll_tree_children_len(ctx.tree, node);
}

Result<ll_node_id> childAt(const TranslationContext& ctx, ll_node_id node, std::uint32_t index) {
  ll_node_id child = 0;
  if (!ll_tree_children_at(ctx.tree, node, index, &child)) return fail(Error::InvalidChildIndex);
  return child;
}

}  // namespace vorn::translate
