#pragma once

#include <span>
#include <string_view>

#include "ir/types.hpp"

// The ports each primitive kind accepts, and the names instances may not take.
namespace vorn::port_table {

bool isValidInputPort(types::PrimitiveKind kind, std::string_view port);
bool isValidOutputPort(types::PrimitiveKind kind, std::string_view port);

// Required inputs in the order they are reported.
std::span<const std::string_view> requiredInputs(types::PrimitiveKind kind);

// The six primitive type names; the derived gates are not among them.
bool isBuiltinName(std::string_view name);

}  // namespace vorn::port_table
