#include "resolver/import_cycle.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>
#include <string>

namespace vorn::import_cycle {
namespace {

using scan_imports::ResolvedImport;

ResolvedImport edge(std::uint32_t from, std::uint32_t to, std::uint32_t line = 1, bool implicit = false) {
  return ResolvedImport{"alias", from, to, diagnostics::Span{from, line, 1, line, 9}, implicit};
}

std::vector<std::string_view> pathsFor(std::vector<std::string>& storage, std::size_t count) {
  storage.clear();
  for (std::size_t i = 0; i < count; ++i) storage.push_back("/p/f" + std::to_string(i) + ".vorn");
  return std::vector<std::string_view>(storage.begin(), storage.end());
}

TEST(ImportCycles, MutualImportIsOneDiagnosticListingMembersInStackOrder) {
  std::vector<std::string_view> paths = {"/p/a.vorn", "/p/b.vorn"};
  std::vector<ResolvedImport> table = {edge(0, 1, 2), edge(1, 0, 3)};
  auto result = analyzeImports(paths, table);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->topo_order, (std::vector<std::uint32_t>{1, 0}));
  ASSERT_EQ(result->diagnostics.size(), 1u);
  const diagnostics::Diagnostic& found = result->diagnostics[0];
  EXPECT_EQ(found.code, diagnostics::DiagnosticCode::E010);
  EXPECT_EQ(found.level, diagnostics::DiagnosticLevel::err);
  EXPECT_EQ(found.message, "import cycle detected: /p/a.vorn -> /p/b.vorn");
  EXPECT_EQ(found.span, table[1].span);  // the import that closed it
  ASSERT_EQ(found.notes.size(), 2u);
  EXPECT_EQ(found.notes[0].message, "cycle member: /p/a.vorn");
  EXPECT_EQ(found.notes[1].message, "cycle member: /p/b.vorn");
  EXPECT_EQ(found.notes[1].span, table[1].span);
}

TEST(ImportCycles, SelfImportAndRepeatedBackEdges) {
  std::vector<std::string> storage;
  auto paths = pathsFor(storage, 3);
  std::vector<ResolvedImport> table = {
      edge(0, 0, 1),                 // 0 imports itself
      edge(0, 1, 2), edge(1, 2, 3),  //
      edge(2, 1, 4), edge(2, 1, 5),  // the same cycle 1-2 closed twice
      edge(2, 0, 6),                 // a longer cycle 0-1-2
  };
  auto result = analyzeImports(paths, table);
  ASSERT_TRUE(result.has_value());
  ASSERT_EQ(result->diagnostics.size(), 3u);
  EXPECT_EQ(result->diagnostics[0].message, "import cycle detected: /p/f0.vorn");
  EXPECT_EQ(result->diagnostics[0].notes.size(), 1u);
  EXPECT_EQ(result->diagnostics[1].message, "import cycle detected: /p/f1.vorn -> /p/f2.vorn");
  EXPECT_EQ(result->diagnostics[1].span.start_line, 4u);
  EXPECT_EQ(result->diagnostics[2].message, "import cycle detected: /p/f0.vorn -> /p/f1.vorn -> /p/f2.vorn");
  EXPECT_EQ(result->topo_order, (std::vector<std::uint32_t>{2, 1, 0}));
  EXPECT_EQ(cycleKey({1, 4, 2}), "1-4-2");
}

TEST(ImportCycles, LoopsAmongBuiltinFilesAreNotReported) {
  std::vector<std::string_view> paths = {"/p/top.vorn", "<builtin>/or.vorn", "<builtin>/nor.vorn"};
  std::vector<ResolvedImport> table = {edge(0, 1, 1, true), edge(0, 2, 1, true), edge(1, 2, 1, true),
                                       edge(2, 1, 1, true)};
  auto result = analyzeImports(paths, table);
  ASSERT_TRUE(result.has_value());
  EXPECT_TRUE(result->diagnostics.empty());
  EXPECT_EQ(result->topo_order, (std::vector<std::uint32_t>{2, 1, 0}));
  EXPECT_FALSE(participatesInImportCycles("<builtin>/or.vorn"));
  EXPECT_TRUE(participatesInImportCycles("/p/<builtin>/or.vorn"));
}

// The walk written the obvious recursive way, as the reference for order.
struct Reference {
  const std::vector<std::string_view>& paths;
  std::vector<std::vector<const ResolvedImport*>> by_importer;
  std::vector<int> state;
  std::vector<std::uint32_t> stack, topo;
  std::set<std::string> seen;
  std::vector<std::string> messages;

