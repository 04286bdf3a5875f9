#include "resolver/builtins.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resolver/file_loader.hpp"
#include "testing/temp_tree.hpp"

namespace vorn::builtins {
namespace {

std::string lines(std::initializer_list<std::string_view> list) {
  std::string text;
  for (std::string_view line : list) {
    text.append(line);
    text.push_back('\n');
  }
  return text;
}

const std::vector<std::string>& expectedTexts() {
  static const std::vector<std::string> texts = {
      lines({"// OR(a,b) = NOT(AND(NOT(a), NOT(b)))", "input a, b", "not na(in=a)", "not nb(in=b)",
             "and inner(a=na.out, b=nb.out)", "not n(in=inner.out)", "output out(in=n.out)"}),
      lines({"// NAND(a,b) = NOT(AND(a,b))", "input a, b", "and inner(a=a, b=b)", "not n(in=inner.out)",
             "output out(in=n.out)"}),
      lines({"// NOR(a,b) = NOT(OR(a,b))", "input a, b", "or inner(a=a, b=b)", "not n(in=inner.out)",
             "output out(in=n.out)"}),
      lines({"// XOR(a,b) = AND(OR(a,b), NAND(a,b))", "input a, b", "or o(a=a, b=b)", "nand n(a=a, b=b)",
             "and gate(a=o.out, b=n.out)", "output out(in=gate.out)"}),
      lines({"// XNOR(a,b) = NOT(XOR(a,b))", "input a, b", "xor inner(a=a, b=b)", "not n(in=inner.out)",
             "output out(in=n.out)"}),
  };
  return texts;
}

TEST(Builtins, TableHoldsTheFiveMacroTextsInOrder) {
  const std::size_t lengths[] = {146, 101, 98, 132, 101};
  const std::string_view names[] = {"or", "nand", "nor", "xor", "xnor"};
  ASSERT_EQ(table().size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    const Entry& entry = table()[i];
    EXPECT_EQ(static_cast<std::size_t>(entry.name), i);
    EXPECT_EQ(slice(entry.name), names[i]);
    EXPECT_EQ(entry.source.size(), lengths[i]) << names[i];
    EXPECT_EQ(entry.source, expectedTexts()[i]) << names[i];
  }
}

TEST(Builtins, AliasesAndVirtualPathsAreExactAndCaseSensitive) {
  TextArena arena;
  EXPECT_EQ(virtualPathForMacroAlias(arena, "or"), "<builtin>/or.vorn");
  EXPECT_EQ(virtualPathForMacroAlias(arena, "xnor"), "<builtin>/xnor.vorn");
  for (std::string_view other : {"OR", "Or", "and", "xor ", "", "xo"}) {
    EXPECT_FALSE(virtualPathForMacroAlias(arena, other).has_value()) << other;
    EXPECT_FALSE(isMacroImportAlias(other)) << other;
  }
  for (std::string_view name : {"or", "nand", "nor", "xor", "xnor"}) EXPECT_TRUE(isMacroImportAlias(name));
  EXPECT_EQ(macroForVirtualPath("<builtin>/nor.vorn"), Name::nor);
  EXPECT_FALSE(macroForVirtualPath("<builtin>/nor.vorn/").has_value());
  EXPECT_FALSE(macroForVirtualPath("<builtin>/NOR.vorn").has_value());
}

TEST(Builtins, LoaderServesVirtualPathsWithoutTouchingTheFileSystem) {
  testing::TempTree tree;
  // A real file with the same relative name must not be read.
  tree.write("<builtin>/xor.vorn", "input shadow\n");
  testing::ScopedChdir chdir(tree.root());
  TextArena arena;
  auto loaded = file_loader::loadFile(arena, "<builtin>/xor.vorn");
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->absolute_path, "<builtin>/xor.vorn");
  EXPECT_EQ(loaded->source, expectedTexts()[3]);
  EXPECT_EQ(loaded->source.size(), 132u);

  for (std::string_view unknown : {"<builtin>/and.vorn", "<builtin>/", "<builtin>/xor", "<builtin>/xor.vorn.bak"}) {
    auto failed = file_loader::loadFile(arena, unknown);
    ASSERT_FALSE(failed.has_value()) << unknown;
    EXPECT_EQ(failed.error(), Error::BuiltinNotFound) << unknown;
  }
}

}  // namespace
}  // namespace vorn::builtins
