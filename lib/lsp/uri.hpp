#pragma once

#include <optional>
#include <string>
#include <string_view>

// file: URIs and the paths they name.
namespace vorn::lsp {

// The absolute path of a "file://" URI with an empty or "localhost"
// authority, percent escapes decoded; nothing for any other URI, and for one
// whose path would hold a NUL byte.
std::optional<std::string> pathFromFileUri(std::string_view uri);

// "file://" + the path, with every byte outside the unreserved set and "/"
// percent-encoded.
std::string fileUriFromPath(std::string_view absolute_path);

}  // namespace vorn::lsp
