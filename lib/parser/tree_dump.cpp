// Text and indented dumps of a parse tree. Trees of nested anonymous instances
// are tens of thousands of levels deep, so both walks use explicit stacks.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/quoted_text.hpp"
#include "parser/tree.hpp"

namespace {

char* toMalloced(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) ll_out_of_memory();
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

void appendInputBytes(const ll_tree* t, ll_range range, std::string& out) {
  std::int32_t start = range.start < 0 ? 0 : range.start;
  std::int32_t end = range.end > t->input_len ? t->input_len : range.end;
  if (t->input == nullptr || end <= start) return;
  out.append(t->input + start, static_cast<std::size_t>(end - start));
}

void appendRange(ll_range range, std::string& out) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " (%d..%d)", range.start, range.end);
  out += buffer;
}

void appendEscaped(const ll_tree* t, ll_range range, std::string& out) {
  std::string raw;
  appendInputBytes(t, range, raw);
  vorn::quoted_text::appendQuoted(out, raw);
}

// One dump line without its branch mark.
void appendLabel(const ll_tree* t, ll_node_id id, std::string& out) {
  switch (ll_tree_type(t, id)) {
    case LL_NODE_STRING: appendEscaped(t, ll_tree_range(t, id), out); break;
    case LL_NODE_SEQUENCE:
      out += "Sequence";
      appendRange(ll_tree_range(t, id), out);
      break;
    case LL_NODE_NODE:
      out += ll_tree_name(t, id);
      appendRange(ll_tree_range(t, id), out);
      break;
    case LL_NODE_ERROR:
      out += "Error<";
      out += ll_tree_name(t, id);
      out += '>';
      appendRange(ll_tree_range(t, id), out);
      break;
    default: out += "(unknown)"; break;
  }
  out += '\n';
}

std::string dump(const ll_tree* t, ll_node_id root) {
  struct Frame {
    ll_node_id id;
    std::uint32_t next_child;
    std::size_t prefix_len;  // length of the prefix shared by this node's children
  };
  std::string out;
  std::string prefix;
  appendLabel(t, root, out);
  std::vector<Frame> stack{{root, 0, 0}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    std::uint32_t count = ll_tree_children_len(t, frame.id);
    ll_node_id child = 0;
    if (frame.next_child >= count || !ll_tree_children_at(t, frame.id, frame.next_child, &child)) {
      stack.pop_back();
      continue;
    }
    bool last = ++frame.next_child == count;
    prefix.resize(frame.prefix_len);
    out += prefix;
    out += last ? "└── " : "├── ";
    appendLabel(t, child, out);
    prefix += last ? "    " : "│   ";
    stack.push_back({child, 0, prefix.size()});
  }
  return out;
}

}  // namespace

extern "C" {

char* ll_tree_text(const ll_tree* t, ll_node_id id) {
  std::string out;
  std::vector<ll_node_id> pending{id};  // children pushed in reverse so they pop in order
  while (!pending.empty()) {
    ll_node_id node = pending.back();
    pending.pop_back();
    switch (ll_tree_type(t, node)) {
      case LL_NODE_STRING: appendInputBytes(t, ll_tree_range(t, node), out); break;
      case LL_NODE_ERROR:
        if (ll_tree_children_len(t, node) == 0) {
          out += "error[";
          out += ll_tree_name(t, node);
          out += ']';
          break;
        }
        [[fallthrough]];
      case LL_NODE_SEQUENCE:
      case LL_NODE_NODE:
        for (std::uint32_t i = ll_tree_children_len(t, node); i > 0; --i) {
          ll_node_id child = 0;
          if (ll_tree_children_at(t, node, i - 1, &child)) pending.push_back(child);
        }
        break;
      default: break;
    }
  }
  return toMalloced(out);
}

char* ll_tree_pretty(const ll_tree* t, ll_node_id id) { return toMalloced(dump(t, id)); }

// The plain dump; terminals that want colour add it themselves.
char* ll_tree_highlight(const ll_tree* t, ll_node_id id) { return toMalloced(dump(t, id)); }

}  // extern "C"
