#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace enc {

// Encodes UTF-16 units as UTF-8 at `out`, writes a terminating NUL byte and returns the number
// of bytes before it. Units below 80 take one byte, below 800 two, others three; a high
// surrogate directly followed by a low surrogate is written as one four-byte sequence, and a
// lone surrogate keeps its three-byte form, so no unit is lost. `out` must hold
// 3 * units.size() + 1 bytes.
std::size_t Utf16ToUtf8(std::u16string_view units, std::uint8_t* out);

// Appends the UTF-8 encoding of `units` (as Utf16ToUtf8, without the NUL) to `out`.
void AppendUtf8(std::u16string_view units, std::string& out);

} // namespace enc
