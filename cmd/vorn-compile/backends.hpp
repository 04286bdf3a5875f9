#pragma once

#include <cstdint>

#include "cli/args.hpp"
#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "ir/types.hpp"
#include "stage_report.hpp"

namespace vorn::driver {

// What the back ends work on: the project when the project pipeline ran,
// otherwise the root module alone.
struct Program {
  const types::Project* project = nullptr;
  const types::Module* module = nullptr;
};

Result<std::uint8_t> runCompile(const args::Args& args, const Program& program, StageReport& report);
Result<std::uint8_t> runEmitZig(const args::Args& args, const Program& program, StageReport& report);
Result<std::uint8_t> runEmitVerilog(const args::Args& args, const Program& program, StageReport& report);
Result<std::uint8_t> runPreview(const args::Args& args, const Program& program, OutputStream& out, StageReport& report);
Result<std::uint8_t> runTruthTable(const args::Args& args, const Program& program, OutputStream& out,
                                   StageReport& report);

Result<std::uint8_t> runAnalyze(const args::Args& args, const Program& program, OutputStream& out, StageReport& report);
// Needs no circuit: the table is the input.
Result<std::uint8_t> runSynthesize(const args::Args& args, StageReport& report);
// The circuit against its reference, both through their whole pipelines.
Result<std::uint8_t> runEquiv(const args::Args& args, const Program& program, const Program& reference,
                              OutputStream& out, StageReport& report);

Result<std::uint8_t> runTest(const args::Args& args, const Program& program, OutputStream& out, StageReport& report);

}  // namespace vorn::driver
