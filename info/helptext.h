#pragma once

#include <QString>
#include <span>
#include <string_view>

namespace info {

// Number of lines of the keymap help text.
inline constexpr int kKeymapHelpLineCount = 128;

// The keymap help, one entry per line, without line breaks (UTF-16).
std::span<const std::u16string_view> keymapHelpLines();

// The keymap help text as the help window shows it: the lines joined by CR LF, with no line
// break after the last line.
QString keymapHelpText();

} // namespace info
