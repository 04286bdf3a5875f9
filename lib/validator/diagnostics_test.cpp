#include "validator/diagnostics.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <span>
#include <string>

namespace vorn::diagnostics {
namespace {

Span at(std::uint32_t line, std::uint32_t col) { return Span{3, line, col, line, col + 1}; }

// Prints through a pipe so that the bytes on the descriptor are what is checked.
std::string printed(const std::vector<Diagnostic>& list, Counts* counts = nullptr,
                    std::span<const std::string_view> paths_by_file = {}) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  {
    OutputStream out(fds[1]);
    auto result = paths_by_file.empty() ? printDiagnosticSet(out, "adder.vorn", list)
                                        : printDiagnosticSet(out, paths_by_file, list);
    EXPECT_TRUE(result.has_value());
    if (result && counts) *counts = *result;
    EXPECT_TRUE(out.flush().has_value());
  }
  ::close(fds[1]);
  std::string text;
  char chunk[4096];
  for (ssize_t got; (got = ::read(fds[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(got));
  ::close(fds[0]);
  return text;
}

TEST(DiagnosticsTest, MainLinesAndNotesUseTheGivenPathForEveryFile) {
  std::vector<Diagnostic> list;
  list.push_back(makeDiagnostic<DiagnosticCode::E001>(at(4, 1), {"xr"}));
  list.push_back(makeDiagnostic<DiagnosticCode::E005>(at(12345, 67), {"g"},
                                                      {makeNote<NoteKind::first_declared>(at(2, 1), {"g"})}));
  list.push_back(makeDiagnostic<DiagnosticCode::W002>(at(1, 1), {"out", "xor"}));
  Counts counts;
  EXPECT_EQ(printed(list, &counts),
            "adder.vorn:4:1: error: E001: undeclared name 'xr'\n"
            "adder.vorn:12345:67: error: E005: duplicate instance name 'g'\n"
            "  note: adder.vorn:2:1: first declared as 'g' here\n"
            "adder.vorn:1:1: warning: W002: output 'out' of sub-circuit 'xor' is never read\n");
  EXPECT_EQ(counts.errors, 2u);
  EXPECT_EQ(counts.warnings, 1u);
}

TEST(DiagnosticsTest, EachLineNamesTheFileOfItsOwnSpan) {
  const std::string_view paths[] = {"top.vorn", "sub/s.vorn", "<builtin>/xor.vorn"};
  std::vector<Diagnostic> list;
  list.push_back(makeDiagnostic<DiagnosticCode::E010>(Span{1, 2, 3, 2, 9}, {"x"},
                                                      {makeNote<NoteKind::cycle_member>(Span{0, 5, 1, 5, 2}, {"a"}),
                                                       makeNote<NoteKind::cycle_member>(Span{2, 7, 4, 7, 5}, {"b"})}));
  list.push_back(makeDiagnostic<DiagnosticCode::W001>(Span{0, 1, 13, 1, 14}, {"z"}));
  // An id beyond the list (a tree built without a scan) falls back to the root.
  list.push_back(makeDiagnostic<DiagnosticCode::E001>(Span{9, 4, 1, 4, 2}, {"q"}));
  EXPECT_EQ(printed(list, nullptr, paths),
            "sub/s.vorn:2:3: error: E010: import cycle detected: x\n"
            "  note: top.vorn:5:1: cycle member: a\n"
            "  note: <builtin>/xor.vorn:7:4: cycle member: b\n"
            "top.vorn:1:13: warning: W001: input 'z' is declared but never used\n"
            "top.vorn:4:1: error: E001: undeclared name 'q'\n");
}

TEST(DiagnosticsTest, NotesKeepTheirOrder) {
  std::vector<DiagnosticNote> notes = {makeNote<NoteKind::driver>(at(3, 7), {"4", "out"}),
                                       makeNote<NoteKind::driver>(at(4, 7), {"0", "out"}),
                                       makeNote<NoteKind::driver>(at(5, 7), {"9", "out"})};
  std::vector<Diagnostic> list = {makeDiagnostic<DiagnosticCode::E003>(at(3, 7), {"a"}, notes)};
  EXPECT_EQ(printed(list),
            "adder.vorn:3:7: error: E003: multiple drivers for input port 'a'\n"
            "  note: adder.vorn:3:7: driver from component 4.out\n"
            "  note: adder.vorn:4:7: driver from component 0.out\n"
            "  note: adder.vorn:5:7: driver from component 9.out\n");
}

TEST(DiagnosticsTest, EmptyListPrintsNothing) {
  Counts counts{7, 7};
  EXPECT_EQ(printed({}, &counts), "");
  EXPECT_EQ(counts.errors, 0u);
  EXPECT_EQ(counts.warnings, 0u);
}

TEST(DiagnosticsTest, WriteFailureIsReturned) {
  int fd = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(fd, 0);
  OutputStream out(fd, 16);
  std::vector<Diagnostic> list = {makeDiagnostic<DiagnosticCode::E001>(at(1, 1), {"a_long_type_name"})};
  auto result = printDiagnosticSet(out, "x.vorn", list);
  EXPECT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), Error::NoSpaceLeft);
  ::close(fd);
}

TEST(DiagnosticsTest, CodeNamesFollowTheTable) {
  EXPECT_EQ(codeName(DiagnosticCode::E001), "E001");
  EXPECT_EQ(codeName(DiagnosticCode::E013), "E013");
  EXPECT_EQ(codeName(DiagnosticCode::W001), "W001");
  EXPECT_EQ(codeName(DiagnosticCode::W003), "W003");
}

}  // namespace
}  // namespace vorn::diagnostics
