#pragma once

#include <cstddef>
#include <string>

// A file being edited often holds a line the grammar cannot read, and then
// none of it translates. Blanking that line (offsets and line breaks kept,
// so every span still fits the real text) lets the rest be read.
namespace vorn::lsp {

// Blanks the line that holds byte `offset` of `text`, where the grammar
// stopped. When that line is blank already, or the grammar stopped at the
// start of a line while an earlier line left a binding list open (an
// unclosed list is noticed a line late), the nearest earlier line with text
// is blanked instead. False when there was nothing left to blank.
bool blankUnreadableLine(std::string& text, std::size_t offset);

}  // namespace vorn::lsp
