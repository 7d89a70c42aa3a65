#include "shell/textio.h"

#include "encoding/utf8writer.h"
#include "text/textbuffer.h"

#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace textio {
namespace {

bool isHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Units the document takes as the end of a line when text is put into it.
bool endsLine(char16_t u) {
    return u == u'\n' || u == u'\r' || u == kLineBreak || u == 0xFDD0 || u == 0xFDD1;
}

// Index of the first unit of `text` that ends a line (all = true: any unit endsLine() names;
// all = false: only U+2029), or text.size().
template <bool all> std::size_t findLineEnd(std::u16string_view text) {
    const char16_t* const p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16(0x0A);
    const __m128i cr = _mm_set1_epi16(0x0D);
    const __m128i ps = _mm_set1_epi16(static_cast<short>(kLineBreak));
    const __m128i fd = _mm_set1_epi16(static_cast<short>(0xFDD1));
    const __m128i one = _mm_set1_epi16(1);
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_cmpeq_epi16(v, ps);
        if (all)
            hit = _mm_or_si128(
                _mm_or_si128(hit, _mm_cmpeq_epi16(v, lf)),
                _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(_mm_or_si128(v, one), fd)));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
    }
#endif
    for (; i < n; ++i) {
        if (all ? endsLine(p[i]) : p[i] == kLineBreak)
            return i;
    }
    return n;
}

// Index of the first CR in `text`, or text.size().
std::size_t findCr(std::u16string_view text) {
    const char16_t* const p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(0x0D);
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(v, cr));
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == u'\r')
            return i;
    }
    return n;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* putTwoDigits(char* p, std::uint32_t v) {
    p[0] = kDigitPairs[2 * v];
    p[1] = kDigitPairs[2 * v + 1];
    return p + 2;
}

// Decimal digits of v (any value up to 0x10FFFF and beyond).
char* putDecimal(char* p, std::uint32_t v) {
    if (v < 10) {
        *p++ = static_cast<char>('0' + v);
    } else if (v < 100) {
        p = putTwoDigits(p, v);
    } else if (v < 1000) {
        *p++ = static_cast<char>('0' + v / 100);
        p = putTwoDigits(p, v % 100);
    } else if (v < 10000) {
        p = putTwoDigits(p, v / 100);
        p = putTwoDigits(p, v % 100);
    } else if (v < 100000) {
        *p++ = static_cast<char>('0' + v / 10000);
        p = putTwoDigits(p, v / 100 % 100);
        p = putTwoDigits(p, v % 100);
    } else {
        char digits[10];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        while (n > 0)
            *p++ = digits[--n];
    }
    return p;
}

// Lower-case hexadecimal digits of a unit, without leading zeros.
char* putHex(char* p, std::uint32_t v) {
    static constexpr char kHex[] = "0123456789abcdef";
    if (v >= 0x1000)
        *p++ = kHex[v >> 12];
    if (v >= 0x100)
        *p++ = kHex[(v >> 8) & 0xF];
    if (v >= 0x10)
        *p++ = kHex[(v >> 4) & 0xF];
    *p++ = kHex[v & 0xF];
    return p;
}

char* putText(char* p, std::string_view s) {
    for (const char c : s)
        *p++ = c;
    return p;
}

// One HTML reference, or the control byte itself below 32 (LF as CR LF in text mode).
char* putHtml(char* p, std::uint32_t codePoint) {
    if (codePoint >= 32) {
        *p++ = '&';
        *p++ = '#';
        p = putDecimal(p, codePoint);
        *p++ = ';';
    } else if (codePoint == u'\n') {
        *p++ = '\r';
        *p++ = '\n';
    } else if (codePoint != 0) {
        *p++ = static_cast<char>(codePoint);
    }
    return p;
}

constexpr std::string_view kCWrap = "\r\n    ";
// Runs of units are formatted into a block on the stack and appended to the output a block at
// a time; a unit never takes more than kMaxBytesPerUnit bytes (a C value with a wrap after it).
constexpr std::size_t kBlockBytes = 16384;
constexpr std::size_t kMaxBytesPerUnit = 16;

} // namespace

