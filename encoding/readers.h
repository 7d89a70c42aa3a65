#pragma once

#include "encoding/stream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace enc {

// UTF-16 byte orders as SkipBom returns them and ReadUtf16Line takes them.
inline constexpr int kLittleEndian = 0;
inline constexpr int kBigEndian = 1;

// Reads up to three bytes from the start of the stream and returns the UTF-16 byte order to
// use: 0 (little-endian) after the mark FF FE, else 1 (big-endian). The marks FF FE, FE FF and
// EF BB BF are consumed; any other bytes are put back, also when the file ends within them.
int SkipBom(ByteStream& in);

// Reads one byte line into `line` (cleared first; its capacity is reused). The line ends at
// CR, LF, CR LF, NUL, 1A, CR 1A or the end of the stream, none of which is stored; after a CR
// the next byte is consumed when it is LF or 1A and put back otherwise. Lines have no length
// limit. Returns the number of bytes stored, or -1 when the line ended at 1A or at the end of
// the stream with nothing stored. in.atEndOrFailed() tells whether the stream is exhausted.
std::ptrdiff_t ReadByteLine(ByteStream& in, std::vector<std::uint8_t>& line);

// Reads one UTF-16 line into `line` (cleared first), taking two bytes x, y per unit: y*256+x
// when byteOrder is 0, x*256+y otherwise. Line ends are recognised on the byte pair in either
// order: (0D,00)/(00,0D) is CR, (0A,00)/(00,0A) is LF, (00,00) is NUL, (1A,00)/(00,1A) ends the
// line as well; after a CR a following LF pair is consumed, any other pair is put back. Lines
// have no length limit. Returns the number of units stored; -1 when the stream ended within
// the line (the units read so far stay in `line`; a lone last byte is dropped), or when 1A
// ended it with nothing stored.
std::ptrdiff_t ReadUtf16Line(ByteStream& in, std::u16string& line, int byteOrder);

} // namespace enc
