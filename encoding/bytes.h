#pragma once

#include <cstdint>

// Byte-level rules shared by the decoders, the line readers and detection.
namespace enc {

// A UTF-8 continuation byte: 80..BF.
constexpr bool isContinuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// The UTF-16 unit of two bytes in the order the file holds them: little-endian (first byte
// low) or big-endian (first byte high). Built from the bytes themselves, so the unit is the
// same whatever the byte order of the machine.
constexpr char16_t unitLittleEndian(std::uint8_t first, std::uint8_t second) {
    return static_cast<char16_t>(first | second << 8);
}
constexpr char16_t unitBigEndian(std::uint8_t first, std::uint8_t second) {
    return static_cast<char16_t>(first << 8 | second);
}

} // namespace enc
