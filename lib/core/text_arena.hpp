#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace vorn {

// Owns text for the whole run: source files, generated names, copied paths.
// Views handed out stay valid until the arena is destroyed, so the syntax
// tree and the IR can hold std::string_view without copying.
class TextArena {
 public:
  TextArena() = default;
  TextArena(const TextArena&) = delete;
  TextArena& operator=(const TextArena&) = delete;

  // Copies `text` into the arena and returns a view of the copy.
  std::string_view store(std::string_view text);

  // Takes a buffer of `size` bytes whose contents the caller fills in.
  char* allocate(std::size_t size);

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* cursor_ = nullptr;
  std::size_t remaining_ = 0;
};

}  // namespace vorn
