// Parse-tree shapes, checked through the indented dump.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "parser/parser.hpp"

namespace {

struct ParserDeleter {
  void operator()(Parser* p) const { Parser_Delete(p); }
};
using ParserPtr = std::unique_ptr<Parser, ParserDeleter>;

using StartFn = ll_tree* (*)(Parser*, std::int32_t*, ll_parsing_error*);

std::string take(char* text) {
  std::string copy = text;
  std::free(text);
  return copy;
}

struct Outcome {
  bool matched = false;
  bool has_root = false;
  std::int32_t cursor = -1;
  std::string dump;  // pretty dump of the root, "" without one
};

Outcome run(const std::string& input, StartFn start = Parser_Parse) {
  ParserPtr p(Parser_New());
  Parser_SetInput(p.get(), input.data(), static_cast<std::int32_t>(input.size()));
  Outcome out;
  ll_tree* tree = start(p.get(), &out.cursor, nullptr);
  out.matched = tree != nullptr;
  ll_node_id root = 0;
  if (tree != nullptr && ll_tree_root(tree, &root)) {
    out.has_root = true;
    out.dump = take(ll_tree_pretty(tree, root));
  }
  return out;
}

std::string dumpOf(const std::string& input, StartFn start = Parser_Parse) { return run(input, start).dump; }

TEST(GrammarTest, InputListMakesIdentListSequence) {
  EXPECT_EQ(dumpOf("input a, b"),
            "Program (0..10)\n"
            "└── Declaration (0..10)\n"
            "    └── Sequence (0..10)\n"
            "        ├── ComponentType (0..5)\n"
            "        │   └── \"input\"\n"
            "        └── IdentList (6..10)\n"
            "            └── Sequence (6..10)\n"
            "                ├── Identifier (6..7)\n"
            "                │   └── \"a\"\n"
            "                ├── \",\"\n"
            "                └── Identifier (9..10)\n"
            "                    └── \"b\"\n");
}

TEST(GrammarTest, InstanceWithBusType) {
  EXPECT_EQ(dumpOf("not n(in=a)"),
            "Program (0..11)\n"
            "└── Declaration (0..11)\n"
            "    └── Sequence (0..11)\n"
            "        ├── ComponentType (0..3)\n"
            "        │   └── \"not\"\n"
            "        ├── Identifier (4..5)\n"
            "        │   └── \"n\"\n"
            "        └── BusType (5..11)\n"
            "            └── Sequence (5..11)\n"
            "                ├── \"(\"\n"
            "                ├── Identifier (6..8)\n"
            "                │   └── \"in\"\n"
            "                ├── \"=\"\n"
            "                ├── PortRef (9..10)\n"
            "                │   └── Identifier (9..10)\n"
            "                │       └── \"a\"\n"
            "                └── \")\"\n");
}

TEST(GrammarTest, AnonymousInstanceAndSeveralBindings) {
  EXPECT_EQ(dumpOf("and g(a=x.q,b=not(in=y).out)"),
            "Program (0..28)\n"
            "└── Declaration (0..28)\n"
            "    └── Sequence (0..28)\n"
            "        ├── ComponentType (0..3)\n"
            "        │   └── \"and\"\n"
            "        ├── Identifier (4..5)\n"
            "        │   └── \"g\"\n"
            "        └── BusType (5..28)\n"
            "            └── Sequence (5..28)\n"
            "                ├── \"(\"\n"
            "                ├── Identifier (6..7)\n"
            "                │   └── \"a\"\n"
            "                ├── \"=\"\n"
            "                ├── PortRef (8..11)\n"
            "                │   └── Sequence (8..11)\n"
            "                │       ├── Identifier (8..9)\n"
            "                │       │   └── \"x\"\n"
            "                │       ├── \".\"\n"
            "                │       └── Identifier (10..11)\n"
            "                │           └── \"q\"\n"
            "                ├── \",\"\n"
            "                ├── Identifier (12..13)\n"
            "                │   └── \"b\"\n"
            "                ├── \"=\"\n"
            "                ├── PortRef (14..27)\n"
            "                │   └── Sequence (14..27)\n"
            "                │       ├── AnonDecl (14..23)\n"
            "                │       │   └── Sequence (14..23)\n"
            "                │       │       ├── ComponentType (14..17)\n"
            "                │       │       │   └── \"not\"\n"
            "                │       │       └── BusType (17..23)\n"
            "                │       │           └── Sequence (17..23)\n"
            "                │       │               ├── \"(\"\n"
            "                │       │               ├── Identifier (18..20)\n"
            "                │       │               │   └── \"in\"\n"
            "                │       │               ├── \"=\"\n"
            "                │       │               ├── PortRef (21..22)\n"
            "                │       │               │   └── Identifier (21..22)\n"
            "                │       │               │       └── \"y\"\n"
            "                │       │               └── \")\"\n"
            "                │       ├── \".\"\n"
            "                │       └── Identifier (24..27)\n"
            "                │           └── \"out\"\n"
            "                └── \")\"\n");
}

TEST(GrammarTest, BareSourceBeforeBlankKeepsTheBlankInItsRange) {
  // The PortRef and the BusType sequence both see "a " (9..11).
  std::string dump = dumpOf("not n(in=a )");
  EXPECT_NE(dump.find("PortRef (9..11)\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("BusType (5..12)\n"), std::string::npos) << dump;
  // The same trailing blank widens a connection ending in a bare name.
  EXPECT_EQ(dumpOf("a.x <> b \n"),
            "Program (0..10)\n"
            "└── Connection (0..10)\n"
            "    └── Sequence (0..10)\n"
            "        ├── PortRef (0..3)\n"
            "        │   └── Sequence (0..3)\n"
            "        │       ├── Identifier (0..1)\n"
            "        │       │   └── \"a\"\n"
            "        │       ├── \".\"\n"
            "        │       └── Identifier (2..3)\n"
            "        │           └── \"x\"\n"
            "        ├── \"<>\"\n"
            "        └── PortRef (7..10)\n"
            "            └── Identifier (7..8)\n"
            "                └── \"b\"\n");
}

TEST(GrammarTest, CommentsImportsAndItemSequences) {
  EXPECT_EQ(dumpOf("// note \xC3\xA9\n"),
            "Program (0..10)\n"
            "└── Annotation (0..10)\n"
            "    └── \"// note \xC3\xA9\"\n");
  EXPECT_EQ(dumpOf("  import m \"a\tb\\c\"\n// x\ninput q"),
            "Program (0..31)\n"
            "└── Sequence (0..31)\n"
            "    ├── ImportDecl (2..18)\n"
            "    │   └── Sequence (2..18)\n"
            "    │       ├── \"import\"\n"
            "    │       ├── Identifier (9..10)\n"
            "    │       │   └── \"m\"\n"
            "    │       ├── \"\\\"\"\n"
            "    │       ├── \"a\\tb\\\\c\"\n"
            "    │       └── \"\\\"\"\n"
            "    ├── Annotation (19..23)\n"
            "    │   └── \"// x\"\n"
            "    └── Declaration (24..31)\n"
            "        └── Sequence (24..31)\n"
            "            ├── ComponentType (24..29)\n"
            "            │   └── \"input\"\n"
            "            └── IdentList (30..31)\n"
            "                └── Identifier (30..31)\n"
            "                    └── \"q\"\n");
  // An empty path leaves no node between the quotes; a path may span lines.
  EXPECT_EQ(dumpOf("import m \"\""),
            "Program (0..11)\n"
            "└── ImportDecl (0..11)\n"
            "    └── Sequence (0..11)\n"
            "        ├── \"import\"\n"
            "        ├── Identifier (7..8)\n"
            "        │   └── \"m\"\n"
            "        ├── \"\\\"\"\n"
            "        └── \"\\\"\"\n");
  EXPECT_NE(dumpOf("import m \"x\ny\"").find("\"x\\ny\"\n"), std::string::npos);
}

TEST(GrammarTest, KeywordsArePrefixesWithoutWordBoundary) {
  // "inputs" is the keyword input naming s; "inputa" likewise names a.
  EXPECT_EQ(dumpOf("inputs"),
            "Program (0..6)\n"
            "└── Declaration (0..6)\n"
            "    └── Sequence (0..6)\n"
            "        ├── ComponentType (0..5)\n"
            "        │   └── \"input\"\n"
            "        └── IdentList (5..6)\n"
            "            └── Identifier (5..6)\n"
            "                └── \"s\"\n");
  EXPECT_NE(dumpOf("order").find("│   └── \"or\"\n"), std::string::npos);
  EXPECT_NE(dumpOf("and_gate g").find("IdentList (3..8)\n            └── Identifier (3..8)"), std::string::npos)
      << "and_gate reads as \"and\" followed by _gate";
  EXPECT_NE(dumpOf("output_pin q").find("\"output\"\n"), std::string::npos);
  // nor and xnor are not keywords: they are identifiers.
  for (const char* type : {"nor", "xnor"}) {
    std::string dump = dumpOf(std::string(type) + " g");
    EXPECT_NE(dump.find("│   └── Identifier (0.."), std::string::npos) << dump;
  }
  // "importm" is the keyword import with the alias m.
  EXPECT_NE(dumpOf("importm \"p\"").find("ImportDecl (0..11)"), std::string::npos);
}

TEST(GrammarTest, ProgramStopsBeforeFirstNonItem) {
  Outcome garbage = run("input a\n!!!");
  EXPECT_TRUE(garbage.matched);
  EXPECT_EQ(garbage.cursor, 7);  // the line feed is not consumed
  EXPECT_TRUE(garbage.dump.starts_with("Program (0..7)\n└── Declaration (0..7)\n")) << garbage.dump;

  for (const char* nothing : {"", " \n\t\r ", "%%%", "input"}) {
    Outcome none = run(nothing);
    EXPECT_TRUE(none.matched) << nothing;
    EXPECT_FALSE(none.has_root) << nothing;
    EXPECT_EQ(none.cursor, 0) << nothing;
  }
}

TEST(GrammarTest, FailedAlternativesLeaveNoCaptures) {
  // The anonymous instance lacks ".port", so the bus type fails and the
  // declaration falls back to its list form; nothing of the attempt remains.
  Outcome out = run("not g(in=not(in=x))");
  EXPECT_EQ(out.cursor, 5);
  EXPECT_EQ(out.dump,
            "Program (0..5)\n"
            "└── Declaration (0..5)\n"
            "    └── Sequence (0..5)\n"
            "        ├── ComponentType (0..3)\n"
            "        │   └── \"not\"\n"
            "        └── IdentList (4..5)\n"
            "            └── Identifier (4..5)\n"
            "                └── \"g\"\n");
  // A bus type needs a binding.
  EXPECT_EQ(run("and g()").cursor, 5);
  // Identifiers are ASCII only.
  EXPECT_EQ(run("input \xC3\xA9").cursor, 0);
}

TEST(GrammarTest, OtherStartRules) {
  Outcome type = run("input_pin", Parser_ParseComponentType);
  EXPECT_EQ(type.cursor, 5);
  EXPECT_EQ(type.dump, "ComponentType (0..5)\n└── \"input\"\n");

  // Leading blanks belong to rules that begin with Spacing.
  Outcome anon = run(" not(in=a)", Parser_ParseAnonDecl);
  EXPECT_EQ(anon.cursor, 10);
  EXPECT_EQ(anon.dump.substr(0, anon.dump.find('\n')), "AnonDecl (0..10)");

  Outcome bus = run("(a=b , c=d)x", Parser_ParseBusType);
  EXPECT_EQ(bus.cursor, 11);
  EXPECT_NE(bus.dump.find("PortRef (3..5)"), std::string::npos) << bus.dump;

  Outcome ref = run("g . out  ", Parser_ParsePortRef);
  EXPECT_EQ(ref.cursor, 7);
  EXPECT_EQ(ref.dump.substr(0, ref.dump.find('\n')), "PortRef (0..7)");

  Outcome bare = run("g  ", Parser_ParsePortRef);
  EXPECT_EQ(bare.cursor, 3);

  Outcome failed = run("(a=b", Parser_ParseBusType);
  EXPECT_FALSE(failed.matched);
  EXPECT_EQ(failed.cursor, 4);
}

std::string nested(int depth) {
  std::string text = "output y(in=";
  for (int i = 0; i < depth; ++i) text += "not(in=";
  text += "x";
  for (int i = 0; i < depth; ++i) text += ").out";
  text += ")";
  return text;
}

TEST(GrammarTest, NestingUpToTheLimitParses) {
  std::string input = nested(LL_MAX_NESTING);
  ParserPtr p(Parser_New());
  Parser_SetInput(p.get(), input.data(), static_cast<std::int32_t>(input.size()));
  std::int32_t cursor = 0;
  ll_tree* tree = Parser_Parse(p.get(), &cursor, nullptr);
  ASSERT_NE(tree, nullptr);
  EXPECT_FALSE(Parser_NestingTooDeep(p.get()));
  EXPECT_EQ(cursor, static_cast<std::int32_t>(input.size()));
  ll_node_id root = 0;
  ASSERT_TRUE(ll_tree_root(tree, &root));
  // The text of the root walks the whole depth: every byte but the one blank.
  std::string expected = input;
  expected.erase(expected.find(' '), 1);
  EXPECT_EQ(take(ll_tree_text(tree, root)), expected);
}

TEST(GrammarTest, NestingBeyondTheLimitIsRefused) {
  for (int depth : {LL_MAX_NESTING + 1, 100000}) {
    std::string input = nested(depth);
    ParserPtr p(Parser_New());
    Parser_SetInput(p.get(), input.data(), static_cast<std::int32_t>(input.size()));
    ll_parsing_error err{};
    EXPECT_EQ(Parser_Parse(p.get(), nullptr, &err), nullptr) << depth;
    EXPECT_TRUE(Parser_NestingTooDeep(p.get()));
    EXPECT_STREQ(err.message, "Nesting too deep");
    ll_parsing_error_free(&err);
    // The next run on the same parser starts afresh.
    Parser_SetInput(p.get(), "input a", 7);
    EXPECT_NE(Parser_Parse(p.get(), nullptr, nullptr), nullptr);
    EXPECT_FALSE(Parser_NestingTooDeep(p.get()));
  }
}

}  // namespace
