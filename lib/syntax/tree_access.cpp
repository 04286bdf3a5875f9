// Reading the parse tree and turning byte offsets into line/column spans.

#include <algorithm>
#include <cstring>

#include "syntax/translate_steps.hpp"

namespace vorn::translate {

TranslationContext::TranslationContext(TextArena& arena, const ll_tree* tree_in, std::string_view source_in,
                                       std::uint32_t file_id_in)
    : allocator(arena), tree(tree_in), source(source_in), file_id(file_id_in) {
  line_starts.push_back(0);
  const char* begin = source.data();
  const char* end = begin + source.size();
  for (const char* at = begin; at < end;) {
    const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    if (found == nullptr) break;
    at = static_cast<const char*>(found) + 1;
    line_starts.push_back(static_cast<std::uint32_t>(at - begin));
  }
}

ll_node_type nodeType(const TranslationContext& ctx, ll_node_id node) { return ll_tree_type(ctx.tree, node); }

std::string_view nodeName(const TranslationContext& ctx, ll_node_id node) {
  if (ctx.names_of != ctx.tree->strs || ctx.names.size() != ctx.tree->strs_len) {
    ctx.names.clear();
    for (std::uint32_t i = 0; i < ctx.tree->strs_len; ++i) {
      const char* name = ctx.tree->strs[i];
      ctx.names.emplace_back(name != nullptr ? std::string_view(name) : std::string_view());
    }
    ctx.names_of = ctx.tree->strs;
  }
  const std::int32_t id = ll_tree_name_id(ctx.tree, node);
  return id >= 0 && static_cast<std::size_t>(id) < ctx.names.size() ? ctx.names[static_cast<std::size_t>(id)]
                                                                      : std::string_view();
}

ll_range nodeRange(const TranslationContext& ctx, ll_node_id node) { return ll_tree_range(ctx.tree, node); }

std::string_view nodeText(const TranslationContext& ctx, ll_node_id node) {
  ll_range range = nodeRange(ctx, node);
  auto size = static_cast<std::int64_t>(ctx.source.size());
  std::int64_t start = std::clamp<std::int64_t>(range.start, 0, size);
  std::int64_t end = std::clamp<std::int64_t>(range.end, start, size);
  return ctx.source.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

// Line feeds start a new line; every other byte, carriage return included,
// advances the column by one.
LineCol offsetToLineCol(const TranslationContext& ctx, std::int64_t offset) {
  auto clamped =
      static_cast<std::uint32_t>(std::clamp<std::int64_t>(offset, 0, static_cast<std::int64_t>(ctx.source.size())));
  const std::vector<std::uint32_t>& starts = ctx.line_starts;
  std::size_t line = ctx.line_hint;  // 0-based index into `starts`
  auto holds = [&](std::size_t i) { return starts[i] <= clamped && (i + 1 == starts.size() || clamped < starts[i + 1]); };
  if (!holds(line)) {
    if (line + 1 < starts.size() && holds(line + 1)) {
      ++line;
    } else {
      line = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), clamped) - starts.begin()) - 1;
    }
    ctx.line_hint = line;
  }
  return LineCol{static_cast<std::uint32_t>(line + 1), clamped - starts[line] + 1};
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
