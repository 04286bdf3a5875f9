#include "resolver/project_pipeline.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "ir/resolver.hpp"
#include "syntax/translate.hpp"
#include "testing/temp_tree.hpp"

namespace vorn::project_pipeline {
namespace {

void describeList(std::ostringstream& out, const std::vector<diagnostics::Diagnostic>& list) {
  for (const diagnostics::Diagnostic& d : list) {
    out << d.span.file_id << ":" << d.span.start_line << ":" << d.span.start_col << " " << diagnostics::codeName(d.code)
        << " " << d.message << "\n";
    for (const diagnostics::DiagnosticNote& n : d.notes) {
      out << "  " << n.span.file_id << ":" << n.span.start_line << ":" << n.span.start_col << " " << n.message << "\n";
    }
  }
}

std::string describe(const ProjectRun& run) {
  std::ostringstream out;
  for (std::size_t id = 0; id < run.file_paths.size(); ++id) {
    out << "file " << id << " " << run.file_paths[id] << " as " << run.display_paths[id] << "\n";
  }
  out << "stages:\n";
  describeList(out, run.stage_diagnostics);
  if (run.failure) {
    out << "failure: " << run.failure->prefix << errorName(run.failure->error) << "\n";
    if (run.failure->unread) {
      const translate::SyntaxError& error = run.failure->unread->error;
      out << "  unread in " << run.failure->unread->file_id << " at " << error.line << ":" << error.col << " "
          << error.message << "\n";
    }
  }
  out << (run.project ? "checked:\n" : "stopped\n");
  describeList(out, run.diagnostics);
  return out.str();
}

// The compiler's way: the root read, parsed and resolved first, a failure
// there worded as its own stage; then the pipeline on what it resolved.
std::string describeAsTheCompiler(const std::string& root_path, const std::string& root_text,
                                  std::vector<std::string>* heard) {
  TextArena arena;
  // The compiler reads the root without its byte order mark.
  std::string_view source = arena.store(file_loader::withoutByteOrderMark(root_text));
  std::optional<translate::SyntaxError> unread;
  auto file = translate::parseSource(arena, source, 0, &unread);
  if (!file) {
    ProjectRun failed;
    failed.failure = StageFailure{.prefix = "parse failed: ", .error = file.error(), .unread = std::nullopt};
    if (unread) failed.failure->unread = resolve_bodies::FileSyntaxError{.file_id = 0, .error = *unread};
    return describe(failed);
  }
  auto module = resolver::resolve(*file, 0);
  if (!module) {
    ProjectRun failed;
    failed.failure = StageFailure{.prefix = "resolve failed: ", .error = module.error(), .unread = std::nullopt};
    return describe(failed);
  }
  resolve_bodies::ResolvedRoot root{.source = source, .module = std::move(*module)};
  Options options;
  options.root_tree = &*file;
  options.root = &root;
  options.on_stage_diagnostics = [&](std::span<const std::string_view>,
                                     const std::vector<diagnostics::Diagnostic>& list) -> Result<void> {
    std::ostringstream out;
    describeList(out, list);
    heard->push_back(out.str());
    return {};
  };
  auto run = runProjectPipeline(arena, root_path, options);
  EXPECT_TRUE(run.has_value());
  return run ? describe(*run) : "";
}

// Random projects on disk: the pipeline that reads the root itself (as the
// language server runs it) says what the compiler's says after it read the
// root, and the listener hears each stage's diagnostics as the run keeps them.
TEST(ProjectPipeline, ReadingTheRootItselfAgreesWithTheCompilersWayOnRandomProjects) {
  testing::TempTree tree;
  const std::vector<std::string> roots = {
      "import half \"half.vorn\"\ninput a, b\nhalf h(x=a, y=b)\noutput s(in=h.s)\n",
      "import half \"half.vorn\"\nimport other \"other.vorn\"\ninput a, b\nhalf h(x=a, y=b)\nother o(x=a)\n"
      "output s(in=h.s)\noutput t(in=o.s)\n",
      "import half \"half.vorn\"\nimport half \"other.vorn\"\ninput a\nhalf h(x=a)\noutput s(in=h.s)\n",
      "import half \"missing.vorn\"\ninput a\noutput s(in=a)\n",
      "import and \"half.vorn\"\ninput a\noutput s(in=a)\n",
      "input a\nxor g(a=a, b=a)\noutput s(in=g)\n",
      "import half \"half.vorn\"\ninput a, b\nhalf h(x=a, y=b\noutput s(in=h.s)\n",
      "// only a comment\n",
      "",
      "\xEF\xBB\xBFimport half \"half.vorn\"\ninput a, a\nhalf h(x=a)\noutput s(in=h.q)\n",
  };
  const std::vector<std::string> others = {
      "input x, y\nxor g(a=x, b=y)\nand c(a=x, b=y)\noutput s(in=g)\noutput c(in=c)\n",
      "input x\nnot g(in=x)\noutput s(in=g)\n",
      "import back \"main.vorn\"\ninput x, y\nback b(a=x, b=y)\noutput s(in=b.s)\n",
      "import half \"half.vorn\"\ninput x\nhalf h(x=x, y=x)\noutput s(in=h.s)\n",
      "input x, y\nnope g(a=x)\noutput s(in=g)\n",
      "input x, y\n%%%\n",
      "// nothing\n",
      "",
  };
  std::mt19937 random(20261207);
  std::set<std::string> outcomes;
  for (int round = 0; round < 120; ++round) {
    const std::string& root_text = roots[random() % roots.size()];
    const std::string root_path = tree.write("main.vorn", root_text);
    tree.write("half.vorn", others[random() % others.size()]);
    tree.write("other.vorn", others[random() % others.size()]);

    std::vector<std::string> heard;
    const std::string compiler = describeAsTheCompiler(root_path, root_text, &heard);
    TextArena arena;
    auto run = runProjectPipeline(arena, root_path, Options{});
    ASSERT_TRUE(run.has_value());
    // Where the root itself fails, the compiler never reaches a scan to list files.
    if (run->failure && (run->failure->prefix == "parse failed: " || run->failure->prefix == "resolve failed: ")) {
      run->file_paths.clear();
      run->display_paths.clear();
    }
    ASSERT_EQ(describe(*run), compiler) << "round " << round;
    std::ostringstream stages;
    describeList(stages, run->stage_diagnostics);
    std::string joined;
    for (const std::string& list : heard) joined += list;
    EXPECT_EQ(joined, stages.str()) << "round " << round;
    outcomes.insert(compiler.substr(compiler.find("stages:")));
  }
  // Stops by diagnostics, failures of several stages and checked projects.
  EXPECT_GT(outcomes.size(), 12u);
}

TEST(ProjectPipeline, AFailingListenerEndsTheRun) {
  testing::TempTree tree;
  const std::string root = tree.write("main.vorn", "import m \"missing.vorn\"\ninput a\noutput s(in=a)\n");
  TextArena arena;
  Options options;
  int calls = 0;
  options.on_stage_diagnostics = [&](std::span<const std::string_view>,
                                     const std::vector<diagnostics::Diagnostic>&) -> Result<void> {
    ++calls;
    return fail(Error::BrokenPipe);
  };
  auto run = runProjectPipeline(arena, root, options);
  ASSERT_FALSE(run.has_value());
  EXPECT_EQ(run.error(), Error::BrokenPipe);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vorn::project_pipeline
