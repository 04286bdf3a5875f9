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
  Line& append(const char* text, size_t length) {
    size_t room = kCapacity - length_;
    if (length > room) length = room;
    copyBytes(buffer_ + length_, text, length);
    length_ += length;
    return *this;
  }
  template <size_t N>
  Line& append(const char (&text)[N]) {
    // Literal pieces have a constant length, so the copy compiles to a few moves.
    if (N - 1 > kCapacity - length_) return append(text, N - 1);
    copyBytes(buffer_ + length_, text, N - 1);
    length_ += N - 1;
    return *this;
  }
  Line& appendCString(const char* text);
  Line& appendDecimal(uint64_t value) {
    // Digits are produced two at a time from a table, right to left.
    char digits[20];
    size_t position = sizeof digits;
    while (value >= 100) {
      const char* pair = kDigitPairs + (value % 100) * 2;
      value /= 100;
      digits[--position] = pair[1];
      digits[--position] = pair[0];
    }
    if (value >= 10) {
      const char* pair = kDigitPairs + value * 2;
      digits[--position] = pair[1];
      digits[--position] = pair[0];
    } else {
      digits[--position] = char('0' + value);
    }
    size_t count = sizeof digits - position;
    if (count > kCapacity - length_) return *this;
    copyBytes(buffer_ + length_, digits + position, count);
    length_ += count;
    return *this;
  }
  // Adds the suffix and hands the line to the sink.
  void finish();

  const char* data() const { return buffer_; }
  size_t size() const { return length_; }

 private:
  static constexpr char kDigitPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";

  static void copyBytes(char* to, const char* from, size_t count) {
#if VORN_FREESTANDING
    // No C library in the runtime module, so no memcpy to call.
    for (size_t i = 0; i < count; ++i) to[i] = from[i];
#else
    __builtin_memcpy(to, from, count);
#endif
  }

  char buffer_[kCapacity] = {};
  size_t length_ = 0;
};

// The one line buffer used by the engine.
Line& line();

}  // namespace vorn::log
