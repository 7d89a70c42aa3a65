#pragma once

#include "encoding/detect.h"
#include "text/textbuffer.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Reading a text file straight into a TextBuilder: the lines the line readers give (every rule
// of enc::TextLineReader), decoded in place into the builder's storage and joined by CR LF, with
// no line break after the last line (so a final line break gives no empty last line). Every
// unit a line decodes to is kept, U+2029, U+FDD0 and U+FDD1 included. Plain C++ without Qt.
namespace text {

enum class LoadStatus {
    Opened,     // the whole file was read
    CannotOpen, // nothing was read; the builder is untouched
    ReadError,  // reading failed part way; the builder holds the lines read before
};

struct LoadResult {
    LoadStatus status = LoadStatus::Opened;
    std::uint64_t bytesRead = 0; // bytes of the file taken, byte-order mark included
    Pos lines = 0;               // lines appended
};

// Told now and then while a file is read (about every MiB, and once at the end): the bytes read
// so far and the file's size (0 when it is not known, as for a pipe).
using LoadProgress = std::function<void(std::uint64_t bytesRead, std::uint64_t totalBytes)>;

// The most units a file of `bytes` bytes can give in `encoding`: every byte (every two bytes of
// UTF-16) a unit, and a line end of one byte (two of UTF-16) the two units CR LF.
Pos maxUnitsOf(std::uint64_t bytes, enc::TextEncoding encoding);

// Appends the text of the file at `path` (UTF-8 path) in `encoding` to `out`. The byte order
// of EncUtf16 comes from the file's own mark, as the readers take it. Room for maxUnitsOf the
// file's size is reserved up front; only what is written costs memory.
LoadResult loadTextFile(const std::string& path, enc::TextEncoding encoding, TextBuilder& out,
                        const LoadProgress& progress = {});
// The same for a file held in memory.
LoadResult loadTextBytes(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                         TextBuilder& out);

} // namespace text
