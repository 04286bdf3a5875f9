#pragma once

#include <string>
#include <vector>

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "truth_table/builder.hpp"

namespace vorn::json {

// `"a"`: a name as a JSON string.
void appendName(std::string& text, std::string_view name);

// `["a","b"]`: the names as JSON strings, in order.
void appendNameList(std::string& text, const std::vector<builder::PinRef>& pins);

Result<void> render(OutputStream& out, const builder::Table& table);

}  // namespace vorn::json
