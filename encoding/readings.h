#pragma once

#include "encoding/detect.h"

#include <string_view>

namespace enc {

// The readings a user can choose instead of detection, in the order of the "reopen as" menu.
enum Reading : int {
    ReadShiftJis = 0,
    ReadEucJp = 1,
    ReadUtf16Le = 2,
    ReadUtf16Be = 3,
    ReadUtf8 = 4,
    ReadWindows1251 = 5,
    ReadKoi8r = 6,
    ReadCp866 = 7,
};
inline constexpr int kReadingCount = 8;

// The menu caption of a reading ("Shift_JIS", ..., "Windows-1251", "KOI8-R", "CP866").
const char* ReadingCaption(Reading reading);

// How a file that starts with the mark `fileBom` is read in `reading`: the reader and decoder,
// and the kind that picks the status-bar label, as detection would have given them for such a
// file. A UTF-16 byte-order mark sets the byte order of the UTF-16 reader, so UTF-16 BE asked
// for a file marked little-endian reads it little-endian.
Detection ReadingDetection(Reading reading, BomKind fileBom);

// The reading that reads a file as `detection` does (the inverse of ReadingDetection).
Reading ReadingOf(const Detection& detection);

// The reading a user's name stands for, in any letter case: shift_jis, euc-jp, utf-16le,
// utf-16be, utf-8, windows-1251 (or cp1251), koi8-r, cp866 (or ibm866). False for any other
// name, `reading` then unchanged.
bool ReadingNamed(std::string_view name, Reading& reading);

// The accepted names as one line for a message: "shift_jis, euc-jp, ..., cp866 (ibm866)".
const char* ReadingNames();

} // namespace enc
