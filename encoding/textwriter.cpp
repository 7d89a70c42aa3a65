#include "encoding/textwriter.h"

#include "encoding/utf16.h"
#include "encoding/utf8writer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace enc {
namespace {

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

// The HTML of `units`: a reference per character, a pair of surrogates as one; a control unit
// as its byte (LF as CR LF in text mode, NUL as nothing).
char* putHtml(std::u16string_view units, char* p) {
    const std::size_t n = units.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t u = units[i];
        if (u < 32) {
            if (u == u'\n')
                *p++ = '\r';
            if (u != 0)
                *p++ = static_cast<char>(u);
            continue;
        }
        if (IsHighSurrogate(char16_t(u)) && i + 1 < n && IsLowSurrogate(units[i + 1]))
            u = JoinSurrogates(char16_t(u), units[++i]);
        *p++ = '&';
        *p++ = '#';
        p = putDecimal(p, u);
        *p++ = ';';
    }
    return p;
}

constexpr std::string_view kCWrap = "\r\n    ";

} // namespace

TextWriter::TextWriter(OutputFormat format) : m_format(format) {}

char* TextWriter::begin(char* out) {
    m_heldCount = 0;
    m_pos = 0;
    m_pieceEnd = 0;
    m_count = 0;
    if (m_format == OutputFormat::Html)
        return putText(out, "<html>\r\n<body>\r\n");
    if (m_format == OutputFormat::CArray)
        return putText(out, "  wchar_t unicodestr[]={\r\n    ");
    return out;
}

std::size_t TextWriter::heldAtEnd(std::u16string_view units) const {
    const std::size_t n = units.size();
    const char16_t last = units[n - 1];
    if (last == u'\r')
        return 1;
    if (last == u'\n')
        return n >= 2 && units[n - 2] == u'\r' ? 2 : 0;
    return m_format != OutputFormat::CArray && IsHighSurrogate(last) ? 1 : 0;
}

void TextWriter::advance(std::u16string_view units) {
    // Without room, write() only moves the state on.
    feed(units, nullptr);
}

char* TextWriter::feed(std::u16string_view units, char* out) {
    if (units.empty())
        return out;
    if (units.size() == 1 && units[0] == u'\n' && m_heldCount == 1 && m_held[0] == u'\r') {
        // The LF of a held CR: the two may be the break that ends the text.
        m_held[m_heldCount++] = u'\n';
        return out;
    }
    std::size_t from = 0;
    if (m_heldCount != 0) {
        // A held high half and the low one that starts these units are one character.
        if (IsHighSurrogate(m_held[0]) && IsLowSurrogate(units[0])) {
            m_held[m_heldCount++] = units[0];
            from = 1;
        }
        out = write(std::u16string_view(m_held, m_heldCount), units[0], out);
        m_heldCount = 0;
    }
    const std::size_t hold = from < units.size() ? heldAtEnd(units.substr(from)) : 0;
    const std::size_t end = units.size() - hold;
    out = write(units.substr(from, end - from), hold != 0 ? units[end] : 0, out);
    for (std::size_t i = end; i < units.size(); ++i)
        m_held[m_heldCount++] = units[i];
    return out;
}

char* TextWriter::write(std::u16string_view units, char16_t next, char* out) {
    if (units.empty())
        return out;
    switch (m_format) {
    case OutputFormat::Utf8:
        return out == nullptr ? out
                              : out + Utf16ToUtf8(units, reinterpret_cast<std::uint8_t*>(out));
    case OutputFormat::Html:
        return out == nullptr ? out : putHtml(units, out);
    case OutputFormat::CArray:
        return writeC(units, next, out);
    }
    return out;
}

char* TextWriter::writeC(std::u16string_view units, char16_t next, char* p) {
    std::size_t i = 0;
    const std::size_t n = units.size();
    int count = m_count;
    while (i < n) {
        if (m_pos == m_pieceEnd) {
            m_pieceEnd = m_pos + kPieceSize;
            count = 0;
        }
        std::size_t end = n;
        if (m_pieceEnd - m_pos <= n - i) {
            end = i + std::size_t(m_pieceEnd - m_pos);
            // The selection cannot end between CR and LF: that piece ends before the CR, and
            // the next one starts with the break.
            const char16_t after = end < n ? units[end] : next;
            if (units[end - 1] == u'\r' && after == u'\n') {
                --end;
                m_pieceEnd = m_pos + (end - i);
            }
        }
        m_pos += end - i;
        if (p == nullptr) {
            // Advancing: the wrap count moves on without the values.
            count = int((std::size_t(count) + (end - i)) % 10);
            i = end;
            continue;
        }
        for (; i < end; ++i) {
            *p++ = '0';
            *p++ = 'x';
            p = putHex(p, units[i]);
            *p++ = ',';
            if (++count == 10) {
                p = putText(p, kCWrap);
                count = 0;
            }
        }
    }
    m_count = count;
    return p;
}

