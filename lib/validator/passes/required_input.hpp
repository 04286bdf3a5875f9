#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"
#include "validator/passes/endpoint_index.hpp"

namespace vorn::required_input {

// E004: required primitive inputs without a connection.
// `drivers` indexes the module's connections by destination.
void run(const types::Module& module, const endpoint_index::EndpointIndex& drivers,
         std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::required_input
