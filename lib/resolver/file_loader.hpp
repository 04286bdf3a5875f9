#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/error.hpp"
#include "core/lexical_path.hpp"
#include "core/text_arena.hpp"

// Loads source files: real files by canonical path, and the built-in macro
// sources by their "<builtin>/" virtual paths.
namespace vorn::file_loader {

struct LoadedFile {
  std::string_view absolute_path;  // canonical path, or the virtual path of a built-in
  std::string_view source;         // the whole file
};

// The same, owned by the caller instead of an arena, so that a caller that
// only needs the text for a while can drop it.
struct OwnedFile {
  std::string absolute_path;
  std::string source;
};

// `text` without one leading UTF-8 byte order mark, which some editors write
// and which is no part of the source: columns count from the character after it.
std::string_view withoutByteOrderMark(std::string_view text);

// A "<builtin>/" path never touches the file system: it is one of the five
// macro sources or BuiltinNotFound. Any other path is canonicalised (symbolic
// links resolved) and read whole, up to 16 MiB (FileTooBig beyond); a leading
// byte order mark is dropped, unless the text is wanted as an editor holds
// it (`keep_byte_order_mark`).
Result<LoadedFile> loadFile(TextArena& arena, std::string_view path);
Result<OwnedFile> loadFileOwned(std::string_view path, bool keep_byte_order_mark = false);

// Text that stands in for the file at a path: an editor's unsaved buffer.
// Asked with canonical absolute paths, and with the lexically normalised
// absolute path of a file that does not exist on disk (yet).
using SourceOverlay = std::function<std::optional<std::string_view>(std::string_view path)>;

// Makes every load and import resolution on this thread consult `overlay`
// before the file system, until the guard goes away.
class ScopedSourceOverlay {
 public:
  explicit ScopedSourceOverlay(SourceOverlay overlay);
  ~ScopedSourceOverlay();
  ScopedSourceOverlay(const ScopedSourceOverlay&) = delete;
  ScopedSourceOverlay& operator=(const ScopedSourceOverlay&) = delete;

 private:
  SourceOverlay overlay_;
  const SourceOverlay* previous_;
};

// What the active overlay holds for `path`, if any.
std::optional<std::string_view> overlaidText(std::string_view path);

// The import path joined to the directory of the importing file ("." when it
// has none) and normalised lexically, without touching the file system: the
// path a person would follow from the importing file. An absolute import path
// stands alone; "<builtin>/" paths come back unchanged.
std::string joinImportPath(std::string_view importing_path, std::string_view import_path);

// Resolves an import path against the directory of the importing file and
// canonicalises it. "<builtin>/" paths come back unchanged.
Result<std::string_view> resolveImportPath(TextArena& arena, std::string_view importing_path,
                                           std::string_view import_path);

using lexical_path::normalizeLexically;

}  // namespace vorn::file_loader