char* TextWriter::finish(char* out) {
    const bool endsWithBreak = m_heldCount == 2 && m_held[0] == u'\r' && m_held[1] == u'\n';
    if (!endsWithBreak)
        out = write(std::u16string_view(m_held, m_heldCount), 0, out);
    m_heldCount = 0;
    switch (m_format) {
    case OutputFormat::Utf8:
        if (endsWithBreak)
            out = putText(out, "\r\n");
        break;
    case OutputFormat::Html:
        if (endsWithBreak)
            out = putText(out, "\r\n");
        out = putText(out, "\r\n</body>\r\n</html>");
        break;
    case OutputFormat::CArray:
        if (endsWithBreak)
            out = putText(out, "0xd,0xa,");
        out = putText(out, "0\r\n  };");
        break;
    }
    return out;
}

namespace {

// Runs one step of the writer into the room it may need at the end of `out`.
template <class Step> void appendWith(std::string& out, std::size_t room, Step step) {
    const std::size_t old = out.size();
    out.resize(old + room);
    char* const end = step(out.data() + old);
    out.resize(std::size_t(end - out.data()));
}

} // namespace

void TextWriter::begin(std::string& out) {
    appendWith(out, maxBytes(0), [&](char* p) { return begin(p); });
}

void TextWriter::feed(std::u16string_view units, std::string& out) {
    appendWith(out, maxBytes(units.size()), [&](char* p) { return feed(units, p); });
}

void TextWriter::finish(std::string& out) {
    appendWith(out, maxBytes(0), [&](char* p) { return finish(p); });
}

std::string WriteAll(OutputFormat format, std::u16string_view text) {
    std::string out;
    TextWriter writer(format);
    writer.begin(out);
    writer.feed(text, out);
    writer.finish(out);
    return out;
}

WriteResult WriteResult::failed(WriteFault step, FileResult cause, std::uint64_t offset) {
    bool full = cause.fault == FileFault::System && cause.error == ENOSPC;
#if defined(EDQUOT)
    full = full || (cause.fault == FileFault::System && cause.error == EDQUOT);
#endif
    // A write beyond the user's file-size limit (ulimit -f) leaves the file as short as a full
    // disk does.
    full = full || (cause.fault == FileFault::System && cause.error == EFBIG);
    if (full && (step == WriteFault::Write || step == WriteFault::Commit))
        step = WriteFault::NoSpace;
    return {step, cause, offset};
}

namespace {

// Hands the blocks of one file to the sink in order. Once the first block is full a thread of
// its own writes each block while the next ones are made, with at most kBlocks blocks in memory
// (the one being filled, a spare filled beside it, and those waiting to be written); a file of
// one block is written on the calling thread. After a refused block nothing more is handed to
// the sink.
class BlockWriter {
public:
    static constexpr std::size_t kBlocks = 4;
    static constexpr std::size_t kNone = std::size_t(-1);

