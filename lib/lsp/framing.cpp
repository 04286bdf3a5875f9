#include "lsp/framing.hpp"

#include "core/output_stream.hpp"

#include <cerrno>
#include <algorithm>
#include <charconv>
#include <optional>
#include <poll.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

namespace vorn::lsp {

namespace {

// A header block longer than this without its closing empty line is junk.
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The end of the header block (the index just past its empty line) and the
// length of the block's text without it; npos when it is not complete yet.
std::size_t headerEnd(std::string_view text, std::size_t& block_length) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    // A line feed followed by an (optionally CR-terminated) empty line.
    if (i + 1 < text.size() && text[i + 1] == '\n') {
      block_length = i;
      return i + 2;
    }
    if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') {
      block_length = i;
      return i + 3;
    }
  }
  return std::string_view::npos;
}

constexpr std::string_view kLengthHeader = "Content-Length:";

// The first "Content-Length:" (any case) at or after `from`; npos if none.
std::size_t findLengthHeader(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i + kLengthHeader.size() <= text.size(); ++i) {
    if ((text[i] == 'C' || text[i] == 'c') && equalsNoCase(text.substr(i, kLengthHeader.size()), kLengthHeader)) {
      return i;
    }
  }
  return std::string_view::npos;
}

// Where a body announced too long really ends: a complete JSON value
// followed directly by the next message's header. A JSON body holds one
// value, so whatever follows it within the announced length proves the
// length wrong. npos when `body` shows no such place. Each try parses the
// body so far; `tries` bounds them for a body that quotes the header often.
std::size_t earlyBodyEnd(std::string_view body, std::size_t from, int& tries) {
  for (std::size_t at = findLengthHeader(body, from); at != std::string_view::npos && tries > 0;
       at = findLengthHeader(body, at + 1)) {
    std::size_t last = at;
    while (last > 0 &&
           (body[last - 1] == ' ' || body[last - 1] == '\t' || body[last - 1] == '\r' || body[last - 1] == '\n'))
      --last;
    if (last == 0 || (body[last - 1] != '}' && body[last - 1] != ']')) continue;
    --tries;
    if (nlohmann::json::accept(body.substr(0, at))) return at;
  }
  return std::string_view::npos;
}

constexpr int kEarlyEndTries = 4;

}  // namespace

void MessageReader::consume(std::size_t count) {
  consumed_ += count;
  if (consumed_ >= buffer_.size()) {
    buffer_.clear();
    consumed_ = 0;
  } else if (consumed_ > (1u << 20) && consumed_ * 2 > buffer_.size()) {
    buffer_.erase(0, consumed_);
    consumed_ = 0;
  }
}

bool MessageReader::fill() {
  if (closed_) return false;
  char chunk[65536];
  while (true) {
    const ssize_t got = ::read(fd_, chunk, sizeof chunk);
    if (got > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(got));
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    closed_ = true;
    return false;
  }
}

bool MessageReader::waitForInput(int timeout_ms) {
  if (!pending().empty() || closed_) return true;
  pollfd descriptor{fd_, POLLIN, 0};
  while (true) {
    const int ready = ::poll(&descriptor, 1, timeout_ms);
    if (ready >= 0) return ready > 0;
    if (errno != EINTR) return true;  // let next() meet the failure
  }
}

MessageReader::Read MessageReader::next() {
  while (true) {
    if (skip_ > 0) {
      const std::size_t dropped = std::min(skip_, pending().size());
      consume(dropped);
      skip_ -= dropped;
      if (skip_ > 0) {
        if (!fill()) return Read{};
        continue;
      }
    }
    if (resync_) {
      const std::size_t at = findLengthHeader(pending(), 0);
      if (at == std::string_view::npos) {
        // Keep a tail that may be the start of a header cut by the read.
        const std::size_t keep = std::min(pending().size(), kLengthHeader.size() - 1);
        consume(pending().size() - keep);
        if (!fill()) return Read{};
        continue;
      }
      consume(at);
      resync_ = false;
    }
    // Blank lines between messages are tolerated.
    std::size_t leading = 0;
    const std::string_view text = pending();
    while (leading < text.size() && (text[leading] == '\r' || text[leading] == '\n')) ++leading;
    if (leading > 0) {
      consume(leading);
      continue;
    }
    std::size_t block_length = 0;
    const std::size_t end = headerEnd(pending(), block_length);
    if (end == std::string_view::npos) {
      if (pending().size() > kMaxHeaderBytes) {
        resync_ = true;
        consume(pending().size() - (kLengthHeader.size() - 1));
        return Read{Status::bad_header, {}, "header block too long"};
      }
      if (!fill()) return Read{};
      continue;
    }
    const std::string block(pending().substr(0, block_length));

    std::optional<std::size_t> length;
    std::string problem;
    std::string_view rest = block;
    while (!rest.empty()) {
      const std::size_t newline = rest.find('\n');
      std::string_view line = trim(rest.substr(0, newline));
      rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) {
        problem = "header line without a colon";
        continue;
      }
      if (!equalsNoCase(trim(line.substr(0, colon)), "Content-Length")) continue;
      const std::string_view value = trim(line.substr(colon + 1));
      std::size_t parsed = 0;
      auto [stop, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
      if (value.empty() || error != std::errc() || stop != value.data() + value.size()) {
        problem = "Content-Length is not a number";
        length.reset();
        break;
      }
      length = parsed;
    }
    if (!length) {
      // Junk before a header hides it inside the block: start again there.
      // Otherwise the block and its body, whatever its size, are dropped.
      const std::size_t inner = findLengthHeader(block, 1);
      if (inner != std::string_view::npos) {
        consume(inner);
      } else {
        consume(end);
        resync_ = true;
      }
      return Read{Status::bad_header, {}, problem.empty() ? "missing Content-Length" : problem};
    }
    consume(end);
    // A length too large would wait for bytes that belong to the next
    // messages, or that never come: a body that plainly ends before the
    // next header is dropped alone. A body over the cap is only looked
    // into that far, then skipped.
    const bool oversized = *length > kMaxBodyBytes;
    const std::size_t wanted = oversized ? kMaxHeaderBytes : *length;
    std::size_t searched = 0;
    int tries = kEarlyEndTries;
    while (true) {
      const std::string_view body = pending().substr(0, wanted);
      const std::size_t from = searched > kLengthHeader.size() ? searched - kLengthHeader.size() : 0;
      if (const std::size_t early = earlyBodyEnd(body, from, tries); early != std::string_view::npos) {
        consume(early);
        return Read{Status::bad_header, {}, oversized ? "message too large" : "Content-Length runs past the body"};
      }
      searched = body.size();
      if (body.size() == wanted) break;
      if (!fill()) return Read{};
    }
    if (oversized) {
      skip_ = *length;
      resync_ = true;
      return Read{Status::bad_header, {}, "message too large"};
    }
    Read read{Status::message, std::string(pending().substr(0, *length)), {}};
    consume(*length);
    return read;
  }
}

bool writeMessage(int fd, std::string_view body) {
  OutputStream out(fd);
  const std::string length = std::to_string(body.size());
  return out.writeAll({"Content-Length: ", length, "\r\n\r\n", body}) && out.flush();
}

}  // namespace vorn::lsp
