#include "resolver/file_loader.hpp"

#include <cerrno>
#include <sys/stat.h>
#include "core/file_io.hpp"
#include "core/output_stream.hpp"
#include "resolver/builtins.hpp"

namespace vorn::file_loader {

namespace {

// A path with a NUL byte cannot name a file; handing it to the C library
// would silently cut it short and open some other file instead.
bool hasNulByte(std::string_view path) { return path.find('\0') != std::string_view::npos; }

thread_local const SourceOverlay* active_overlay = nullptr;

}  // namespace

std::optional<std::string_view> overlaidText(std::string_view path) {
  if (active_overlay == nullptr) return std::nullopt;
  return (*active_overlay)(path);
}

namespace {

Result<std::string> canonicalise(std::string_view path) {
  if (hasNulByte(path)) return fail(Error::FileNotFound);
  auto canonical = file_io::canonicalPath(std::string(path));
  if (!canonical && canonical.error() == Error::FileNotFound && active_overlay != nullptr && !path.empty() &&
      path.front() == '/') {
    // A buffer that was never saved exists only in the editor.
    std::string normalised = normalizeLexically(path);
    if (overlaidText(normalised)) return normalised;
  }
  return canonical;
}

}  // namespace

std::string_view withoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  return text;
}

Result<OwnedFile> loadFileOwned(std::string_view path, bool keep_byte_order_mark) {
  if (builtins::hasVirtualPrefix(path)) {
    std::optional<builtins::Name> name = builtins::macroForVirtualPath(path);
    if (!name) return fail(Error::BuiltinNotFound);
    return OwnedFile{.absolute_path = std::string(path),
                     .source = std::string(builtins::table()[static_cast<std::size_t>(*name)].source)};
  }
  VORN_TRY(std::string canonical, canonicalise(path));
  if (std::optional<std::string_view> open_buffer = overlaidText(canonical)) {
    if (open_buffer->size() > file_io::kMaxSourceBytes) return fail(Error::FileTooBig);
    return OwnedFile{.absolute_path = std::move(canonical),
                     .source = std::string(keep_byte_order_mark ? *open_buffer : withoutByteOrderMark(*open_buffer))};
  }
  // Pipes, terminals and sockets are refused before they are opened: opening
  // or reading one could wait forever for a writer that never comes.
  struct stat info {};
  if (::stat(canonical.c_str(), &info) != 0) return fail(errorFromErrno(errno));
  if (S_ISDIR(info.st_mode)) return fail(Error::IsDir);
  if (!S_ISREG(info.st_mode)) return fail(Error::NotRegularFile);
  VORN_TRY(std::string text, file_io::readFile(canonical, file_io::kMaxSourceBytes));
  if (!keep_byte_order_mark) text.erase(0, text.size() - withoutByteOrderMark(text).size());
  return OwnedFile{.absolute_path = std::move(canonical), .source = std::move(text)};
}

Result<LoadedFile> loadFile(TextArena& arena, std::string_view path) {
  if (builtins::hasVirtualPrefix(path)) {
    // The macro texts are static, so they need no copy to outlive the run.
    std::optional<builtins::Name> name = builtins::macroForVirtualPath(path);
    if (!name) return fail(Error::BuiltinNotFound);
    return LoadedFile{.absolute_path = arena.store(path),
                      .source = builtins::table()[static_cast<std::size_t>(*name)].source};
  }
  VORN_TRY(const OwnedFile owned, loadFileOwned(path));
  return LoadedFile{.absolute_path = arena.store(owned.absolute_path), .source = arena.store(owned.source)};
}

ScopedSourceOverlay::ScopedSourceOverlay(SourceOverlay overlay)
    : overlay_(std::move(overlay)), previous_(active_overlay) {
  active_overlay = &overlay_;
}

ScopedSourceOverlay::~ScopedSourceOverlay() { active_overlay = previous_; }

std::string joinImportPath(std::string_view importing_path, std::string_view import_path) {
  if (builtins::hasVirtualPrefix(import_path)) return std::string(import_path);
  std::string joined;
  if (!import_path.empty() && import_path.front() == '/') {
    joined = import_path;
  } else {
    std::string_view directory = file_io::directoryPart(importing_path);
    joined = directory.empty() ? std::string(".") : std::string(directory);
    joined.push_back('/');
    joined.append(import_path);
  }
  return normalizeLexically(joined);
}

Result<std::string_view> resolveImportPath(TextArena& arena, std::string_view importing_path,
                                           std::string_view import_path) {
  if (builtins::hasVirtualPrefix(import_path)) return arena.store(import_path);
  VORN_TRY(const std::string canonical, canonicalise(joinImportPath(importing_path, import_path)));
  return arena.store(canonical);
}

}  // namespace vorn::file_loader
