#include "encoding/textfile.h"

#include "encoding/bytes.h"
#include "encoding/decoders.h"
#include "encoding/readers.h"

#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace enc {
namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kEofByte = 0x1A;

bool isByteLineEnd(std::uint8_t b) {
    return b == 0 || b == kLf || b == kCr || b == kEofByte;
}

// First byte in [p, e) that ends a byte line (CR, LF, NUL, 1A), or e.
const std::uint8_t* findByteLineEnd(const std::uint8_t* p, const std::uint8_t* e) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8(static_cast<char>(kCr));
    const __m128i lf = _mm_set1_epi8(static_cast<char>(kLf));
    const __m128i sub = _mm_set1_epi8(static_cast<char>(kEofByte));
    const __m128i zero = _mm_setzero_si128();
    while (e - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, sub), _mm_cmpeq_epi8(v, zero)));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < e && !isByteLineEnd(*p))
        ++p;
    return p;
}

enum class PairKind { Unit, Cr, Lf, Nul, Eof };

PairKind classifyPair(std::uint8_t x, std::uint8_t y) {
    if ((x & 0xE0) != 0 || (y & 0xE0) != 0)
        return PairKind::Unit;
    if (x == 0 && y == 0)
        return PairKind::Nul;
    const std::uint8_t code = x == 0 ? y : (y == 0 ? x : 0xFF);
    if (code == kCr)
        return PairKind::Cr;
    if (code == kLf)
        return PairKind::Lf;
    if (code == kEofByte)
        return PairKind::Eof;
    return PairKind::Unit;
}

// Index of the first pair in [p, p + 2 * pairs) that is not a plain unit, or pairs.
std::size_t findUtf16LineEnd(const std::uint8_t* p, std::size_t pairs, std::size_t from) {
    std::size_t i = from;
#if defined(__SSE2__)
    // Only a pair of two bytes below 20 can end a line; skip eight units at a time without one.
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xE0E0));
    const __m128i zero = _mm_setzero_si128();
    while (i + 8 <= pairs) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), zero)) == 0) {
            i += 8;
            continue;
        }
        for (std::size_t k = 0; k < 8; ++k, ++i) {
            if (classifyPair(p[2 * i], p[2 * i + 1]) != PairKind::Unit)
                return i;
        }
    }
#endif
    for (; i < pairs; ++i) {
        if (classifyPair(p[2 * i], p[2 * i + 1]) != PairKind::Unit)
            return i;
    }
    return pairs;
}

// Makes at least `want` unread bytes available where the stream has them; false otherwise.
bool ensureAvailable(ByteStream& in, std::size_t want) {
    while (static_cast<std::size_t>(in.end() - in.cur()) < want) {
        if (!in.fillMore())
            return false;
    }
    return true;
}

using Decoder = std::size_t (*)(std::span<const std::uint8_t>, char16_t*);

Decoder byteDecoder(TextEncoding encoding) {
    switch (encoding) {
    case EncSjis:
        return [](std::span<const std::uint8_t> l, char16_t* o) { return SjisToUtf16(l, o); };
    case EncEuc:
        return [](std::span<const std::uint8_t> l, char16_t* o) { return EucToUtf16(l, o); };
    case EncCp1251:
        return [](std::span<const std::uint8_t> l, char16_t* o) { return Cp1251ToUtf16(l, o); };
    case EncKoi8r:
        return [](std::span<const std::uint8_t> l, char16_t* o) { return Koi8rToUtf16(l, o); };
    case EncCp866:
        return [](std::span<const std::uint8_t> l, char16_t* o) { return Cp866ToUtf16(l, o); };
    default:
        return [](std::span<const std::uint8_t> l, char16_t* o) { return Utf8ToUtf16(l, o); };
    }
}

bool isUtf16(TextEncoding encoding) {
    return encoding == EncUtf16 || encoding == EncUtf16LeNoBom;
}

// Skips the byte-order mark where the encoding has one and gives the UTF-16 byte order.
int startReading(ByteStream& in, TextEncoding encoding) {
    const int fromMark = SkipsByteOrderMark(encoding) ? SkipBom(in) : kBigEndian;
    return encoding == EncUtf16LeNoBom ? kLittleEndian : fromMark;
}

