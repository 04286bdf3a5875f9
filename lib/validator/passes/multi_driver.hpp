#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"
#include "validator/passes/endpoint_index.hpp"

namespace vorn::multi_driver {

// E003: input ports driven by more than one connection, reported once each.
// `drivers` indexes the module's connections by destination.
void run(const types::Module& module, const endpoint_index::EndpointIndex& drivers,
         std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::multi_driver
