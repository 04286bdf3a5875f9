#pragma once

// Trace output of the engine. Natively each line is "info(log): " + message +
// "\n" and goes to a sink (standard error by default); in the wasm runtime the
// line is "(wasm) " + message without newline and goes to the host.
#include <stddef.h>
#include <stdint.h>

namespace vorn::log {

// Receives one whole line at a time (prefix and, natively, the newline
// included). `text` is only valid during the call.
using Sink = void (*)(void* context, const char* text, size_t length);

#if VORN_FREESTANDING
inline constexpr char kLinePrefix[] = "(wasm) ";
inline constexpr char kLineSuffix[] = "";
#else
inline constexpr char kLinePrefix[] = "info(log): ";
inline constexpr char kLineSuffix[] = "\n";
#endif

// Print type handed to the wasm host together with each line.
enum class PrintType : uint8_t { Debug = 0, Info = 1, Warn = 2, Err = 3 };

// A null sink drops every line (and skips formatting them). Natively the
// default sink writes each line to file descriptor 2 with one write call.
void setSink(Sink sink, void* context);
// The sink in force at start (standard error natively, the host in wasm).
Sink defaultSink();

// Whether a line written now would reach anyone; callers skip formatting
// otherwise.
bool enabled();

// Hands one complete line to the sink.
void emit(const char* text, size_t length);

// A reused line buffer: one line is built in it and then emitted. Lines are
// bounded (numbers and fixed names only), so the buffer never overflows; an
// overlong append is truncated rather than written past the end.
class Line {
 public:
  static constexpr size_t kCapacity = 256;

  // Starts a new line with the prefix.
  Line& begin();
  Line& append(const char* text, size_t length);
  template <size_t N>
  Line& append(const char (&text)[N]) {
    return append(text, N - 1);
  }
  Line& appendCString(const char* text);
  Line& appendDecimal(uint64_t value);
  // Adds the suffix and hands the line to the sink.
  void finish();

  const char* data() const { return buffer_; }
  size_t size() const { return length_; }

 private:
  char buffer_[kCapacity] = {};
  size_t length_ = 0;
};

// The one line buffer used by the engine.
Line& line();

}  // namespace vorn::log
