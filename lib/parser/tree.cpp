#include "parser/tree.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kInitialNodes = 256;
constexpr std::uint32_t kInitialChildren = 512;
constexpr std::uint32_t kInitialRanges = 256;

// Makes room for `extra` more entries, doubling from `initial`.
template <typename T>
void reserveMore(T*& data, std::uint32_t len, std::uint32_t& cap, std::uint32_t extra, std::uint32_t initial) {
  std::uint64_t need = static_cast<std::uint64_t>(len) + extra;
  if (need <= cap) return;
  std::uint64_t next = cap == 0 ? initial : cap;
  while (next < need) next *= 2;
  if (next > 0xFFFFFFFFu) ll_out_of_memory();
  void* grown = std::realloc(data, next * sizeof(T));
  if (grown == nullptr) ll_out_of_memory();
  data = static_cast<T*>(grown);
  cap = static_cast<std::uint32_t>(next);
}

constexpr std::uint32_t kNameBits = 0x3FFFFFFFu;  // all ones: no name

ll_node makeNode(ll_node_type type, std::int32_t name_id, std::int32_t start, std::int32_t end, std::int32_t child) {
  // Ids too large for the field read as absent, as ids past the table did.
  std::uint32_t name =
      name_id < 0 || static_cast<std::uint32_t>(name_id) >= kNameBits ? kNameBits : static_cast<std::uint32_t>(name_id);
  return ll_node{static_cast<std::uint32_t>(type) << 30 | name, start, end, child};
}

ll_node_type typeOf(const ll_node& node) { return static_cast<ll_node_type>(node.typ_and_name >> 30); }

std::int32_t nameOf(const ll_node& node) {
  std::uint32_t name = node.typ_and_name & kNameBits;
  return name == kNameBits ? -1 : static_cast<std::int32_t>(name);
}

ll_node_id pushNode(ll_tree* t, const ll_node& node) {
  reserveMore(t->nodes, t->nodes_len, t->nodes_cap, 1, kInitialNodes);
  t->nodes[t->nodes_len] = node;
  return t->nodes_len++;
}

const ll_node* lookup(const ll_tree* t, ll_node_id id) { return id < t->nodes_len ? &t->nodes[id] : nullptr; }

template <typename T>
T* duplicate(const T* data, std::uint32_t len, std::uint32_t cap) {
  if (data == nullptr || cap == 0) return nullptr;
  T* copy = static_cast<T*>(std::malloc(static_cast<std::size_t>(cap) * sizeof(T)));
  if (copy == nullptr) ll_out_of_memory();
  if (len > 0) std::memcpy(copy, data, static_cast<std::size_t>(len) * sizeof(T));
  return copy;
}

}  // namespace

