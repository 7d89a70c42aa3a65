#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace enc {

class ByteStream;

// The encoding a text file is read in. Detection gives the first five; the Cyrillic code pages
// are read only when the user names them.
enum TextEncoding : int {
    EncSjis = 0,         // byte lines, Shift_JIS table
    EncUtf16 = 1,        // UTF-16 lines in the mark's byte order; big-endian without a mark
    EncUtf16LeNoBom = 2, // UTF-16 lines, little-endian
    EncUtf8 = 3,         // byte lines, UTF-8
    EncEuc = 4,          // byte lines, EUC-JP table
    EncCp1251 = 5,       // byte lines, Windows-1251 table
    EncKoi8r = 6,        // byte lines, KOI8-R table
    EncCp866 = 7,        // byte lines, CP866 table
};

// False for the Cyrillic code pages: there every byte is a character (FF FE is "яю" in
// Windows-1251), so no byte-order mark is skipped and the whole file is text.
inline bool SkipsByteOrderMark(TextEncoding encoding) {
    return encoding != EncCp1251 && encoding != EncKoi8r && encoding != EncCp866;
}

// What the file starts with.
enum BomKind : int {
    BomUtf16Le = 0,     // FF FE
    BomUtf16Be = 1,     // FE FF
    BomUtf8 = 2,        // EF BB BF
    BomNone = -1,       // none of these (also a file of fewer than two bytes)
    BomOpenFailed = -2, // the file could not be opened
};

struct Detection {
    TextEncoding encoding = EncUtf8;
    BomKind bom = BomNone;
    friend bool operator==(const Detection&, const Detection&) = default;
};

// Probes 2 to 5 look at no more than this many bytes after any byte-order mark.
inline constexpr std::size_t SampleSize = 60010;

// The status-bar label of an encoding ("SJIS", "UTF16 BOM LE", "UTF-8 nonBOM", ...,
// "Windows-1251", "KOI8-R", "CP866").
const char* EncodingLabel(TextEncoding encoding, BomKind bom);

// What the byte-order guess found (the values are the probe's codes 0, 1, -1 and -2).
enum class ByteOrderGuess : int {
    LittleEndian = 0, // two (non-zero, 00) pairs
    BigEndian = 1,    // a (00, non-zero) pair
    Undecided = -1,   // neither (also a sample of fewer than two bytes)
    OpenFailed = -2,  // the file could not be opened
};

// What a check of a sample found (the values are the check's codes 0, -1 and -2).
enum class SampleCheck : int {
    WellFormed = 0,  // every examined byte fits the encoding
    Malformed = -1,  // a byte does not, or the sample is empty
    OpenFailed = -2, // the file could not be opened
};

// The five probes. Each opens the file (UTF-8 path) for binary reading itself; a file that
// cannot be opened gives BomOpenFailed or OpenFailed. Probes 2 to 5 examine at most SampleSize
// bytes after a byte-order mark.
BomKind DetectBom(const std::string& path);
ByteOrderGuess GuessUtf16ByteOrder(const std::string& path);
SampleCheck CheckUtf8(const std::string& path);
SampleCheck CheckSjis(const std::string& path);
SampleCheck CheckEuc(const std::string& path);

// The probes' rules applied to bytes in memory: `start` is the file's first bytes (DetectBom),
// `sample` the sample as a probe reads it (after the mark, at most SampleSize bytes).
BomKind DetectBomBytes(std::span<const std::uint8_t> start);
ByteOrderGuess GuessUtf16ByteOrderSample(std::span<const std::uint8_t> sample);
SampleCheck CheckUtf8Sample(std::span<const std::uint8_t> sample);
SampleCheck CheckSjisSample(std::span<const std::uint8_t> sample);
SampleCheck CheckEucSample(std::span<const std::uint8_t> sample);

// The sample of a file whose first bytes are `start`: the bytes after a byte-order mark, at
// most SampleSize of them.
std::span<const std::uint8_t> SampleOf(std::span<const std::uint8_t> start);

// Decides a file's encoding. A byte-order mark decides alone: FF FE or FE FF gives EncUtf16,
// EF BB BF gives EncUtf8. Without one, the byte-order guess and the three checks decide.
// The file's first SampleSize + 3 bytes are read once and decided as DetectEncodingBytes
// decides them. A file that cannot be opened gives (EncUtf8, BomOpenFailed). Never reports an
// error itself.
Detection DetectEncoding(const std::string& path);
// The same decision for the file open in `in`, from the bytes at its start: they are read into
// the stream's buffer and left there unread, so the read of the text that follows takes them
// from there and the file is read once.
Detection DetectEncodingStream(ByteStream& in);
// The byte-order mark the file open in `in` starts with, read the same way.
BomKind DetectBomStream(ByteStream& in);

// The same decision for a file held in memory (only its first SampleSize + 3 bytes matter).
Detection DetectEncodingBytes(std::span<const std::uint8_t> file);
// The decision rules over the probes' results.
Detection DecideEncoding(BomKind bom, ByteOrderGuess guess, SampleCheck utf8, SampleCheck sjis,
                         SampleCheck euc);

} // namespace enc