    BlockWriter(const ByteSink& sink, std::size_t blockBytes) : m_sink(sink), m_bytes(blockBytes) {
        m_current = newBlock();
    }
    ~BlockWriter() { stop(); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // The block being filled.
    char* block() const { return m_blocks[m_current].get(); }

    // A second block, to be filled beside the current one; pass() makes it the current one.
    char* spare() {
        if (m_spare == kNone)
            m_spare = acquire();
        return m_blocks[m_spare].get();
    }

    // Hands over the first `size` bytes of the block being filled and makes the spare block, or
    // another one, the one being filled. False once a block was refused.
    bool pass(std::size_t size) {
        if (!m_thread.joinable() && !m_alone) {
            try {
                m_thread = std::thread([this] { run(); });
            } catch (const std::system_error&) {
                m_alone = true; // no thread to be had: each block is written as it is made
            }
        }
        if (m_alone) {
            put(block(), size);
            m_free.push_back(m_current);
        } else {
            const std::lock_guard lock(m_mutex);
            m_pending.push_back({m_current, size});
            m_changed.notify_all();
        }
        m_current = m_spare != kNone ? m_spare : acquire();
        m_spare = kNone;
        return !m_failed.load();
    }

    // Hands over the last block and waits until every block was written or refused.
    WriteResult finish(std::size_t size) {
        if (m_thread.joinable()) {
            {
                const std::lock_guard lock(m_mutex);
                m_pending.push_back({m_current, size});
            }
            stop();
        } else {
            put(block(), size);
        }
        return m_result;
    }

    // Waits for the writing thread, dropping the blocks it was not given yet.
    WriteResult stop() {
        if (m_thread.joinable()) {
            {
                const std::lock_guard lock(m_mutex);
                m_ending = true;
            }
            m_changed.notify_all();
            m_thread.join();
        }
        return m_result;
    }

private:
    struct Pending {
        std::size_t block = 0;
        std::size_t size = 0;
    };

    std::size_t newBlock() {
        m_blocks[m_made] = std::make_unique_for_overwrite<char[]>(m_bytes);
        return m_made++;
    }

    // A block that is neither being filled nor waiting to be written: a written one, a new one
    // while fewer than kBlocks were made, or else the next one the writing thread is done with.
    std::size_t acquire() {
        std::unique_lock lock(m_mutex);
        if (m_free.empty() && m_made < kBlocks) {
            lock.unlock();
            return newBlock();
        }
        m_changed.wait(lock, [this] { return !m_free.empty(); });
        const std::size_t block = m_free.back();
        m_free.pop_back();
        return block;
    }

    // Gives the bytes to the sink unless a block was refused before them.
    void put(const char* bytes, std::size_t size) {
        if (m_failed.load() || size == 0)
            return;
        if (const FileResult put = m_sink(std::string_view(bytes, size)); !put) {
            m_result = WriteResult::failed(WriteFault::Write, put, m_result.offset);
            m_failed.store(true);
            return;
        }
        m_result.offset += size;
    }

    // The writing thread: the blocks in the order they were handed over, until the last one.
    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_pending.empty() || m_ending; });
            if (m_pending.empty())
                return;
            const Pending next = m_pending.front();
            m_pending.pop_front();
            lock.unlock();
            put(m_blocks[next.block].get(), next.size);
            lock.lock();
            m_free.push_back(next.block);
            m_changed.notify_all();
        }
    }

    const ByteSink& m_sink;
    const std::size_t m_bytes;
    // A block is made when the others are all in use; the writing thread reads one only after it
    // was handed over.
    std::array<std::unique_ptr<char[]>, kBlocks> m_blocks;
    std::size_t m_made = 0;
    std::size_t m_current = 0;
    std::size_t m_spare = kNone;
    // Written by the thread that writes (or by the caller without one), read after it.
    WriteResult m_result;
    std::atomic<bool> m_failed{false};
    bool m_alone = false;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Pending> m_pending;   // blocks handed over, not written yet
    std::vector<std::size_t> m_free; // blocks written, to be filled again
    bool m_ending = false;           // no more blocks come
};

// Encodes units on a thread of its own, one run at a time, while the calling thread encodes the
// run before it.
class HalfEncoder {
public:
    HalfEncoder() = default;
    ~HalfEncoder() {
        if (m_thread.joinable()) {
            {
                const std::lock_guard lock(m_mutex);
                m_ending = true;
            }
            m_changed.notify_all();
            m_thread.join();
        }
    }
    HalfEncoder(const HalfEncoder&) = delete;
    HalfEncoder& operator=(const HalfEncoder&) = delete;

    // Whether the thread runs, started now if need be; false when none is to be had, and the
    // caller encodes everything itself.
    bool ready() {
        if (!m_thread.joinable() && !m_alone) {
            try {
                m_thread = std::thread([this] { run(); });
            } catch (const std::system_error&) {
                m_alone = true;
            }
        }
        return !m_alone;
    }

    // Starts encoding `units` at `out` once ready(): through `writer` (room for
    // TextWriter::maxBytes(units.size()) bytes), which the caller leaves alone until wait()
    // returns; or as plain UTF-8 without one (room for 3 * units.size() + 1 bytes).
    void start(std::u16string_view units, char* out, TextWriter* writer = nullptr) {
        const std::lock_guard lock(m_mutex);
        m_units = units;
        m_writer = writer;
        m_out = out;
        m_end = nullptr;
        m_changed.notify_all();
    }

