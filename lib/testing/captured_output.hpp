#pragma once

// Runs `write` against an OutputStream over a scratch file and returns the
// bytes that reached the descriptor. A small `capacity` makes the writes
// cross flushes.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

#include "core/output_stream.hpp"

namespace vorn::testing {

template <typename Write>
std::string capturedOutput(Write write, std::optional<std::size_t> capacity = std::nullopt) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) {
    ADD_FAILURE() << "no scratch file";
    return {};
  }
  {
    std::optional<OutputStream> out;
    if (capacity) {
      out.emplace(fileno(file), *capacity);
    } else {
      out.emplace(fileno(file));
    }
    write(*out);
    EXPECT_TRUE(out->flush().has_value());
  }
  std::string text;
  std::rewind(file);
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
  std::fclose(file);
  return text;
}

}  // namespace vorn::testing
