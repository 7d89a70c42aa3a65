#pragma once

#include "encoding/detect.h"
#include "encoding/fileaccess.h"
#include "encoding/stream.h"
#include "text/textbuffer.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Reading a text file straight into the editor's text: the lines of the file, decoded as the
// open command's line loop takes them, joined by CR LF in a TextBuilder, with no whole-text
// copy on the way. Plain C++ without Qt.
namespace text {

// Called now and then while a file is read: bytes read so far and the file's size in bytes.
using LoadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Units a file of `bytes` bytes is expected to give in `encoding` (UTF-16 units, its lines
// joined by CR LF): the estimate the open command holds against the memory that is free.
std::uint64_t EstimatedUnits(std::uint64_t bytes, enc::TextEncoding encoding);

// Bytes of memory the program may still take without the machine swapping (Linux:
// MemAvailable; elsewhere the physical memory), 0 when unknown.
std::uint64_t AvailableMemory();

// Hands the units of one decoded line to `emit` in order, each CR LF, lone CR and lone LF among
// them (a decoder makes them of overlong forms) as the break CR LF, so that the text holds no
// line end but CR LF. Every other unit is handed on as it is.
void EmitLine(std::u16string_view line, const std::function<void(std::u16string_view)>& emit);

// Reads the file at path (a byte string, as the system takes it) into `out`, which is emptied
// first. Every unit the decoders give is kept (U+2029, U+FDD0, NUL, lone surrogates); lines are
// joined by CR LF and the last line has none ("a\r\nb\r\n" gives "a" CR LF "b"). A file that is
// not a regular file, cannot be opened, fails to read part way (never taken for its end) or
// would not fit in the free memory (refused before any byte is read) gives that fault, with
// `out` empty. *stamp, when given, receives the file's stamp as it was opened.
enc::FileResult LoadTextFile(const std::string& path, enc::TextEncoding encoding, TextBuilder& out,
                             enc::FileStamp* stamp = nullptr, const LoadProgress& progress = {});

// The same for a file already open in `in`, read from its present position (its start, or
// the start of the bytes that detection looked at and left unread) to its end; the stream
// stays open.
enc::FileResult LoadTextStream(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                               const LoadProgress& progress = {});

// The same for a file held in memory (no memory estimate, no stamp).
enc::FileResult LoadTextBytes(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                              TextBuilder& out);

// Hands the text of the file open in `in` (read from its present position, as LoadTextStream
// reads it: the same units, its lines joined by CR LF) to `visit` in order, in contiguous
// pieces valid only during the call, on the calling thread; `visit` returns false to stop.
// A large file is decoded ahead on the other processors, a few pieces of a few MiB at once, so
// memory stays flat whatever the file's size. A read that fails part way (or a file that
// shrinks under the read) gives that fault, after the text before it was handed on; a piece
// that cannot get its memory gives TooBig.
enc::FileResult VisitText(enc::ByteStream& in, enc::TextEncoding encoding,
                          const std::function<bool(std::u16string_view)>& visit);

namespace testing {
// Reads cut the text into pieces of about `bytes` bytes (up to 256 of them, read on four
// threads whatever the number of processors), so that tests cross many piece boundaries; a size
// larger than the file reads it in one pass; 0 gives the usual pieces (one for each processor,
// of at least 8 MiB). Returns the setting before.
std::uint64_t SetPieceBytes(std::uint64_t bytes);
} // namespace testing

} // namespace text
