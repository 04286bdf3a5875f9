#pragma once

#include <string>
#include <string_view>

namespace vorn::lexical_path {

// Removes "." segments and repeated "/", and folds ".." into the segment
// before it, without looking at the file system.
std::string normalizeLexically(std::string_view path);

}  // namespace vorn::lexical_path