bool DocumentForm::changes(std::u16string_view text) const {
    if (m_afterCr)
        return true;
    return findLineEnd<true>(text) != text.size();
}

std::u16string_view DocumentForm::convert(std::u16string_view text, std::u16string& scratch) {
    if (!changes(text))
        return text;
    scratch.clear();
    append(text, scratch);
    return scratch;
}

void DocumentForm::append(std::u16string_view text, std::u16string& out) {
    if (!changes(text)) {
        out.append(text);
        return;
    }
    for (const char16_t u : text) {
        if (m_afterCr && u == u'\n') {
            m_afterCr = false;
            continue;
        }
        m_afterCr = u == u'\r';
        out.push_back(endsLine(u) ? kLineBreak : u);
    }
}

std::u16string toDocumentForm(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    DocumentForm form;
    form.append(text, out);
    return out;
}

TextWriter::TextWriter(Format format, Breaks breaks) : m_format(format), m_breaks(breaks) {}

void TextWriter::begin(std::string& out) {
    m_heldCr = false;
    m_heldBreak = false;
    m_heldHigh = 0;
    m_pos = 0;
    m_pieceEnd = 0;
    m_count = 0;
    if (m_format == Format::Html)
        out += "<html>\r\n<body>\r\n";
    else if (m_format == Format::CArray)
        out += "  wchar_t unicodestr[]={\r\n    ";
}

void TextWriter::startPieceIfDue() {
    if (m_pos == m_pieceEnd) {
        m_pieceEnd = m_pos + kPieceSize;
        m_count = 0;
    }
}

void TextWriter::flushHigh(std::string& out) {
    if (m_heldHigh == 0)
        return;
    const char16_t high = m_heldHigh;
    m_heldHigh = 0;
    if (m_format == Format::Utf8) {
        enc::AppendUtf8(std::u16string_view(&high, 1), out);
    } else {
        char buf[16];
        out.append(buf, static_cast<std::size_t>(putHtml(buf, high) - buf));
    }
}

void TextWriter::walkUnit(char16_t u, std::string& out) {
    char buf[32];
    char* p = buf;
    if (m_format == Format::CArray) {
        startPieceIfDue();
        *p++ = '0';
        *p++ = 'x';
        p = putHex(p, u);
        *p++ = ',';
        if (++m_count == 10) {
            p = putText(p, kCWrap);
            m_count = 0;
        }
    } else if (isLow(u) && m_heldHigh != 0) {
        const char16_t pair[2] = {m_heldHigh, u};
        m_heldHigh = 0;
        if (m_format == Format::Utf8) {
            enc::AppendUtf8(std::u16string_view(pair, 2), out);
        } else {
            const std::uint32_t cp = 0x10000 + ((pair[0] - 0xD800u) << 10) + (pair[1] - 0xDC00u);
            p = putHtml(p, cp);
        }
    } else {
        flushHigh(out);
        if (isHigh(u))
            m_heldHigh = u;
        else if (m_format == Format::Utf8)
            enc::AppendUtf8(std::u16string_view(&u, 1), out);
        else
            p = putHtml(p, u);
    }
    out.append(buf, static_cast<std::size_t>(p - buf));
    ++m_pos;
}

void TextWriter::walkBreak(std::string& out) {
    if (m_format == Format::CArray) {
        // The selection cannot end between CR and LF: a piece that would do so ends before
        // the CR, and the next one starts with the break.
        if (m_pos + 1 == m_pieceEnd)
            m_pieceEnd = m_pos;
        walkUnit(u'\r', out);
        walkUnit(u'\n', out);
        return;
    }
    flushHigh(out);
    out += m_format == Format::Utf8 ? "\r\n" : "\r\r\n";
    m_pos += 2;
}

void TextWriter::breakSeen(std::string& out) {
    if (m_heldBreak)
        walkBreak(out);
    m_heldBreak = true;
}

