#pragma once

#include <expected>
#include <string_view>
#include <utility>

namespace vorn {

// Every failure that ends a stage has one of these names (listed once, in
// errors.def); the driver prints the name after the stage's prefix.
enum class Error {
#define VORN_ERROR(name) name,
#include "core/errors.def"
#undef VORN_ERROR
};

std::string_view errorName(Error error);

template <typename T>
using Result = std::expected<T, Error>;

// Shorthand for returning a failure: `return fail(Error::FileNotFound);`
inline std::unexpected<Error> fail(Error error) { return std::unexpected<Error>(error); }

}  // namespace vorn

#define VORN_CONCAT_INNER(a, b) a##b
#define VORN_CONCAT(a, b) VORN_CONCAT_INNER(a, b)

// Assign-or-return: evaluates `expr` (a Result or any std::expected whose
// error converts to the caller's), returns its error if it failed, and
// otherwise declares `decl` from its value:
//   VORN_TRY(auto tree, parseFile(text));
#define VORN_TRY(decl, expr) VORN_TRY_IMPL(decl, expr, VORN_CONCAT(vorn_try_, __LINE__))
#define VORN_TRY_IMPL(decl, expr, tmp)                       \
  auto tmp = (expr);                                         \
  if (!tmp.has_value()) return std::unexpected(tmp.error()); \
  decl = std::move(*tmp)

// Return-on-failure for results that carry no value (Result<void>), or whose
// value the caller does not need.
#define VORN_TRY_VOID(expr) VORN_TRY_VOID_IMPL(expr, VORN_CONCAT(vorn_try_, __LINE__))
#define VORN_TRY_VOID_IMPL(expr, tmp) \
  if (auto tmp = (expr); !tmp.has_value()) return std::unexpected(tmp.error())
