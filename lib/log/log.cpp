#include "log/log.hpp"

#if VORN_FREESTANDING
// The runtime module's trace, kept exactly as it is (see log.hpp).

extern "C" {
__attribute__((import_module("env"), import_name("debugEnabled"))) int32_t debugEnabled();
__attribute__((import_module("env"), import_name("onDebugLog"))) void onDebugLog(const char* text, uint32_t length,
                                                                                 uint32_t type);
}

namespace vorn::log {
namespace {

// The host decides per line whether it wants it (bit 0 of debugEnabled).
void hostSink(void*, const char* text, size_t length) { onDebugLog(text, uint32_t(length), uint32_t(PrintType::Info)); }
constexpr Sink initial_sink = hostSink;
constinit Sink current_sink = initial_sink;
constinit void* current_context = nullptr;
constinit Line engine_line;

}  // namespace

void setSink(Sink sink, void* context) {
  current_sink = sink;
  current_context = context;
}

Sink defaultSink() { return initial_sink; }

bool enabled() {
  if (current_sink == nullptr) return false;
  if (current_sink == hostSink) return (debugEnabled() & 1) != 0;
  return true;
}

void emit(const char* text, size_t length) {
  if (current_sink != nullptr) current_sink(current_context, text, length);
}

Line& Line::begin() {
  length_ = 0;
  return append(kLinePrefix);
}

Line& Line::appendCString(const char* text) {
  size_t length = 0;
  while (text[length] != '\0') ++length;
  return append(text, length);
}

void Line::finish() {
  append(kLineSuffix);
  emit(buffer_, length_);
}

Line& line() { return engine_line; }

}  // namespace vorn::log

#else

#include <cerrno>
#include <unistd.h>

namespace vorn::log {
namespace {

// One write per line keeps lines whole when other writers share the
// descriptor.
void standardErrorSink(void*, const char* text, size_t length) {
  while (length > 0) {
    ssize_t written = ::write(2, text, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text += written;
    length -= size_t(written);
  }
}
constexpr Sink initial_sink = standardErrorSink;
constinit Sink current_sink = initial_sink;
constinit void* current_context = nullptr;

}  // namespace

namespace detail {
constinit Line engine_line;
constinit bool sink_set = true;
}  // namespace detail

void Line::handOver() {
  if (start_ > 0 && current_sink != nullptr) current_sink(current_context, buffer_, start_);
  // A line under construction keeps its bytes.
  size_t partial = length_ - start_;
  for (size_t i = 0; i < partial; ++i) buffer_[i] = buffer_[start_ + i];
  start_ = 0;
  length_ = partial;
}

void setSink(Sink sink, void* context) {
  Line& line = detail::engine_line;
  line.handOver();
  current_sink = sink;
  current_context = context;
  detail::sink_set = sink != nullptr;
  // Standard error may be shared with other writers, and tests swap the
  // descriptor under the default sink, so only other sinks get batches.
  line.hold_limit_ = sink == initial_sink ? 0 : kBatchBytes - 1;
}

Sink defaultSink() { return initial_sink; }

void flush() { detail::engine_line.handOver(); }

void emit(const char* text, size_t length) {
  flush();
  if (current_sink != nullptr) current_sink(current_context, text, length);
}

Line& Line::appendCString(const char* text) {
  size_t length = 0;
  while (text[length] != '\0') ++length;
  return append(text, length);
}

}  // namespace vorn::log

#endif
