#pragma once

// Trace output of the engine. Natively each line is "info(log): " + message +
// "\n" and goes to a sink (standard error by default); in the wasm runtime the
// line is "(wasm) " + message without newline and goes to the host.
#include <stddef.h>
#include <stdint.h>

#if VORN_FREESTANDING
// The runtime module is part of every compiled .wasm file, so its trace code
// is kept exactly as it is: one line at a time, straight to the host.
namespace vorn::log {

// Receives one whole line at a time (prefix included). `text` is only valid
// during the call.
using Sink = void (*)(void* context, const char* text, size_t length);

inline constexpr char kLinePrefix[] = "(wasm) ";
inline constexpr char kLineSuffix[] = "";

// Print type handed to the wasm host together with each line.
enum class PrintType : uint8_t { Debug = 0, Info = 1, Warn = 2, Err = 3 };

// A null sink drops every line (and skips formatting them).
void setSink(Sink sink, void* context);
// The sink in force at start: the host.
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
    // No C library in the runtime module, so no memcpy to call.
    for (size_t i = 0; i < count; ++i) to[i] = from[i];
  }

  char buffer_[kCapacity] = {};
  size_t length_ = 0;
};

// The one line buffer used by the engine.
Line& line();

}  // namespace vorn::log

#else

namespace vorn::log {

// Receives whole lines (prefix and newline included): one at a time for the
// default sink; for any other sink a batch of consecutive lines, handed over
// when the batch fills, at `flush` and when the sink is replaced. `text` is
// only valid during the call.
using Sink = void (*)(void* context, const char* text, size_t length);

inline constexpr char kLinePrefix[] = "info(log): ";
inline constexpr char kLineSuffix[] = "\n";
// A truth table traces hundreds of megabytes in lines of about fifty bytes,
// so lines are collected and handed over in pieces at least as large as the
// driver's standard-error buffer (1 MiB), which then writes them through
// without copying again.
inline constexpr size_t kBatchBytes = 1024 * 1024;

// A null sink drops every line (and skips formatting them). The default sink
// writes each line to file descriptor 2 with one write call.
// Lines still held for the previous sink are handed to it first.
void setSink(Sink sink, void* context);
// The sink in force at start (standard error).
Sink defaultSink();

// Hands the lines held back so far to the sink.
void flush();

// Hands one complete line to the sink, after any held back.
void emit(const char* text, size_t length);

namespace detail {

inline void copyBytes(char* to, const char* from, size_t count) { __builtin_memcpy(to, from, count); }

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline size_t decimalDigits(uint64_t value) {
  size_t count = 1;
  for (; value >= 100; value /= 100) count += 2;
  return count + (value >= 10 ? 1 : 0);
}

// Writes `value` in decimal ending just before `end`, two digits at a time
// from a table, right to left.
inline void writeDigitsBefore(char* end, uint64_t value) {
  while (value >= 100) {
    const char* pair = kDigitPairs + (value % 100) * 2;
    value /= 100;
    *--end = pair[1];
    *--end = pair[0];
  }
  if (value >= 10) {
    const char* pair = kDigitPairs + value * 2;
    *--end = pair[1];
    *--end = pair[0];
  } else {
    *--end = char('0' + value);
  }
}

}  // namespace detail

// Writes one line whose pieces are known to fit in Line::kCapacity (fixed
// texts, numbers, names in fields) without checking room piece by piece; the
// position stays in a register while the line is built.
class Cursor {
 public:
  explicit Cursor(char* at) : at_(at) {}
  template <size_t N>
  Cursor& put(const char (&text)[N]) {
    detail::copyBytes(at_, text, N - 1);
    at_ += N - 1;
    return *this;
  }
  // A name in a zero-padded field of F bytes: one fixed-size move.
  template <size_t F>
  Cursor& putField(const char (&field)[F], size_t length) {
    detail::copyBytes(at_, field, F);
    at_ += length;
    return *this;
  }
  Cursor& putDecimal(uint64_t value) {
    at_ += detail::decimalDigits(value);
    detail::writeDigitsBefore(at_, value);
    return *this;
  }
  char* position() const { return at_; }

 private:
  char* at_;
};

// The line buffer of the engine: each line is built in place after the lines
// held back for the sink. Lines are bounded (numbers and fixed names only),
// so the buffer never overflows; an overlong append is truncated rather than
// written past the end.
class Line {
 public:
  static constexpr size_t kCapacity = 256;

  // Starts a new line with the prefix.
  Line& begin() {
    length_ = start_;
    return append(kLinePrefix);
  }
  Line& append(const char* text, size_t length) {
    size_t room = start_ + kCapacity - length_;
    if (length > room) length = room;
    copyBytes(buffer_ + length_, text, length);
    length_ += length;
    return *this;
  }
  template <size_t N>
  Line& append(const char (&text)[N]) {
    // Literal pieces have a constant length, so the copy compiles to a few moves.
    if (N - 1 > start_ + kCapacity - length_) return append(text, N - 1);
    copyBytes(buffer_ + length_, text, N - 1);
    length_ += N - 1;
    return *this;
  }
  // A short name kept in a zero-padded field of kFieldBytes: the whole field
  // is copied in one fixed-size move and only `length` bytes count.
  static constexpr size_t kFieldBytes = 16;
  Line& appendField(const char (&field)[kFieldBytes], size_t length) {
    if (length > start_ + kCapacity - length_) return append(field, length);
    copyBytes(buffer_ + length_, field, kFieldBytes);
    length_ += length;
    return *this;
  }
  Line& appendCString(const char* text);
  Line& appendDecimal(uint64_t value) {
    size_t count = detail::decimalDigits(value);
    if (count > start_ + kCapacity - length_) return *this;
    // Digits go straight into place.
    detail::writeDigitsBefore(buffer_ + length_ + count, value);
    length_ += count;
    return *this;
  }
  // Adds the suffix; the line reaches the sink now or with its batch.
  void finish() {
    append(kLineSuffix);
    start_ = length_;
    if (length_ > hold_limit_) handOver();
  }

  // The same for a line built with a Cursor: `start` writes the prefix,
  // `finish(cursor)` the suffix.
  Cursor start() {
    Cursor cursor(buffer_ + start_);
    cursor.put(kLinePrefix);
    return cursor;
  }
  void finish(Cursor cursor) {
    cursor.put(kLineSuffix);
    start_ = length_ = size_t(cursor.position() - buffer_);
    if (length_ > hold_limit_) handOver();
  }

  // The line being built.
  const char* data() const { return buffer_ + start_; }
  size_t size() const { return length_ - start_; }

 private:
  friend void setSink(Sink, void*);
  friend void flush();
  friend void emit(const char*, size_t);

  // Gives everything finished so far to the sink and starts empty.
  void handOver();

  static void copyBytes(char* to, const char* from, size_t count) { detail::copyBytes(to, from, count); }

  // The tail leaves room for a whole field copied at a line's last byte.
  char buffer_[kBatchBytes + kCapacity + kFieldBytes] = {};
  // Where the line being built starts, and where it ends.
  size_t start_ = 0;
  size_t length_ = 0;
  // Finished lines beyond this many bytes go to the sink: 0 hands each line
  // over at once, kBatchBytes - 1 holds a batch.
  size_t hold_limit_ = 0;
};

namespace detail {
extern Line engine_line;
extern bool sink_set;
}  // namespace detail

// The one line buffer used by the engine.
inline Line& line() { return detail::engine_line; }

// Whether a line written now would reach anyone; callers skip formatting
// otherwise.
inline bool enabled() { return detail::sink_set; }

}  // namespace vorn::log

#endif
