#pragma once

#include <cstdint>

// UTF-16 units and the code points a pair of them stands for.
namespace enc {

constexpr bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
constexpr bool IsSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDFFF;
}

// The code point (10000 to 10FFFF) of a high surrogate followed by a low one. The caller checks
// that they are such a pair.
constexpr std::uint32_t JoinSurrogates(char16_t high, char16_t low) {
    return 0x10000 + ((std::uint32_t(high) - 0xD800) << 10) + (std::uint32_t(low) - 0xDC00);
}

} // namespace enc