    // The end of the bytes of the run started last: waits for it, or encodes it on the calling
    // thread when the other one has not begun it yet (it may not have had a processor).
    char* wait() {
        std::unique_lock lock(m_mutex);
        if (m_out != nullptr) {
            const std::u16string_view units = m_units;
            TextWriter* const writer = m_writer;
            char* const out = std::exchange(m_out, nullptr);
            lock.unlock();
            return encode(units, writer, out);
        }
        m_changed.wait(lock, [this] { return m_end != nullptr; });
        return m_end;
    }

private:
    static char* encode(std::u16string_view units, TextWriter* writer, char* out) {
        if (writer != nullptr)
            return writer->feed(units, out);
        return out + Utf16ToUtf8(units, reinterpret_cast<std::uint8_t*>(out));
    }

    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_out != nullptr || m_ending; });
            if (m_out == nullptr)
                return;
            const std::u16string_view units = m_units;
            TextWriter* const writer = m_writer;
            char* const out = m_out;
            m_out = nullptr;
            lock.unlock();
            char* const end = encode(units, writer, out);
            lock.lock();
            m_end = end;
            m_changed.notify_all();
        }
    }

    std::thread m_thread;
    bool m_alone = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::u16string_view m_units; // the run to encode, while m_out is set
    TextWriter* m_writer = nullptr;
    char* m_out = nullptr;
    char* m_end = nullptr; // the end of its bytes, once encoded
    bool m_ending = false;
};

// Where a run of `units` cut after `at` units may end (0 < at < units.size()): not between the
// two halves of a pair, after the pair instead.
std::size_t cutAt(std::u16string_view units, std::size_t at) {
    return IsHighSurrogate(units[at - 1]) && IsLowSurrogate(units[at]) ? at + 1 : at;
}

char* putUtf8(std::u16string_view units, char* out) {
    return out + Utf16ToUtf8(units, reinterpret_cast<std::uint8_t*>(out));
}

// Runs this long or longer are split between the two threads; shorter ones are not worth the
// hand-over.
constexpr std::size_t kMinSplitUnits = 32768;

// The bytes of one file made into the blocks of a BlockWriter: the block being filled and where
// its bytes end.
class Filling {
public:
    Filling(BlockWriter& blocks, std::size_t blockBytes)
        : m_blocks(blocks), m_blockBytes(blockBytes), m_start(blocks.block()), m_end(m_start) {}

    // Where the next bytes go; the step that makes them sets the new end with made().
    char* end() const { return m_end; }
    void made(char* end) { m_end = end; }

    // Hands the block over when it holds blockBytes or more. False once a block was refused.
    bool handOverIfFull() {
        if (std::size_t(m_end - m_start) < m_blockBytes)
            return !m_refused;
        return !m_refused && handOver(0);
    }

    // One step in two halves: `other` encodes `second` (through `writer`, or as UTF-8) into a
    // spare block while `first` makes the bytes before them in this one, from end() to the end
    // it returns; then this block is handed over and filling goes on after the second half's
    // bytes. False once a block was refused.
    template <class First>
    bool inHalves(HalfEncoder& other, std::u16string_view second, TextWriter* writer, First first) {
        char* const spare = m_blocks.spare();
        other.start(second, spare, writer);
        m_end = first(m_end);
        return handOver(std::size_t(other.wait() - spare));
    }

    // Hands the last block over and waits for every block to be written; or, after a refused
    // block, only waits.
    WriteResult finish() {
        return m_refused ? m_blocks.stop() : m_blocks.finish(std::size_t(m_end - m_start));
    }

private:
    // Hands the block over and goes on in the block that follows, after the `filled` bytes the
    // other thread put there.
    bool handOver(std::size_t filled) {
        m_refused = !m_blocks.pass(std::size_t(m_end - m_start));
        m_start = m_blocks.block();
        m_end = m_start + filled;
        return !m_refused;
    }

    BlockWriter& m_blocks;
    const std::size_t m_blockBytes;
    char* m_start;
    char* m_end;
    bool m_refused = false;
};

