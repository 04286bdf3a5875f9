#include "cli/args.hpp"

namespace vorn::args {

std::string_view helpText() {
  static constexpr std::string_view kHelp = R"HELP(vorn-compile — compile and inspect .vorn digital-logic source files

USAGE:
    vorn-compile <input.vorn> [mode] [options]

MODES (mutually exclusive; default is compile):
    (none)            Compile to a self-contained .wasm artifact. Requires -o.
    --emit-zig        Emit standalone generated Zig source. Requires -o.
    --emit-verilog    Emit synthesizable structural Verilog-2005 source. Requires -o.
    --inspect         Print parse tree, resolved IR, and diagnostics to stdout.
    --preview         Render an ASCII schematic of the circuit to stdout.
    --truth-table     Enumerate every input vector and print a truth table to stdout.
    --test TABLE      Run the rows of TABLE (Markdown or CSV, as --truth-table prints)
                      and report the failing ones to stdout; exit 1 if any fails.
                      --format=markdown|csv|json chooses the report's form.
    --analyze         Print each output's minimal sum of products and product of sums,
                      Karnaugh map, support, depth and critical path, and the circuit's
                      size (Markdown; --format=json for JSON). Exit 1 if an output can
                      be undefined ('?'), naming the rows.
    --synthesize TABLE --outputs NAME[,NAME…] -o OUT.vorn
                      Write a circuit of and/or/not gates that passes --test TABLE:
                      each output's minimal sum of products. Without --outputs the last
                      column is the output; every other column is an input.
    --equiv REFERENCE Prove that the circuit settles to the same outputs as REFERENCE
                      for every input combination, pins matched by name; else print
                      one counterexample per differing output and a --test table to
                      replay it. Exit 1 if they differ. --format=json: one document.

OPTIONS:
    -o <path>                       Output file. Required by compile and --emit-zig modes.
    -h, --help                      Show this help text and exit.
    --warnings-as-errors, -Werror   Treat warnings (W001–W003) as errors.
    --diagnostics-format=json       Write diagnostics and a failed stage to stderr as one JSON
                                    document (see the manual page) instead of text lines.

  Preview-only:
    --expand-macros                 Render builtin macros (xor, nand, …) as expanded primitives.
    --color=auto|always|never       ANSI styling. Default 'auto' (on when stdout is a TTY;
                                    the NO_COLOR environment variable also disables colour).

  Truth-table-only:
    --format=markdown|csv|json      Output format. Default 'markdown'. CSV uses 0/1/? cells;
                                    JSON encodes undefined cells as null.
    --strict                        Exit 1 on any undefined ('?') output cell, with one
                                    diagnostic line per offending row on stderr.
    --vcd <path>                    Also write the simulation's value changes as a VCD file
                                    (with --truth-table or --test; 1 ns per engine time unit).

EXIT CODES:
    0   Success.
    1   Diagnostic errors, build failure, or --strict regression.
        With --test: a failing row or a malformed table.
    2   Usage error (bad flags, missing input, etc).

EXAMPLES:
    vorn-compile inverter.vorn -o inverter.wasm
    vorn-compile alu.vorn --inspect
    vorn-compile half_adder.vorn --preview --color=always
    vorn-compile xor.vorn --truth-table --format=json
    vorn-compile student.vorn --test expected.csv
    vorn-compile full_adder.vorn --analyze
    vorn-compile --synthesize table.csv --outputs sum,carry -o adder.vorn
    vorn-compile student.vorn --equiv solution.vorn
)HELP";
  return kHelp;
}

}  // namespace vorn::args
