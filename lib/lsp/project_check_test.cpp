#include "lsp/project_check.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

#include "testing/temp_tree.hpp"

namespace vorn::lsp {
namespace {

std::string place(const std::optional<Span>& span) {
  if (!span) return "file";
  std::ostringstream out;
  out << span->start_line << ":" << span->start_col << "-" << span->end_line << ":" << span->end_col;
  return out.str();
}

std::string describe(const ProjectCheck& check) {
  std::ostringstream out;
  for (const PlacedDiagnostic& d : check.diagnostics) {
    out << d.path << ":" << place(d.span) << " " << (d.code ? diagnostics::codeName(*d.code) : "-") << " " << d.message
        << "\n";
    for (const PlacedNote& n : d.notes) out << "  " << n.path << ":" << place(n.span) << " " << n.message << "\n";
  }
  return out.str();
}

// A project edited at random, in open buffers and on disk: a check that
// reuses its stored scan must always say what a check from scratch says.
TEST(ProjectCheck, AReusedScanAgreesWithAFreshCheckThroughRandomEdits) {
  testing::TempTree tree;
  const std::vector<std::string> roots = {
      "import half \"half.vorn\"\ninput a, b\nhalf h(x=a, y=b)\noutput s(in=h.s)\n",
      "import half \"half.vorn\"\ninput a, b\nhalf h(x=a, y=b)\nhalf h(x=b)\noutput s(in=h.s)\noutput t(in=h.c)\n",
      "\n\nimport half \"half.vorn\"\ninput a, b\nhalf h(x=a, y=b)\noutput s(in=h.s)\n",
      "import half \"other.vorn\"\ninput a\nhalf h(x=a)\noutput s(in=h.s)\n",
      "import half \"half.vorn\"\nimport half \"other.vorn\"\ninput a\nhalf h(x=a)\noutput s(in=h.s)\n",
      "import both \"other.vorn\"\nimport half \"half.vorn\"\ninput a, b\nboth o(x=a)\nhalf h(x=o.s, y=b)\noutput "
      "s(in=h.s)\n",
      "import half \"missing.vorn\"\ninput a\noutput s(in=a)\n",
      "input a\nxor g(a=a, b=a)\noutput s(in=g)\n",
      "// only a comment\n",
      "import half \"half.vorn\"\ninput a, b\nhalf h(x=a, y=b\noutput s(in=h.s)\n",
      "",
  };
  const std::vector<std::string> halves = {
      "input x, y\nxor g(a=x, b=y)\nand c(a=x, b=y)\noutput s(in=g)\noutput c(in=c)\n",
      "input x\nnot g(in=x)\noutput s(in=g)\n",
      "import back \"main.vorn\"\ninput x, y\nback b(a=x, b=y)\noutput s(in=b.s)\n",
      "input x, y\nnope g(a=x)\noutput s(in=g)\n",
      "input x, y\n%%%\n",
      "",
  };
  const std::vector<std::string> others = {
      "import half \"half.vorn\"\ninput x\nhalf h(x=x, y=x)\noutput s(in=h.s)\n",
      "input x\noutput s(in=x)\n",
  };
  const std::string root_path = tree.write("main.vorn", roots[0]);
  const std::string half_path = tree.write("half.vorn", halves[0]);
  const std::string other_path = tree.write("other.vorn", others[1]);

  std::map<std::string, std::string> open;
  const file_loader::SourceOverlay overlay = [&](std::string_view path) -> std::optional<std::string_view> {
    auto found = open.find(std::string(path));
    if (found == open.end()) return std::nullopt;
    return std::string_view(found->second);
  };
  std::mt19937 random(7);
  ScanCache cache;
  int reused_steps = 0;
  for (int step = 0; step < 300; ++step) {
    switch (random() % 6) {
      case 0:
      case 1: open[root_path] = roots[random() % roots.size()]; break;
      case 2: open[half_path] = halves[random() % halves.size()]; break;
      case 3: open.erase(half_path); break;
      case 4: tree.write("half.vorn", halves[random() % halves.size()]); break;
      case 5: tree.write("other.vorn", others[random() % others.size()]); break;
    }
    if (!open.contains(root_path)) open[root_path] = roots[0];
    const bool had_scan = cache.state != nullptr;
    const std::string cached = describe(checkProject(root_path, overlay, &cache));
    const std::string fresh = describe(checkProject(root_path, overlay));
    ASSERT_EQ(cached, fresh) << "step " << step;
    if (had_scan && cache.state != nullptr) ++reused_steps;
  }
  // The comparison means little unless the stored scan was really used.
  EXPECT_GT(reused_steps, 30);
}

// What an open buffer says wins over its file, and stage failures are worded
// as the compiler words them, at the start of the root.
TEST(ProjectCheck, PlacesDiagnosticsInTheirFilesAndWordsFailedStages) {
  testing::TempTree tree;
  const std::string root = tree.write("main.vorn", "import lib \"lib.vorn\"\ninput a\nlib l(x=a)\noutput q(in=l.y)\n");
  const std::string lib = tree.write("lib.vorn", "input x\noutput y(in=x)\n");
  std::map<std::string, std::string> open{{lib, "input x, x\noutput y(in=x)\n"}};
  const file_loader::SourceOverlay overlay = [&](std::string_view path) -> std::optional<std::string_view> {
    auto found = open.find(std::string(path));
    if (found == open.end()) return std::nullopt;
    return std::string_view(found->second);
  };
  ProjectCheck check = checkProject(root, overlay);
  ASSERT_EQ(check.diagnostics.size(), 2u) << describe(check);
  EXPECT_EQ(check.diagnostics[1].code, diagnostics::DiagnosticCode::W001);
  EXPECT_EQ(check.diagnostics[0].path, lib);
  EXPECT_EQ(check.diagnostics[0].code, diagnostics::DiagnosticCode::E005);
  ASSERT_EQ(check.diagnostics[0].notes.size(), 1u);
  EXPECT_EQ(check.diagnostics[0].notes[0].path, lib);
  EXPECT_EQ(check.file_paths.front(), root);
  EXPECT_NE(std::find(check.file_paths.begin(), check.file_paths.end(), lib), check.file_paths.end());

  open[root] = "";
  check = checkProject(root, overlay);
  ASSERT_EQ(check.diagnostics.size(), 1u);
  EXPECT_EQ(check.diagnostics[0].message, "parse failed: ParsingFailed");
  EXPECT_EQ(check.diagnostics[0].path, root);
  EXPECT_FALSE(check.diagnostics[0].code.has_value());

  open[root] = "import lib \"lib.vorn\"\ninput a\nlib l(x=a)\noutput q(in=l.y)\n";
  // An imported file with nothing in it is named at its start, as the
  // compiler does; the editor explains the root's failure at its import.
  open[lib] = "// nothing but a comment\n";
  check = checkProject(root, overlay);
  ASSERT_EQ(check.diagnostics.size(), 1u) << describe(check);
  EXPECT_EQ(check.diagnostics[0].path, lib);
  EXPECT_EQ(check.diagnostics[0].message, "the file is empty or holds only comments");
  EXPECT_EQ(check.diagnostics[0].span, (Span{0, 1, 1, 1, 2}));

  // Unread text in an imported file: located there, and the root is checked
  // on with that line blanked, so that it keeps its own diagnostics.
  open[lib] = "input x\noutput y(in=x)\n  %%%\n";
  open[root] = "import lib \"lib.vorn\"\ninput a\nlib l(x=a)\nand g(a=a, b=zz)\noutput q(in=l.y)\noutput r(in=g)\n";
  check = checkProject(root, overlay);
  ASSERT_EQ(check.diagnostics.size(), 3u) << describe(check);
  EXPECT_EQ(check.diagnostics[0].path, lib);
  EXPECT_EQ(check.diagnostics[0].span, (Span{0, 3, 3, 3, 4}));
  // The parser's own words, naming the character it could not take.
  EXPECT_NE(check.diagnostics[0].message.find("got '%'"), std::string::npos) << check.diagnostics[0].message;
  EXPECT_EQ(check.diagnostics[1].path, root);
  EXPECT_EQ(check.diagnostics[1].code, diagnostics::DiagnosticCode::E004);
  EXPECT_EQ(check.diagnostics[2].message, "undeclared signal 'zz'");
}

}  // namespace
}  // namespace vorn::lsp
