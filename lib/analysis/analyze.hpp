#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/cube.hpp"
#include "analysis/depth.hpp"
#include "analysis/evaluate.hpp"
#include "analysis/kmap.hpp"
#include "analysis/size.hpp"
#include "core/error.hpp"
#include "ir/types.hpp"
#include "topology/full_format.hpp"

// Everything --analyze reports about a circuit, output by output.
namespace vorn::analysis {

struct PathStep {
  std::string path;       // instance path, as the trace names it
  std::string_view kind;  // the primitive's keyword
  std::string at;         // where it was written
};

struct OutputAnalysis {
  std::string name;
  OutputFunction::Status status = OutputFunction::Status::ok;
  std::vector<std::string> support;           // the inputs the value depends on, in declaration order
  std::vector<std::string> reach;             // the inputs it reaches back to (for the messages)
  std::uint64_t undefined_count = 0;          // rows over `reach` where the output is '?'
  std::vector<std::uint64_t> undefined_rows;  // the first few of them
  Function function;                          // over `support`
  Cover sop;                                  // of the function
  Cover pos;                                  // of its complement: each term is a sum, negated
  std::optional<KarnaughMap> map;
  Depth depth;
  std::vector<PathStep> critical_path;
};

struct Analysis {
  std::string file;  // the root file's name
  Size size;
  std::vector<OutputAnalysis> outputs;
};

struct Source {
  const types::Project* project = nullptr;
  const types::Module* module = nullptr;
  std::string_view root_path;
};

Result<Analysis> analyze(const full_format::FullTopology& topology, const Source& source);

// One line per output that can be undefined, naming the rows (input
// assignments over the inputs it reaches) up to a few; empty when none can.
std::vector<std::string> undefinedRowMessages(const Analysis& analysis);

}  // namespace vorn::analysis