// The whole-file loop over an open stream positioned at its start. Fails when the text cannot
// fit in memory or a read fails part way.
FileResult readAll(ByteStream& in, TextEncoding encoding, std::u16string& out) {
    LineLoop loop(in, encoding);

    // A line of n bytes never gives more than n units (n / 2 for UTF-16), nor does its line
    // end give more than the one '\n', so the file's size bounds the text: reserve it once.
    const std::uint64_t size = in.fileSize();
    const std::uint64_t unitBound = (isUtf16(encoding) ? size / 2 : size) + 16;
    const std::uint64_t memory = PhysicalMemory();
    if ((memory > 0 && unitBound > memory / sizeof(char16_t)) || unitBound > out.max_size())
        return FileResult::tooBig();
    const std::size_t bound = static_cast<std::size_t>(unitBound);
    out.clear();
    if (out.capacity() < bound)
        out.reserve(bound);

    // out is grown in steps and trimmed at the end; only what is used gets written.
    constexpr std::size_t kGrowStep = 256 * 1024;
    std::size_t pos = 0;
    bool first = true;
    const auto room = [&](std::size_t units) {
        const std::size_t need = pos + 1 + units;
        if (out.size() < need) {
            // Grow in steps, never past the bound a known file size gives: only what is used
            // gets touched. Without a size (a pipe), grow geometrically.
            std::size_t grown = need + kGrowStep;
            if (size > 0 && grown > bound)
                grown = need > bound ? need : bound;
            else if (size == 0 && grown < 2 * out.size())
                grown = 2 * out.size();
            out.resize(grown);
        }
        return out.data() + pos + (first ? 0 : 1);
    };
    while (const std::optional<std::size_t> units = loop.next(room)) {
        if (!first)
            out[pos++] = u'\n';
        pos += *units;
        first = false;
    }
    out.resize(pos);
    return in.result();
}

} // namespace

std::size_t Utf16BytesToUnits(std::span<const std::uint8_t> bytes, int byteOrder, char16_t* out) {
    const std::size_t units = bytes.size() / 2;
    const std::uint8_t* p = bytes.data();
    const bool little = byteOrder == kLittleEndian;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Eight units at a time. SSE2 machines are little-endian, so a 16-bit lane loaded from a
    // little-endian pair already is its unit; a big-endian pair swaps its two bytes first.
    for (; i + 8 <= units; i += 8) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
        if (!little)
            v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
    }
#endif
    if (little) {
        for (; i < units; ++i)
            out[i] = unitLittleEndian(p[2 * i], p[2 * i + 1]);
    } else {
        for (; i < units; ++i)
            out[i] = unitBigEndian(p[2 * i], p[2 * i + 1]);
    }
    return units;
}

std::span<const std::uint8_t> TextLineReader::nextByteLine(ByteStream& in) {
    std::size_t scanned = 0;
    for (;;) {
        const std::uint8_t* const b = in.cur();
        const std::uint8_t* const t = findByteLineEnd(b + scanned, in.end());
        if (t != in.end()) {
            const std::size_t len = static_cast<std::size_t>(t - b);
            std::size_t consumed = len + 1;
            if (*t == kEofByte || *t == kLf || *t == 0) {
                in.advance(consumed);
                return {b, len};
            }
            // CR: an LF or 1A right after it belongs to this line end. Looking for it may
            // refill the buffer and move the line.
            if (!ensureAvailable(in, len + 2)) {
                // The file ends with this CR: the read after it fails.
                const std::uint8_t* const line = in.cur();
                in.advance(consumed);
                in.setEof();
                return {line, len};
            }
            const std::uint8_t* const line = in.cur();
            if (line[len + 1] == kLf || line[len + 1] == kEofByte)
                ++consumed;
            in.advance(consumed);
            return {line, len};
        }
        scanned = static_cast<std::size_t>(in.end() - b);
        if (!in.fillMore()) {
            // The stream ended within the line.
            const std::uint8_t* const line = in.cur();
            const std::size_t len = static_cast<std::size_t>(in.end() - line);
            in.advance(len);
            in.setEof();
            return {line, len};
        }
    }
}

