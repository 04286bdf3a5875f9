// Bus types, port references and anonymous instances. Anonymous instances
// nest as deep as the parser allows (thousands of levels), so the bindings
// are walked with an explicit stack of half-built instances instead of
// recursion; an instance is named when its last binding is done, which
// numbers them inner before outer, left to right.

#include <charconv>
#include <optional>
#include <utility>

#include "core/check.hpp"
#include "core/primitive_kinds.hpp"
#include "syntax/translate_steps.hpp"

namespace vorn::translate {
namespace {

constexpr std::string_view kOutPort = primitive_kinds::kOutputPort;

// The sequence under a BusType node.
Result<ll_node_id> bindingSequence(const TranslationContext& ctx, ll_node_id bus_type) {
  VORN_TRY_VOID(expectNamedNode(ctx, bus_type, LL_NAME_BUS_TYPE));
  VORN_TRY(auto child, firstChild(ctx, bus_type));
  if (nodeType(ctx, child) != LL_NODE_SEQUENCE) return fail(Error::InvalidBusType);
  return child;
}

Result<PendingBindings> pendingBusType(const TranslationContext& ctx, ll_node_id bus_type,
                                       std::vector<ast::PortConnection>* ports) {
  VORN_TRY(auto sequence, bindingSequence(ctx, bus_type));
  const std::uint32_t count = childCount(ctx, sequence);
  // "(", then four children a binding (name, "=", reference, and a "," or ")").
  ports->reserve(ports->size() + count / 4);
  return PendingBindings{ports, sequence, count, 0, nullptr, nullptr};
}

// Fills `out` for a named reference; for an anonymous instance records the
// port after the dot and returns the AnonDecl node.
Result<std::optional<ll_node_id>> portRefHead(const TranslationContext& ctx, ll_node_id node, ast::SignalSource& out) {
  VORN_TRY_VOID(expectNamedNode(ctx, node, LL_NAME_PORT_REF));
  VORN_TRY(auto child, firstChild(ctx, node));
  Span span = nodeSpan(ctx, node);
  if (nodeType(ctx, child) == LL_NODE_NODE) {
    // A bare name means the "out" port of that name.
    VORN_TRY(auto target, parseIdentifier(ctx, child));
    out.tag = ast::SignalSource::Tag::named;
    out.named = ast::NamedSignalRef{target, ast::Identifier{kOutPort, span}, span};
    return std::nullopt;
  }
  if (nodeType(ctx, child) != LL_NODE_SEQUENCE || childCount(ctx, child) != 3) {
    return fail(Error::InvalidPortReference);
  }
  VORN_TRY(auto head, childAt(ctx, child, 0));
  VORN_TRY(auto port_node, childAt(ctx, child, 2));
  if (isRule(ctx, head, LL_NAME_ANON_DECL)) {
    VORN_TRY(auto port, parseIdentifier(ctx, port_node));
    out.anonymous_port = port;
    return head;
  }
  if (!isRule(ctx, head, LL_NAME_IDENTIFIER)) return fail(Error::InvalidPortReference);
  VORN_TRY(auto target, parseIdentifier(ctx, head));
  VORN_TRY(auto port, parseIdentifier(ctx, port_node));
  out.tag = ast::SignalSource::Tag::named;
  out.named = ast::NamedSignalRef{target, port, span};
  return std::nullopt;
}

// Starts an anonymous instance: its type and span now, its bindings pending.
Result<PendingBindings> beginAnonymous(const TranslationContext& ctx, ll_node_id node, ast::SignalSource* target) {
  VORN_TRY_VOID(expectNamedNode(ctx, node, LL_NAME_ANON_DECL));
  VORN_TRY(auto child, firstChild(ctx, node));
  if (nodeType(ctx, child) != LL_NODE_SEQUENCE || childCount(ctx, child) != 2) {
    return fail(Error::InvalidAnonymousDeclaration);
  }
  VORN_TRY(auto type_name, parseTypeHead(ctx, child));
  VORN_TRY(auto bus_type, childAt(ctx, child, 1));

  auto instance = std::make_unique<ast::ComponentInstance>();
  instance->type_name = type_name;
  instance->span = nodeSpan(ctx, node);
  VORN_TRY(auto pending, pendingBusType(ctx, bus_type, &instance->ports));
  pending.instance = std::move(instance);
  pending.target = target;
  return pending;
}

std::string_view anonymousName(TranslationContext& ctx) {
  char buffer[32] = "__anon_";
  constexpr std::size_t prefix = 7;
  auto [end, ec] = std::to_chars(buffer + prefix, buffer + sizeof buffer, ctx.anonymous_counter);
  ++ctx.anonymous_counter;
  return ctx.allocator.store(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

Result<void> advance(TranslationContext& ctx, std::vector<PendingBindings>& stack) {
  while (!stack.empty()) {
    PendingBindings& top = stack.back();
    if (top.next >= top.count) {
      if (top.instance) {
        top.instance->instance_name = ast::Identifier{anonymousName(ctx), top.instance->span};
        top.target->tag = ast::SignalSource::Tag::anonymous;
        top.target->anonymous = std::move(top.instance);
      }
      stack.pop_back();
      continue;
    }
    std::uint32_t i = top.next++;
    VORN_TRY(auto name_node, childAt(ctx, top.bindings, i));
    if (!isRule(ctx, name_node, LL_NAME_IDENTIFIER)) continue;  // "(", ",", ")"

    // A binding is the triple Identifier, "=", PortRef.
    if (top.count - i < 3) return fail(Error::InvalidBusType);
    VORN_TRY(auto equals, childAt(ctx, top.bindings, i + 1));
    VORN_TRY(auto ref, childAt(ctx, top.bindings, i + 2));
    if (nodeType(ctx, equals) != LL_NODE_STRING || !isRule(ctx, ref, LL_NAME_PORT_REF)) {
      return fail(Error::InvalidBusType);
    }
    top.next = i + 3;
    VORN_TRY(auto port, parseIdentifier(ctx, name_node));
    ast::PortConnection& binding = top.ports->emplace_back();
    binding.port = port;
    binding.span = port.span;
    VORN_TRY(auto anonymous, portRefHead(ctx, ref, binding.value));
    if (!anonymous.has_value()) continue;
    // `binding` stays put while the nested instance is built: only the
    // nested instance's own port list grows meanwhile.
    VORN_TRY(auto nested, beginAnonymous(ctx, *anonymous, &binding.value));
    stack.push_back(std::move(nested));
  }
  return {};
}

// Runs the walk; on failure frees the half-built instances without recursion.
// The stack is the context's, kept between calls: most bus types nest
// nothing, and allocating a stack for each of 10^5 lines cost more than its use.
Result<void> run(TranslationContext& ctx, PendingBindings outermost) {
  std::vector<PendingBindings>& stack = ctx.pending_bindings;
  VORN_CHECK(stack.empty());  // the walk never starts another
  stack.push_back(std::move(outermost));
  auto done = advance(ctx, stack);
  if (!done) {
    for (PendingBindings& pending : stack) {
      if (pending.instance) ast::releaseNested(pending.instance->ports);
    }
  }
  stack.clear();
  return done;
}

}  // namespace

Result<void> parseBusType(TranslationContext& ctx, ll_node_id node, std::vector<ast::PortConnection>& ports) {
  VORN_TRY(auto outermost, pendingBusType(ctx, node, &ports));
  return run(ctx, std::move(outermost));
}

Result<std::unique_ptr<ast::ComponentInstance>> parseAnonymousComponent(TranslationContext& ctx, ll_node_id node) {
  ast::SignalSource holder;
  VORN_TRY(auto outermost, beginAnonymous(ctx, node, &holder));
  VORN_TRY_VOID(run(ctx, std::move(outermost)));
  return std::move(holder.anonymous);
}

Result<ast::SignalSource> parsePortRef(TranslationContext& ctx, ll_node_id node) {
  ast::SignalSource source;
  VORN_TRY(auto anonymous, portRefHead(ctx, node, source));
  if (anonymous.has_value()) {
    VORN_TRY(auto instance, parseAnonymousComponent(ctx, *anonymous));
    source.tag = ast::SignalSource::Tag::anonymous;
    source.anonymous = std::move(instance);
  }
  return source;
}

}  // namespace vorn::translate
