#pragma once

namespace ime {

// Key codes shared by the input engines.
inline constexpr int kBackspace = 8;
inline constexpr int kSpace = 32;

// Only the 7-bit codes can be mapped.
inline constexpr int kAsciiKeys = 128;

// The key code as an index into a table of 7-bit codes, or -1. The engines compare key codes
// as signed bytes, so 128..255 never match a table row; anything outside 0..255 is not a key
// code at all and never matches either (it is not folded onto its low byte).
constexpr int asciiKey(int key) {
    return key >= 0 && key < kAsciiKeys ? key : -1;
}

} // namespace ime