std::span<const std::uint8_t> TextLineReader::nextUtf16Line(ByteStream& in) {
    std::size_t scannedPairs = 0;
    for (;;) {
        const std::uint8_t* const b = in.cur();
        const std::size_t pairs = static_cast<std::size_t>(in.end() - b) / 2;
        const std::size_t t = findUtf16LineEnd(b, pairs, scannedPairs);
        if (t < pairs) {
            const PairKind kind = classifyPair(b[2 * t], b[2 * t + 1]);
            std::size_t consumed = 2 * t + 2;
            if (kind != PairKind::Cr) {
                in.advance(consumed);
                return {b, 2 * t};
            }
            if (!ensureAvailable(in, consumed + 2)) {
                // The stream ends after the CR (perhaps within one more byte): the line ends.
                const std::uint8_t* const line = in.cur();
                in.advance(static_cast<std::size_t>(in.end() - line));
                in.setEof();
                return {line, 2 * t};
            }
            const std::uint8_t* const line = in.cur();
            if (classifyPair(line[consumed], line[consumed + 1]) == PairKind::Lf)
                consumed += 2;
            in.advance(consumed);
            return {line, 2 * t};
        }
        scannedPairs = pairs;
        if (!in.fillMore()) {
            // The stream ended within the line; a last odd byte is dropped.
            const std::uint8_t* const line = in.cur();
            const std::size_t len = static_cast<std::size_t>(in.end() - line);
            in.advance(len);
            in.setEof();
            return {line, len & ~std::size_t(1)};
        }
    }
}

LineLoop::LineLoop(ByteStream& in, TextEncoding encoding)
    : m_in(in), m_encoding(encoding), m_byteOrder(startReading(in, encoding)),
      m_utf16(isUtf16(encoding)) {}

LineLoop::LineLoop(ByteStream& in, TextEncoding encoding, int byteOrder)
    : m_in(in), m_encoding(encoding), m_byteOrder(byteOrder), m_utf16(isUtf16(encoding)) {}

std::optional<std::size_t> FindPieceStart(std::span<const std::uint8_t> bytes, bool utf16) {
    const std::uint8_t* const b = bytes.data();
    const std::uint8_t* const e = b + bytes.size();
    for (const std::uint8_t* p = b; p < e; ++p) {
        p = static_cast<const std::uint8_t*>(std::memchr(p, kLf, std::size_t(e - p)));
        if (!p)
            break;
        if (!utf16)
            return std::size_t(p - b) + 1;
        // The 0A is one half of a pair; the other half must be 00.
        const std::size_t at = std::size_t(p - b) & ~std::size_t(1);
        if (at + 2 <= bytes.size() && classifyPair(b[at], b[at + 1]) == PairKind::Lf)
            return at + 2;
    }
    return std::nullopt;
}

std::span<const std::uint8_t> LineLoop::rawLine() {
    return m_utf16 ? TextLineReader::nextUtf16Line(m_in) : TextLineReader::nextByteLine(m_in);
}

std::size_t LineLoop::decode(std::span<const std::uint8_t> raw, char16_t* out) const {
    return m_utf16 ? Utf16BytesToUnits(raw, m_byteOrder, out) : byteDecoder(m_encoding)(raw, out);
}

FileResult TextLineReader::open(const std::string& path, TextEncoding encoding, BomKind bom) {
    (void)bom; // the byte order comes from the mark itself, as SkipBom reads it
    m_loop.reset();
    const FileResult opened = m_in.open(path);
    if (opened)
        m_loop.emplace(m_in, encoding);
    return opened;
}

void TextLineReader::openMemory(std::span<const std::uint8_t> bytes, TextEncoding encoding,
                                BomKind bom) {
    (void)bom;
    m_loop.reset();
    m_in.openMemory(bytes);
    m_loop.emplace(m_in, encoding);
}

void TextLineReader::close() {
    m_loop.reset();
    m_in.close();
}

bool TextLineReader::next(std::u16string_view& line) {
    if (!m_loop)
        return false;
    const std::optional<std::size_t> units = m_loop->next([this](std::size_t room) {
        if (m_line.size() < room)
            m_line.resize(room);
        return m_line.data();
    });
    if (!units)
        return false;
    line = std::u16string_view(m_line.data(), *units);
    return true;
}

FileResult ReadTextFile(const std::string& path, TextEncoding encoding, BomKind bom,
                        std::u16string& out, FileStamp* stamp) {
    (void)bom;
    // One stream per thread, so its buffer is reused from file to file.
    thread_local ByteStream in;
    FileResult done = in.open(path, stamp);
    if (done) {
        try {
            done = readAll(in, encoding, out);
        } catch (const std::bad_alloc&) {
            done = FileResult::tooBig();
        }
        in.close();
    }
    if (done)
        return done;
    // Never a part of the file: a truncated text saved over the original would lose the rest.
    out.clear();
    out.shrink_to_fit();
    return done;
}

void ReadTextBytes(std::span<const std::uint8_t> bytes, TextEncoding encoding, BomKind bom,
                   std::u16string& out) {
    (void)bom;
    ByteStream in;
    in.openMemory(bytes);
    if (!readAll(in, encoding, out))
        out.clear();
}

} // namespace enc
