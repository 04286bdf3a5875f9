#pragma once

#include <string>

#include "log/log.hpp"

namespace vorn::testing {

// Collects the engine's trace lines for the lifetime of the object.
class CapturedLog {
 public:
  CapturedLog() { log::setSink(&CapturedLog::append, this); }
  ~CapturedLog() { log::setSink(nullptr, nullptr); }
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  // Each reader first takes the lines the log still holds back.
  const std::string& text() const {
    log::flush();
    return text_;
  }
  void clear() {
    log::flush();
    text_.clear();
  }
  int lines() const {
    int count = 0;
    for (char c : text()) count += c == '\n';
    return count;
  }

 private:
  static void append(void* self, const char* text, size_t length) {
    static_cast<CapturedLog*>(self)->text_.append(text, length);
  }
  std::string text_;
};

}  // namespace vorn::testing
