// The compiler translates each item while the parser reads on and keeps no
// more than one item's parse tree. Here random texts, valid and broken, are
// also parsed whole and translated from the finished tree; both ways must
// give the same syntax tree, or fail the same way at the same place.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/inspect_dump.hpp"
#include "core/text_arena.hpp"
#include "parser/parser.hpp"
#include "syntax/translate.hpp"
#include "syntax/translate_steps.hpp"
#include "testing/random.hpp"

namespace vorn {
namespace {

struct Outcome {
  std::optional<Error> error;
  std::optional<translate::SyntaxError> syntax_error;
  std::string dump;  // the syntax tree, when translated
};

std::string describe(const Outcome& outcome) {
  std::string text = outcome.error ? std::string(errorName(*outcome.error)) : "ok";
  if (outcome.syntax_error) {
    text += " at " + std::to_string(outcome.syntax_error->offset) + ": " + outcome.syntax_error->message;
  }
  return text + "\n" + outcome.dump;
}

Outcome streamed(std::string_view source) {
  TextArena arena;
  Outcome outcome;
  auto file = translate::parseSource(arena, source, 0, &outcome.syntax_error);
  if (!file) {
    outcome.error = file.error();
    return outcome;
  }
  outcome.dump = inspect_dump::dumpAstFile(*file).value_or("dump failed");
  return outcome;
}

// The whole parse tree first, then every item from it.
Outcome whole(std::string_view source) {
  TextArena arena;
  Outcome outcome;
  Parser* parser = Parser_New();
  Parser_SetInput(parser, source.data(), static_cast<std::int32_t>(source.size()));
  Parser_SetShowFails(parser, true);
  std::int32_t stopped = 0;
  const ll_tree* tree = Parser_Parse(parser, &stopped, nullptr);
  ll_node_id root = 0;
  ll_parsing_error record{};
  // Text left unread is located, even where no item was read before it.
  if (tree == nullptr && Parser_NestingTooDeep(parser)) {
    outcome.error = Error::NestingTooDeep;
  } else if (Parser_UnreadText(parser, tree == nullptr ? 0 : stopped, &record)) {
    translate::TranslationContext ctx(arena, Parser_Tree(parser), source, 0);
    const LineCol at = translate::offsetToLineCol(ctx, record.end);
    outcome.error = Error::ParsingFailed;
    outcome.syntax_error =
        translate::SyntaxError{static_cast<std::uint32_t>(record.end), at.line, at.col, record.message};
    ll_parsing_error_free(&record);
  } else if (tree == nullptr || !ll_tree_root(tree, &root)) {
    outcome.error = Error::ParsingFailed;
  } else {
    translate::TranslationContext ctx(arena, tree, source, 0);
    auto file = translate::translateProgram(ctx, root);
    if (file) {
      outcome.dump = inspect_dump::dumpAstFile(*file).value_or("dump failed");
    } else {
      outcome.error = file.error();
    }
  }
  Parser_Delete(parser);
  return outcome;
}

using testing::Random;

// Lines of every kind the grammar knows, and pieces that break them.
constexpr std::string_view kLines[] = {
    "input a, b",
    "output y",
    "output z(in=g.out)",
    "and g(a=a, b=b)",
    "not n(in=g)",
    "// a comment",
    "g.out <> n.in",
    "import h \"half.vorn\"",
    "import e \"\"",
    "or o(a=not(in=a).out, b=and(a=a, b=n).out)",
    "nand q(a=a, b=x(in=b).q)",
    "output w(in=a, zz=b)",
    "bus w(a=a)",
    "led l(in=o)",
    "xor x(a=a,b=b)",
};
constexpr std::string_view kPieces[] = {"(", ")", ",", "=", ".", "<>", "@", "\"", "//", "\n", " ", "and", "in=", "7"};

std::string randomText(Random& random) {
  std::string text;
  const int lines = random.below(6);
  for (int i = 0; i < lines; ++i) {
    text += kLines[random.below(int(std::size(kLines)))];
    text += random.below(4) == 0 ? "  " : "\n";
  }
  const int breaks = random.below(3);
  for (int i = 0; i < breaks && !text.empty(); ++i) {
    const auto at = static_cast<std::size_t>(random.below(int(text.size()) + 1));
    if (random.below(2) == 0) {
      text.insert(at, kPieces[random.below(int(std::size(kPieces)))]);
    } else {
      text.erase(at, static_cast<std::size_t>(1 + random.below(4)));
    }
  }
  return text;
}

TEST(StreamedTranslation, AgreesWithTranslatingTheWholeTree) {
  Random random(2026);
  int translated = 0;
  int refused_with_place = 0;
  for (int round = 0; round < 4000; ++round) {
    const std::string text = randomText(random);
    const Outcome expected = whole(text);
    const Outcome actual = streamed(text);
    ASSERT_EQ(describe(actual), describe(expected)) << "text:\n" << text;
    translated += expected.error ? 0 : 1;
    refused_with_place += expected.syntax_error ? 1 : 0;
  }
  // Both outcomes must be common, or the comparison proves little.
  EXPECT_GT(translated, 400);
  EXPECT_GT(refused_with_place, 400);
}

}  // namespace
}  // namespace vorn
