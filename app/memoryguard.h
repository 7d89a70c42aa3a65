#pragma once

#include <QString>
#include <cstdint>
#include <functional>

// Edits that run out of memory. A command that changes the text runs through guardMemory():
// when it cannot get its memory (std::bad_alloc, text::OutOfMemory with the size asked for), it
// is refused with a message box and the program goes on. The text buffer changes nothing when an
// edit of it fails, so the text is as it was before the command.
namespace app {

// "not enough memory for 100 MB" (KB below a megabyte, bytes below a kilobyte, a megabyte being
// 1,000,000 bytes and rounded up); "not enough memory" when `bytes` is 0 or less (not known).
QString notEnoughMemoryText(std::int64_t bytes);

// Shows notEnoughMemoryText(bytes) in an error box (caption "ERROR", OK) through modal::run.
void showNotEnoughMemory(std::int64_t bytes);

// Runs `command`; when it throws std::bad_alloc, shows the message and returns false.
bool guardMemory(const std::function<void()>& command);

// Runs `work`; a std::bad_alloc it throws comes out as text::OutOfMemory of `bytes` (one that
// carries a size already is passed on as it is). For commands that copy text before editing.
void sizedMemory(std::int64_t bytes, const std::function<void()>& work);

} // namespace app
