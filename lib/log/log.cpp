#include "log/log.hpp"

#if VORN_FREESTANDING
extern "C" {
__attribute__((import_module("env"), import_name("debugEnabled"))) int32_t debugEnabled();
__attribute__((import_module("env"), import_name("onDebugLog"))) void onDebugLog(const char* text,
                                                                                uint32_t length,
                                                                                uint32_t type);
}
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace vorn::log {
namespace {

#if VORN_FREESTANDING
// The host decides per line whether it wants it (bit 0 of debugEnabled).
void hostSink(void*, const char* text, size_t length) {
  onDebugLog(text, uint32_t(length), uint32_t(PrintType::Info));
}
constexpr Sink initial_sink = hostSink;
#else
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
#endif
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
#if VORN_FREESTANDING
  if (current_sink == hostSink) return (debugEnabled() & 1) != 0;
#endif
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