void TextWriter::feed(std::u16string_view units, std::string& out) {
    if (m_breaks == Breaks::CrLf && m_format == Format::Utf8) {
        // A CR LF break is written as the bytes CR LF, in the walk or as the trailer alike,
        // and every other unit as its own UTF-8: the text is encoded as it stands.
        feedRun(units, out);
        return;
    }
    std::size_t i = 0;
    const std::size_t n = units.size();
    while (i < n) {
        std::size_t end = 0;
        if (m_breaks == Breaks::DocumentForm) {
            if (units[i] == kLineBreak) {
                breakSeen(out);
                ++i;
                continue;
            }
            end = i + findLineEnd<false>(units.substr(i));
        } else {
            if (m_heldCr) {
                // Only a CR with an LF right after it is a break; any other CR is a unit.
                m_heldCr = false;
                if (units[i] == u'\n') {
                    breakSeen(out);
                    ++i;
                    continue;
                }
                feedRun(u"\r", out);
            }
            if (units[i] == u'\r') {
                m_heldCr = true;
                ++i;
                continue;
            }
            end = i + findCr(units.substr(i));
        }
        feedRun(units.substr(i, end - i), out);
        i = end;
    }
}

void TextWriter::feedRun(std::u16string_view run, std::string& out) {
    if (m_heldBreak) {
        walkBreak(out);
        m_heldBreak = false;
    }
    if (m_format == Format::Html) {
        feedHtmlRun(run, out);
        return;
    }
    if (m_format == Format::CArray) {
        feedCRun(run, out);
        return;
    }
    // UTF-8: the run in one call; a pair split by the chunk's edges goes unit by unit.
    std::size_t i = 0;
    const std::size_t end = run.size();
    while (i < end && (m_heldHigh != 0 || isLow(run[i])))
        walkUnit(run[i++], out);
    std::size_t runEnd = end;
    if (runEnd > i && isHigh(run[runEnd - 1]))
        --runEnd;
    if (runEnd > i) {
        const std::size_t old = out.size();
        out.resize(old + 3 * (runEnd - i) + 1);
        const std::size_t written = enc::Utf16ToUtf8(
            run.substr(i, runEnd - i), reinterpret_cast<std::uint8_t*>(out.data() + old));
        out.resize(old + written);
        m_pos += runEnd - i;
        i = runEnd;
    }
    while (i < end)
        walkUnit(run[i++], out);
}

void TextWriter::feedHtmlRun(std::u16string_view run, std::string& out) {
    std::size_t i = 0;
    const std::size_t n = run.size();
    // Units after a held high half go the careful way until nothing is held: the next may
    // pair with it, or be a high half that is held in its place.
    while (i < n && m_heldHigh != 0)
        walkUnit(run[i++], out);
    char block[kBlockBytes];
    char* p = block;
    char* const limit = block + kBlockBytes - 2 * kMaxBytesPerUnit;
    const std::size_t start = i;
    while (i < n) {
        const char16_t u = run[i];
        if (u >= 32 && (u < 0xD800 || u > 0xDFFF)) {
            *p++ = '&';
            *p++ = '#';
            p = putDecimal(p, u);
            *p++ = ';';
            ++i;
        } else if (isHigh(u) && i + 1 < n && isLow(run[i + 1])) {
            const std::uint32_t cp = 0x10000 + ((u - 0xD800u) << 10) + (run[i + 1] - 0xDC00u);
            p = putHtml(p, cp);
            i += 2;
        } else if (isHigh(u) && i + 1 == n) {
            // Its low half may start the next chunk.
            m_heldHigh = u;
            ++i;
        } else {
            p = putHtml(p, u);
            ++i;
        }
        if (p >= limit) {
            out.append(block, static_cast<std::size_t>(p - block));
            p = block;
        }
    }
    out.append(block, static_cast<std::size_t>(p - block));
    m_pos += n - start;
}

void TextWriter::feedCRun(std::u16string_view run, std::string& out) {
    char block[kBlockBytes];
    char* p = block;
    char* const limit = block + kBlockBytes - kMaxBytesPerUnit;
    std::size_t i = 0;
    const std::size_t n = run.size();
    while (i < n) {
        startPieceIfDue();
        const std::size_t pieceLeft = static_cast<std::size_t>(m_pieceEnd - m_pos);
        const std::size_t end = n - i < pieceLeft ? n : i + pieceLeft;
        m_pos += end - i;
        int count = m_count;
        for (; i < end; ++i) {
            *p++ = '0';
            *p++ = 'x';
            p = putHex(p, run[i]);
            *p++ = ',';
            if (++count == 10) {
                p = putText(p, kCWrap);
                count = 0;
            }
            if (p >= limit) {
                out.append(block, static_cast<std::size_t>(p - block));
                p = block;
            }
        }
        m_count = count;
    }
    out.append(block, static_cast<std::size_t>(p - block));
}

