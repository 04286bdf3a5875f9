#pragma once

#include <cstddef>
#include <string>

// A file being edited often holds a line the grammar cannot read, and then
// none of it translates. Blanking that line (offsets and line breaks kept,
// so every span still fits the real text) lets the rest be read.
namespace vorn::lsp {

// Blanks the line that holds byte `offset` of `text`, where the grammar
// stopped. When that line is blank already, or the nearest earlier line
// with text left a binding list open (an unclosed list is noticed a line
// late, or read on into the next line), that earlier line is blanked instead. False when there was nothing left to
// blank.
bool blankUnreadableLine(std::string& text, std::size_t offset);

// For a text the grammar refuses without saying where: blanks every line
// that the grammar refuses on its own (lines without a declaration, such as
// comments, are left). False when it blanked nothing.
bool blankRefusedLines(std::string& text);

}  // namespace vorn::lsp
