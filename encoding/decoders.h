#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace enc {

// The byte-line decoders. Each decodes every byte of `line` (a byte line as the readers
// give it, without its line end) into UTF-16 units at `out`, writes a terminating zero unit and
// returns the number of units written before it. `out` must hold line.size() + 1 units: a line
// never decodes to more units than it has bytes. Decoding never fails. The span's length ends
// the line; a NUL byte inside it (the readers never leave one there) is decoded like any other.

// Shift_JIS (code page 932): a lead byte (81..9F, E0..FC) with a trail byte (40..FC but 7F)
// is one two-byte code, any other byte a code of its own; codes the table does not hold
// (80, A0, FD..FF, a lead byte without a trail byte, ...) give U+25A1.
std::size_t SjisToUtf16(std::span<const std::uint8_t> line, char16_t* out);

// EUC-JP: a byte below 80 is its own unit; a byte of 80 or above forms a two-byte code with
// the byte after it (unknown codes give U+25A1; a three-byte JIS X 0212 code gives U+25A1 for
// its first two bytes). A last byte of 80 or above without a partner is dropped.
std::size_t EucToUtf16(std::span<const std::uint8_t> line, char16_t* out);

// UTF-8 without validation: CR bytes are skipped; C0..DF starts a two-byte sequence; a lead
// F0..F4 with three continuation bytes (80..BF) for a character U+10000..U+10FFFF gives its
// surrogate pair; every other byte of 80 or above starts a three-byte sequence. Bytes missing
// at the end of the line count as zero.
std::size_t Utf8ToUtf16(std::span<const std::uint8_t> line, char16_t* out);

// The Cyrillic code pages Windows-1251, KOI8-R and CP866: one byte is one unit, bytes below 80
// are ASCII; a byte the code page leaves undefined (98 in Windows-1251) gives U+25A1.
std::size_t Cp1251ToUtf16(std::span<const std::uint8_t> line, char16_t* out);
std::size_t Koi8rToUtf16(std::span<const std::uint8_t> line, char16_t* out);
std::size_t Cp866ToUtf16(std::span<const std::uint8_t> line, char16_t* out);

// The same decoders into a string (replaced; its capacity is reused).
void SjisToUtf16(std::span<const std::uint8_t> line, std::u16string& out);
void EucToUtf16(std::span<const std::uint8_t> line, std::u16string& out);
void Utf8ToUtf16(std::span<const std::uint8_t> line, std::u16string& out);
void Cp1251ToUtf16(std::span<const std::uint8_t> line, std::u16string& out);
void Koi8rToUtf16(std::span<const std::uint8_t> line, std::u16string& out);
void Cp866ToUtf16(std::span<const std::uint8_t> line, std::u16string& out);

} // namespace enc