void TextWriter::finish(std::string& out) {
    if (m_heldCr) {
        m_heldCr = false;
        feedRun(u"\r", out);
    }
    flushHigh(out);
    switch (m_format) {
    case Format::Utf8:
        if (m_heldBreak)
            out += "\r\n";
        break;
    case Format::Html:
        if (m_heldBreak)
            out += "\r\n";
        out += "\r\n</body>\r\n</html>";
        break;
    case Format::CArray:
        if (m_heldBreak)
            out += "0xd,0xa,";
        out += "0\r\n  };";
        break;
    }
    m_heldBreak = false;
}

std::string writeAll(Format format, std::u16string_view documentText, Breaks breaks) {
    std::string out;
    TextWriter writer(format, breaks);
    writer.begin(out);
    writer.feed(documentText, out);
    writer.finish(out);
    return out;
}

namespace {

// The UTF-8 save of the buffer's text is its units encoded as they stand (see TextWriter::feed):
// slices of the spans are encoded straight into one block, a surrogate pair split between two
// spans joined again.
bool writeBufferUtf8(const text::TextBuffer& buffer,
                     const std::function<bool(std::string_view bytes)>& write) {
    constexpr std::size_t kSlice = 65536;
    const std::size_t capacity = kWriteBlockBytes + 3 * (kSlice + 2) + 1;
    const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    std::size_t used = 0;
    char16_t held = 0; // a high surrogate that ended the last span
    bool ok = true;
    auto flush = [&] {
        ok = write(std::string_view(reinterpret_cast<const char*>(block.get()), used));
        used = 0;
        return ok;
    };
    buffer.forEachSpan(0, buffer.length(), [&](std::u16string_view span) {
        if (held != 0) {
            const char16_t pair[2] = {held, span[0]};
            const bool joined = isLow(span[0]);
            used += enc::Utf16ToUtf8(std::u16string_view(pair, joined ? 2 : 1), block.get() + used);
            if (joined)
                span.remove_prefix(1);
            held = 0;
        }
        while (!span.empty()) {
            std::size_t n = span.size() < kSlice ? span.size() : kSlice;
            bool holdLast = false;
            if (isHigh(span[n - 1])) {
                if (n == span.size())
                    holdLast = true; // its low half may start the next span
                else if (isLow(span[n]))
                    ++n; // the pair stays in one slice
            }
            used += enc::Utf16ToUtf8(span.substr(0, holdLast ? n - 1 : n), block.get() + used);
            if (holdLast)
                held = span[n - 1];
            span.remove_prefix(n);
            if (used >= kWriteBlockBytes && !flush())
                return false;
        }
        return true;
    });
    if (!ok)
        return false;
    if (held != 0)
        used += enc::Utf16ToUtf8(std::u16string_view(&held, 1), block.get() + used);
    return flush();
}

} // namespace

bool writeBuffer(Format format, const text::TextBuffer& buffer,
                 const std::function<bool(std::string_view bytes)>& write) {
    if (format == Format::Utf8)
        return writeBufferUtf8(buffer, write);
    // A span may be the whole text; it is fed in slices so the bytes never pile up.
    constexpr std::size_t kSlice = 65536;
    TextWriter writer(format, Breaks::CrLf);
    std::string bytes;
    bytes.reserve(kWriteBlockBytes + 16 * kSlice);
    writer.begin(bytes);
    bool ok = true;
    buffer.forEachSpan(0, buffer.length(), [&](std::u16string_view span) {
        for (std::size_t at = 0; at < span.size() && ok; at += kSlice) {
            writer.feed(span.substr(at, kSlice), bytes);
            if (bytes.size() >= kWriteBlockBytes) {
                ok = write(bytes);
                bytes.clear();
            }
        }
        return ok;
    });
    if (!ok)
        return false;
    writer.finish(bytes);
    return write(bytes);
}

} // namespace textio