  void visit(std::uint32_t n) {
    state[n] = 1;
    stack.push_back(n);
    for (const ResolvedImport* record : by_importer[n]) {
      std::uint32_t t = record->target_file;
      if (state[t] == 0) {
        visit(t);
      } else if (state[t] == 1 && !paths[n].starts_with("<builtin>/")) {
        std::size_t at = 0;
        while (stack[at] != t) ++at;
        std::string key, message = "import cycle detected: ";
        for (std::size_t i = at; i < stack.size(); ++i) {
          key += (i > at ? "-" : "") + std::to_string(stack[i]);
          message += std::string(i > at ? " -> " : "") + std::string(paths[stack[i]]);
        }
        if (seen.insert(key).second) messages.push_back(message + " @" + std::to_string(record->span.start_line));
      }
    }
    stack.pop_back();
    state[n] = 2;
    topo.push_back(n);
  }
};

TEST(ImportCycles, MatchesTheRecursiveWalkOnRandomGraphs) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    std::size_t files = 1 + random() % 12;
    std::vector<std::string> storage;
    pathsFor(storage, files);
    // Now and then the last file is a built-in, whose back edges are ignored.
    if (round % 3 == 0) storage[files - 1] = "<builtin>/xor.vorn";
    std::vector<std::string_view> paths(storage.begin(), storage.end());
    std::vector<ResolvedImport> table;
    std::size_t edges = random() % (files * 3);
    for (std::size_t i = 0; i < edges; ++i) {
      table.push_back(edge(random() % files, random() % files, static_cast<std::uint32_t>(i + 1)));
    }
    Reference reference{
        paths, std::vector<std::vector<const ResolvedImport*>>(files), std::vector<int>(files, 0), {}, {}, {}, {}};
    for (const ResolvedImport& record : table) reference.by_importer[record.importing_file].push_back(&record);
    for (std::uint32_t f = 0; f < files; ++f) {
      if (reference.state[f] == 0) reference.visit(f);
    }

    auto result = analyzeImports(paths, table);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->topo_order, reference.topo) << "round " << round;
    std::vector<std::string> messages;
    for (const diagnostics::Diagnostic& found : result->diagnostics) {
      messages.push_back(found.message + " @" + std::to_string(found.span.start_line));
    }
    EXPECT_EQ(messages, reference.messages) << "round " << round;
  }
}

TEST(ImportCycles, LongChainsNeedNoCallStack) {
  constexpr std::uint32_t kFiles = 1'000'000;
  std::vector<std::string_view> paths(kFiles, "/p/x.vorn");
  std::vector<ResolvedImport> table;
  table.reserve(kFiles);
  for (std::uint32_t i = 0; i + 1 < kFiles; ++i) table.push_back(edge(i, i + 1));
  table.push_back(edge(kFiles - 1, kFiles - 2));  // one short cycle at the far end
  auto result = analyzeImports(paths, table);
  ASSERT_TRUE(result.has_value());
  ASSERT_EQ(result->topo_order.size(), kFiles);
  EXPECT_EQ(result->topo_order.front(), kFiles - 1);
  EXPECT_EQ(result->topo_order.back(), 0u);
  ASSERT_EQ(result->diagnostics.size(), 1u);
  EXPECT_EQ(result->diagnostics[0].notes.size(), 2u);
}

}  // namespace
}  // namespace vorn::import_cycle
