#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "test_table/table_error.hpp"

// A circuit from a test table: each output's minimal sum of products as AND,
// OR and NOT gates, a term shared by several outputs built once.
namespace vorn::analysis {

struct SynthesisRequest {
  std::string_view table_text;
  std::string_view table_name;              // named in the file's comment header
  std::optional<std::string_view> outputs;  // "y,z"; without it the last column
};

// The text of a .vorn file. Every column not named an output is an input, in
// column order; "*" and empty cells and rows not listed are don't-cares.
// Fails, located in the table, on a malformed table, an output column that
// does not exist, a '?' to produce, or two rows that want different values.
test_table::Parsed<std::string> synthesize(const SynthesisRequest& request);

}  // namespace vorn::analysis