// UTF-8 is the whole text's units encoded in one go (the break that ends the text is its own
// bytes), so the text may be cut anywhere but inside a pair: each step takes up to blockBytes
// units, encodes the first half into the block being filled while a second thread encodes the
// other half into a spare block, and hands both over in order.
WriteResult writeUtf8(const TextSpans& text, const ByteSink& sink, std::size_t blockBytes) {
    const std::size_t half = std::max<std::size_t>(blockBytes / 2, 1);
    // Before a step a block holds fewer than blockBytes bytes and a unit held from the span
    // before with its pair; a step adds at most half + 1 units of 3 bytes and a NUL.
    BlockWriter blocks(sink, blockBytes + 3 * (half + 1) + 16);
    Filling out(blocks, blockBytes);
    HalfEncoder other;
    char16_t held = 0; // a high half at the end of a span, which may pair with the next unit
    text([&](std::u16string_view span) {
        if (span.empty())
            return true;
        if (held != 0) {
            const char16_t pair[2] = {held, span[0]};
            const std::size_t joined = IsLowSurrogate(span[0]) ? 2 : 1;
            out.made(putUtf8(std::u16string_view(pair, joined), out.end()));
            span.remove_prefix(joined - 1);
            held = 0;
        }
        if (!span.empty() && IsHighSurrogate(span.back())) {
            held = span.back();
            span.remove_suffix(1);
        }
        if (!out.handOverIfFull())
            return false;
        while (!span.empty()) {
            std::size_t take = std::min(span.size(), 2 * half);
            const bool split = take >= std::min(kMinSplitUnits, 2 * half) && other.ready();
            if (!split)
                take = std::min(take, half);
            const std::size_t end = take < span.size() ? cutAt(span, take) : take;
            if (split) {
                // A step that is split takes at least 2 units, so the cut lies within it.
                const std::size_t cut = cutAt(span, end / 2);
                if (!out.inHalves(other, span.substr(cut, end - cut), nullptr,
                                  [&](char* p) { return putUtf8(span.substr(0, cut), p); }))
                    return false;
            } else {
                out.made(putUtf8(span.substr(0, end), out.end()));
            }
            span.remove_prefix(end);
            if (!out.handOverIfFull())
                return false;
        }
        return true;
    });
    if (held != 0)
        out.made(putUtf8(std::u16string_view(&held, 1), out.end()));
    return out.finish();
}

// The exports carry state from unit to unit (held units at the end, and for the C array the
// position, the piece's end and the wrap count), so a split step gives the second half a copy of
// the writer advanced over the first half; the copy writes the second half into a spare block
// while the caller's writer writes the first, and the caller's writer then goes on from the
// copy. advance() moves the state exactly as feed() does, so the halves may be cut anywhere.
WriteResult writeExport(OutputFormat format, const TextSpans& text, const ByteSink& sink,
                        std::size_t blockBytes) {
    // A half fits in the room a block keeps beyond blockBytes, whatever its units.
    const std::size_t half = std::max<std::size_t>(blockBytes / TextWriter::kMaxBytesPerUnit, 1);
    BlockWriter blocks(sink, blockBytes + TextWriter::maxBytes(half));
    Filling out(blocks, blockBytes);
    HalfEncoder other;
    TextWriter writer(format);
    TextWriter second(format);
    out.made(writer.begin(out.end()));
    // Before each step the block holds fewer than blockBytes bytes, so a step of at most half
    // units, and finish(), fit in it.
    if (!out.handOverIfFull())
        return out.finish();
    text([&](std::u16string_view span) {
        // Short spans (a line at a time, when the text is read on one processor) go straight
        // to the writer.
        if (span.size() <= half) {
            out.made(writer.feed(span, out.end()));
            return out.handOverIfFull();
        }
        while (!span.empty()) {
            std::size_t take = std::min(span.size(), 2 * half);
            const bool split = take >= std::min(kMinSplitUnits, 2 * half) && other.ready();
            if (!split)
                take = std::min(take, half);
            if (split) {
                const std::size_t cut = take / 2;
                second = writer;
                second.advance(span.substr(0, cut));
                const bool passed =
                    out.inHalves(other, span.substr(cut, take - cut), &second,
                                 [&](char* p) { return writer.feed(span.substr(0, cut), p); });
                writer = second;
                if (!passed)
                    return false;
            } else {
                out.made(writer.feed(span.substr(0, take), out.end()));
            }
            span.remove_prefix(take);
            if (!out.handOverIfFull())
                return false;
        }
        return true;
    });
    if (out.handOverIfFull())
        out.made(writer.finish(out.end()));
    return out.finish();
}

} // namespace

WriteResult WriteText(OutputFormat format, const TextSpans& text, const ByteSink& sink,
                      std::size_t blockBytes) {
    blockBytes = std::max<std::size_t>(blockBytes, 1);
    if (format == OutputFormat::Utf8)
        return writeUtf8(text, sink, blockBytes);
    return writeExport(format, text, sink, blockBytes);
}

} // namespace enc
