// The source grammar as a hand-written PEG recogniser. Each rule mirrors one
// line of the grammar: ordered choice (first success wins), greedy possessive
// repetition, literal keywords without word boundaries. Every choice point
// saves a Mark and rolls back the cursor, the open captures and the tree
// nodes of a failed alternative, so the tree holds exactly the nodes of the
// successful parse.
//
// Recursion depth grows only through PortRef -> AnonDecl -> BusType, which
// is capped at LL_MAX_NESTING anonymous instances. The two functions that
// repeat per level keep their marks on the parser's own mark stack and hold
// no locals worth mentioning, so the cap fits comfortably in a normal stack
// even with sanitizer instrumentation.

#include <array>
#include <cstdlib>

#include "parser/parser_state.hpp"

namespace vorn::parser {
namespace {

using ByteSet = std::array<bool, 256>;

constexpr ByteSet makeSet(bool (*member)(int)) {
  ByteSet set{};
  for (int b = 0; b < 256; ++b) set[b] = member(b);
  return set;
}

constexpr ByteSet kSpace = makeSet([](int b) { return b == ' ' || b == '\t' || b == '\n' || b == '\r'; });
constexpr ByteSet kIdentStart =
    makeSet([](int b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_'; });
constexpr ByteSet kIdentRest = makeSet(
    [](int b) { return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_'; });

// The keywords a ComponentType tries, in order, before an identifier.
constexpr struct {
  const char* text;
  std::int32_t len;
} kKeywords[] = {{"input", 5}, {"output", 6}, {"bus", 3}, {"led", 3}, {"and", 3},
                 {"or", 2},    {"not", 3},    {"xor", 3}, {"nand", 4}};

constexpr std::uint32_t kAscii = 128;

class Rules {
 public:
  explicit Rules(Parser* p) : p_(p), in_(reinterpret_cast<const unsigned char*>(p->input)), len_(p->input_len) {}

  std::int32_t pos() const { return pos_; }

  bool program() {
    Mark whole = mark();
    while (!p_->too_deep) {
      Mark before = mark();
      spacing();
      if (!item()) {
        // No item here: the blanks before this position stay unconsumed.
        restore(before);
        break;
      }
      if (p_->on_item != nullptr) handOver(before);
    }
    endCapture(whole, LL_NAME_PROGRAM);
    return true;
  }

  bool componentType() {
    Mark m = mark();
    bool ok = false;
    for (const auto& keyword : kKeywords) {
      if (literal(keyword.text, keyword.len)) {
        ok = true;
        break;
      }
    }
    if (!ok && !identifier()) return false;
    endCapture(m, LL_NAME_COMPONENT_TYPE);
    return true;
  }

  bool anonDecl() {
    Mark m = mark();
    ++p_->depth;
    bool ok = anonDeclBody();
    --p_->depth;
    if (!ok) return false;
    endCapture(m, LL_NAME_ANON_DECL);
    return true;
  }

  // PortRef and BusType are the only frames that repeat per nesting level:
  // AnonDecl is folded into PortRef (both start at the same mark) and the
  // bindings are a loop inside BusType.
  bool portRef() {
    std::uint32_t m = pushMark();
    ++p_->depth;
    bool anonymous = anonDeclBody();
    --p_->depth;
    if (anonymous) {
      endCapture(p_->marks[m], LL_NAME_ANON_DECL);
      if ((spacing(), single('.')) && (spacing(), identifier())) {
        endCapture(p_->marks[m], LL_NAME_PORT_REF);
        return popMark(true);
      }
    }
    restore(p_->marks[m]);
    if (!identifier()) return popMark(false);
    spacing();  // kept in the range even when no "." follows
    optionalDotPort();
    endCapture(p_->marks[m], LL_NAME_PORT_REF);
    return popMark(true);
  }

  bool busType() {
    std::uint32_t m = pushMark();
    spacing();
    if (!(single('(') && bindingHead() && portRef())) return popMark(false);
    while (true) {
      std::uint32_t more = pushMark();
      if ((spacing(), single(',')) && bindingHead() && portRef()) {
        popMark(true);
        continue;
      }
      restore(p_->marks[more]);
      popMark(false);
      break;
    }
    spacing();
    if (!single(')')) return popMark(false);
    endCapture(p_->marks[m], LL_NAME_BUS_TYPE);
    return popMark(true);
  }

 private:
  Mark mark() const {
    const ll_tree& t = p_->tree;
    return Mark{pos_, p_->captures_len, t.nodes_len, t.children_len, t.child_ranges_len};
  }

  std::uint32_t pushMark() {
    if (p_->marks_len == p_->marks_cap) {
      std::uint32_t cap = p_->marks_cap == 0 ? 256 : p_->marks_cap * 2;
      void* grown = std::realloc(p_->marks, static_cast<std::size_t>(cap) * sizeof(Mark));
      if (grown == nullptr) ll_out_of_memory();
      p_->marks = static_cast<Mark*>(grown);
      p_->marks_cap = cap;
    }
    p_->marks[p_->marks_len] = mark();
    return p_->marks_len++;
  }

  bool popMark(bool result) {
    --p_->marks_len;
    return result;
  }

  void restore(const Mark& m) {
    pos_ = m.pos;
    p_->captures_len = m.captures;
    p_->tree.nodes_len = m.nodes;
    p_->tree.children_len = m.children;
    p_->tree.child_ranges_len = m.ranges;
  }

  void capture(ll_node_id id) {
    if (p_->captures_len == p_->captures_cap) {
      std::uint32_t cap = p_->captures_cap == 0 ? 256 : p_->captures_cap * 2;
      void* grown = std::realloc(p_->captures, static_cast<std::size_t>(cap) * sizeof(ll_node_id));
      if (grown == nullptr) ll_out_of_memory();
      p_->captures = static_cast<ll_node_id*>(grown);
      p_->captures_cap = cap;
    }
    p_->captures[p_->captures_len++] = id;
  }

  // Closes a rule opened at `m`: one captured node becomes the child, several
  // are wrapped in a sequence, none leaves a string of the consumed text (or
  // no node at all when nothing was consumed).
  void endCapture(const Mark& m, std::int32_t name_id) {
    ll_tree* t = &p_->tree;
    std::uint32_t count = p_->captures_len - m.captures;
    ll_node_id child;
    if (count == 0) {
      if (pos_ <= m.pos) return;
      child = ll_tree_add_string(t, m.pos, pos_);
    } else if (count == 1) {
      child = p_->captures[m.captures];
    } else {
      child = ll_tree_add_sequence(t, p_->captures + m.captures, count, m.pos, pos_);
    }
    p_->captures_len = m.captures;
    capture(ll_tree_add_node(t, name_id, m.pos, pos_, static_cast<std::int32_t>(child)));
  }

  // Records a failed test; `expected` is the code point a character test
  // wanted (0 for set tests, which describe nothing).
  // Inlined: every keyword a ComponentType tries and misses comes here.
  [[gnu::always_inline]] void failAt(std::int32_t at, std::uint32_t expected) {
    p_->fail_cursor = at;
    ll_expected_info& info = p_->expected;
    if (at > p_->ffp) {
      p_->ffp = at;
      forgetExpected();
    }
    if (!p_->show_fails || at != p_->ffp) return;
    if (expected == 0 || expected == '\t' || expected == '\n' || expected == '\r' || expected == ' ') return;
    // Every keyword is tried at most places, so most characters are there
    // already; the ASCII ones are looked up without a scan.
    if (expected < kAscii ? p_->expected_ascii[expected] : holdsExpected(expected)) return;
    if (info.cur == LL_MAX_EXPECTED) return;
    info.items[info.cur++] = ll_expected{expected, expected};
    if (expected < kAscii) p_->expected_ascii[expected] = true;
  }

  bool holdsExpected(std::uint32_t expected) const {
    const ll_expected_info& info = p_->expected;
    for (std::uint32_t i = 0; i < info.cur; ++i) {
      if (info.items[i].a == expected && info.items[i].b == expected) return true;
    }
    return false;
  }

  [[gnu::noinline]] void forgetExpected() {
    ll_expected_info& info = p_->expected;
    for (std::uint32_t i = 0; i < info.cur; ++i) {
      if (info.items[i].a < kAscii) p_->expected_ascii[info.items[i].a] = false;
    }
    info.cur = 0;
  }

  void spacing() {
    while (pos_ < len_ && kSpace[in_[pos_]]) ++pos_;
  }

  // A literal of several characters, matched character by character.
  bool literal(const char* text, std::int32_t n) {
    if (p_->too_deep) return false;
    const std::int32_t start = pos_;
    if (!scanLiteral(text, n)) return false;
    capture(ll_tree_add_string(&p_->tree, start, pos_));
    return true;
  }

  // literal() without its node: the text is matched and the cursor moved on.
  bool scanLiteral(const char* text, std::int32_t n) {
    for (std::int32_t k = 0; k < n; ++k) {
      if (pos_ + k >= len_ || in_[pos_ + k] != static_cast<unsigned char>(text[k])) {
        failAt(pos_ + k, static_cast<unsigned char>(text[k]));
        return false;
      }
    }
    pos_ += n;
    return true;
  }

  // A one-byte literal, matched as a byte-set test.
  bool single(char c) {
    if (p_->too_deep) return false;
    if (pos_ >= len_ || in_[pos_] != static_cast<unsigned char>(c)) {
      failAt(pos_, 0);
      return false;
    }
    capture(ll_tree_add_string(&p_->tree, pos_, pos_ + 1));
    ++pos_;
    return true;
  }

  bool identifier() {
    if (p_->too_deep) return false;
    const std::int32_t start = pos_;
    if (!scanIdentifier()) return false;
    ll_node_id text = ll_tree_add_string(&p_->tree, start, pos_);
    capture(ll_tree_add_node(&p_->tree, LL_NAME_IDENTIFIER, start, pos_, static_cast<std::int32_t>(text)));
    return true;
  }

  // identifier() without its nodes.
  bool scanIdentifier() {
    if (pos_ >= len_ || !kIdentStart[in_[pos_]]) {
      failAt(pos_, 0);
      return false;
    }
    while (++pos_ < len_ && kIdentRest[in_[pos_]]) {
    }
    return true;
  }

  bool annotation() {
    std::int32_t start = pos_;
    for (std::int32_t k = 0; k < 2; ++k) {
      if (pos_ + k >= len_ || in_[pos_ + k] != '/') {
        failAt(pos_ + k, '/');
        return false;
      }
    }
    pos_ += 2;
    while (pos_ < len_ && in_[pos_] != '\n') ++pos_;
    ll_node_id text = ll_tree_add_string(&p_->tree, start, pos_);
    capture(ll_tree_add_node(&p_->tree, LL_NAME_ANNOTATION, start, pos_, static_cast<std::int32_t>(text)));
    return true;
  }

  bool importDecl() {
    Mark m = mark();
    spacing();
    if (!literal("import", 6)) return false;
    spacing();
    if (!identifier()) return false;
    spacing();
    if (!single('"')) return false;
    std::int32_t path_start = pos_;
    while (pos_ < len_ && in_[pos_] != '"') ++pos_;
    if (pos_ > path_start) capture(ll_tree_add_string(&p_->tree, path_start, pos_));
    spacing();
    if (!single('"')) return false;
    endCapture(m, LL_NAME_IMPORT_DECL);
    return true;
  }

  bool declaration() {
    Mark m = mark();
    if (componentType() && (spacing(), identifier()) && (spacing(), busType())) {
      endCapture(m, LL_NAME_DECLARATION);
      return true;
    }
    restore(m);
    if (!(componentType() && (spacing(), identList()))) return false;
    endCapture(m, LL_NAME_DECLARATION);
    return true;
  }

  bool identList() {
    Mark m = mark();
    spacing();
    if (!identifier()) return false;
    while (true) {
      Mark more = mark();
      spacing();
      if (single(',') && (spacing(), identifier())) continue;
      restore(more);
      break;
    }
    endCapture(m, LL_NAME_IDENT_LIST);
    return true;
  }

  bool connection() {
    Mark m = mark();
    spacing();
    if (!portRef()) return false;
    spacing();
    if (!literal("<>", 2)) return false;
    spacing();
    if (!portRef()) return false;
    endCapture(m, LL_NAME_CONNECTION);
    return true;
  }

  bool item() {
    Mark alt = mark();
    if (annotation()) return true;
    restore(alt);
    if (importDecl()) return true;
    restore(alt);
    if (declaration()) return true;
    restore(alt);
    return connection();
  }

  // Gives the item just read to the handler, then forgets its nodes, so that
  // the tree never holds more than one item.
  void handOver(Mark before) {
    p_->on_item(p_->on_item_context, &p_->tree, p_->captures[p_->captures_len - 1]);
    before.pos = pos_;  // reading goes on after the item
    restore(before);
  }

  // The AnonDecl expression, without its capture. Every PortRef first tries
  // an AnonDecl, so an attempt one level below the deepest instance is
  // normal; only a bus type actually opening there exceeds the limit.
  bool anonDeclBody() {
    if (p_->too_deep) return false;
    spacing();
    const std::int32_t start = pos_;
    if (!typeThenParen()) return false;
    pos_ = start;
    componentType();  // read above, so it matches again
    spacing();
    if (p_->depth > LL_MAX_NESTING && pos_ < len_ && in_[pos_] == '(') {
      p_->too_deep = true;
      return false;
    }
    return busType();
  }

  // Whether a component type followed by "(" starts here, recording the
  // failed tests that reading them records but building no nodes. Most port
  // references are plain names, whose attempt to read an anonymous instance
  // ends at the missing "("; reading the name again for real adds no
  // failure that this scan has not recorded.
  bool typeThenParen() {
    const std::int32_t start = pos_;
    bool typed = false;
    for (const auto& keyword : kKeywords) {
      if (scanLiteral(keyword.text, keyword.len)) {
        typed = true;
        break;
      }
    }
    if (!typed) {
      pos_ = start;
      if (!scanIdentifier()) return false;
    }
    spacing();
    if (pos_ < len_ && in_[pos_] == '(') return true;
    failAt(pos_, 0);  // the bus type's "("
    return false;
  }

  // ( Spacing "." Spacing Identifier )? after the name of a PortRef.
  void optionalDotPort() {
    Mark dotted = mark();
    spacing();
    if (!(single('.') && (spacing(), identifier()))) restore(dotted);
  }

  // Identifier "=" of a binding, with the blanks around them.
  bool bindingHead() {
    spacing();
    if (!identifier()) return false;
    spacing();
    if (!single('=')) return false;
    spacing();
    return true;
  }

  Parser* p_;
  const unsigned char* in_;
  std::int32_t len_;
  std::int32_t pos_ = 0;
};

}  // namespace

bool runRule(Parser* p, StartRule rule, std::int32_t* cursor) {
  ll_tree_reset(&p->tree);
  ll_tree_bind_input(&p->tree, p->input, p->input_len);
  p->captures_len = 0;
  p->marks_len = 0;
  p->ffp = -1;
  p->fail_cursor = 0;
  p->expected.cur = 0;
  for (bool& seen : p->expected_ascii) seen = false;
  p->depth = 0;
  p->too_deep = false;

  Rules rules(p);
  bool ok = false;
  switch (rule) {
    case StartRule::program: ok = rules.program(); break;
    case StartRule::anon_decl: ok = rules.anonDecl(); break;
    case StartRule::component_type: ok = rules.componentType(); break;
    case StartRule::port_ref: ok = rules.portRef(); break;
    case StartRule::bus_type: ok = rules.busType(); break;
  }
  if (p->too_deep) ok = false;
  if (ok && p->captures_len > 0) ll_tree_set_root(&p->tree, p->captures[p->captures_len - 1]);
  if (cursor != nullptr) *cursor = ok ? rules.pos() : p->fail_cursor;
  return ok;
}

}  // namespace vorn::parser