extern "C" {

void ll_out_of_memory(void) {
  std::fputs("vm.c: out of memory\n", stderr);
  std::abort();
}

void ll_tree_init(ll_tree* t) { *t = ll_tree{}; }

void ll_tree_reset(ll_tree* t) {
  t->nodes_len = 0;
  t->children_len = 0;
  t->child_ranges_len = 0;
  t->root = 0;
  t->has_root = false;
}

void ll_tree_free(ll_tree* t) {
  std::free(t->nodes);
  std::free(t->children);
  std::free(t->child_ranges);
  t->nodes = nullptr;
  t->children = nullptr;
  t->child_ranges = nullptr;
  t->nodes_cap = t->children_cap = t->child_ranges_cap = 0;
  ll_tree_reset(t);
}

void ll_tree_bind_strings(ll_tree* t, const char* const* strs, std::uint32_t strs_len) {
  t->strs = strs;
  t->strs_len = strs_len;
}

void ll_tree_bind_input(ll_tree* t, const char* input, std::int32_t input_len) {
  t->input = input;
  t->input_len = input_len;
}

void ll_tree_set_root(ll_tree* t, ll_node_id id) {
  t->root = id;
  t->has_root = true;
}

ll_node_id ll_tree_add_string(ll_tree* t, std::int32_t start, std::int32_t end) {
  return pushNode(t, makeNode(LL_NODE_STRING, -1, start, end, -1));
}

ll_node_id ll_tree_add_sequence(ll_tree* t, const ll_node_id* ids, std::uint32_t n, std::int32_t start,
                                std::int32_t end) {
  std::int32_t range_id = -1;
  if (n > 0) {
    reserveMore(t->children, t->children_len, t->children_cap, n, kInitialChildren);
    reserveMore(t->child_ranges, t->child_ranges_len, t->child_ranges_cap, 1, kInitialRanges);
    std::memcpy(t->children + t->children_len, ids, static_cast<std::size_t>(n) * sizeof(ll_node_id));
    auto first = static_cast<std::int32_t>(t->children_len);
    t->children_len += n;
    t->child_ranges[t->child_ranges_len] = ll_child_range{first, static_cast<std::int32_t>(t->children_len)};
    range_id = static_cast<std::int32_t>(t->child_ranges_len++);
  }
  return pushNode(t, makeNode(LL_NODE_SEQUENCE, -1, start, end, range_id));
}

ll_node_id ll_tree_add_node(ll_tree* t, std::int32_t name_id, std::int32_t start, std::int32_t end,
                            std::int32_t child) {
  return pushNode(t, makeNode(LL_NODE_NODE, name_id, start, end, child));
}

ll_node_id ll_tree_add_error(ll_tree* t, std::int32_t label_id, std::int32_t /*message_id*/, std::int32_t start,
                             std::int32_t end) {
  return pushNode(t, makeNode(LL_NODE_ERROR, label_id, start, end, -1));
}

ll_node_id ll_tree_add_error_with_child(ll_tree* t, std::int32_t label_id, std::int32_t /*message_id*/,
                                        std::int32_t start, std::int32_t end, ll_node_id child) {
  return pushNode(t, makeNode(LL_NODE_ERROR, label_id, start, end, static_cast<std::int32_t>(child)));
}

bool ll_tree_root(const ll_tree* t, ll_node_id* id) {
  if (!t->has_root || t->nodes_len == 0) return false;
  if (id != nullptr) *id = t->root;
  return true;
}

ll_node_type ll_tree_type(const ll_tree* t, ll_node_id id) {
  const ll_node* node = lookup(t, id);
  return node != nullptr ? typeOf(*node) : static_cast<ll_node_type>(-1);
}

const char* ll_tree_name(const ll_tree* t, ll_node_id id) {
  const ll_node* node = lookup(t, id);
  const std::int32_t name_id = node != nullptr ? nameOf(*node) : -1;
  if (name_id < 0 || static_cast<std::uint32_t>(name_id) >= t->strs_len) return "";
  const char* name = t->strs[name_id];
  return name != nullptr ? name : "";
}

std::int32_t ll_tree_name_id(const ll_tree* t, ll_node_id id) {
  const ll_node* node = lookup(t, id);
  return node != nullptr ? nameOf(*node) : -1;
}

ll_range ll_tree_range(const ll_tree* t, ll_node_id id) {
  const ll_node* node = lookup(t, id);
  return node != nullptr ? ll_range{node->start, node->end} : ll_range{0, 0};
}

bool ll_tree_child(const ll_tree* t, ll_node_id id, ll_node_id* child) {
  const ll_node* node = lookup(t, id);
  if (node == nullptr || (typeOf(*node) != LL_NODE_NODE && typeOf(*node) != LL_NODE_ERROR) || node->child_id < 0)
    return false;
  if (child != nullptr) *child = static_cast<ll_node_id>(node->child_id);
  return true;
}

std::uint32_t ll_tree_children_len(const ll_tree* t, ll_node_id id) {
  const ll_node* node = lookup(t, id);
  if (node == nullptr) return 0;
  switch (typeOf(*node)) {
    case LL_NODE_NODE:
    case LL_NODE_ERROR: return node->child_id >= 0 ? 1 : 0;
    case LL_NODE_SEQUENCE: {
      if (node->child_id < 0 || static_cast<std::uint32_t>(node->child_id) >= t->child_ranges_len) return 0;
      const ll_child_range& range = t->child_ranges[node->child_id];
      return range.end > range.start ? static_cast<std::uint32_t>(range.end - range.start) : 0;
    }
    default: return 0;
  }
}

bool ll_tree_children_at(const ll_tree* t, ll_node_id id, std::uint32_t i, ll_node_id* child) {
  const ll_node* node = lookup(t, id);
  if (node == nullptr) return false;
  const ll_node_type type = typeOf(*node);
  if (type == LL_NODE_NODE || type == LL_NODE_ERROR) return i == 0 && ll_tree_child(t, id, child);
  if (type != LL_NODE_SEQUENCE || i >= ll_tree_children_len(t, id)) return false;
  std::uint32_t slot = static_cast<std::uint32_t>(t->child_ranges[node->child_id].start) + i;
  if (slot >= t->children_len) return false;
  if (child != nullptr) *child = t->children[slot];
  return true;
}

std::uint32_t ll_tree_children(const ll_tree* t, ll_node_id id, ll_node_id* out, std::uint32_t cap) {
  std::uint32_t count = ll_tree_children_len(t, id);
  for (std::uint32_t i = 0; i < count && i < cap; ++i) {
    if (!ll_tree_children_at(t, id, i, &out[i])) return i;
  }
  return count;
}

ll_tree ll_tree_copy(const ll_tree* t) {
  ll_tree copy = *t;
  copy.nodes = duplicate(t->nodes, t->nodes_len, t->nodes_cap);
  copy.children = duplicate(t->children, t->children_len, t->children_cap);
  copy.child_ranges = duplicate(t->child_ranges, t->child_ranges_len, t->child_ranges_cap);
  if (copy.nodes == nullptr) copy.nodes_cap = 0;
  if (copy.children == nullptr) copy.children_cap = 0;
  if (copy.child_ranges == nullptr) copy.child_ranges_cap = 0;
  return copy;
}

}  // extern "C"
