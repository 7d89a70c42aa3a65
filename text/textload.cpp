#include "text/textload.h"

#include "encoding/checksum.h"
#include "encoding/stream.h"
#include "encoding/textfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <fstream>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {
namespace {

constexpr std::uint64_t kProgressStep = 1u << 20; // bytes between two progress calls

bool hasLineBreak(std::u16string_view units) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    for (; i + 8 <= units.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units.data() + i));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(eight, cr), _mm_cmpeq_epi16(eight, lf))))
            return true;
    }
#endif
    for (; i < units.size(); ++i) {
        if (units[i] == u'\r' || units[i] == u'\n')
            return true;
    }
    return false;
}

bool isUtf16(enc::TextEncoding encoding) {
    return encoding == enc::EncUtf16 || encoding == enc::EncUtf16LeNoBom;
}

// Decodes the lines `loop` gives into `out`, each after the CR LF that ends the line before it
// (none before the first when `first`). tick() runs after every line; decoding stops when it
// returns false.
template <class Out, class Tick>
void decodeLines(enc::LineLoop& loop, Out& out, bool first, Tick&& tick) {
    std::u16string line;
    // Each line is decoded straight into the text, after the CR LF that ends the line before it.
    Pos lead = 0;
    char16_t* at = nullptr;
    const auto room = [&](std::size_t units) {
        lead = first ? 0 : 2;
        at = out.beginAppend(lead + Pos(units));
        return at + lead;
    };
    while (const std::optional<std::size_t> count = loop.next(room)) {
        if (!first) {
            at[0] = u'\r';
            at[1] = u'\n';
        }
        const std::u16string_view decoded(at + lead, *count);
        if (!hasLineBreak(decoded)) {
            out.endAppend(lead + Pos(*count));
        } else {
            // Rare (a decoder's overlong form of CR or LF): the line is taken out and each of
            // its line breaks appended as CR LF.
            line.assign(decoded);
            out.endAppend(lead);
            EmitLine(line, [&out](std::u16string_view part) { out.append(part); });
        }
        first = false;
        if (!tick())
            return;
    }
}

// ---- One read in pieces at once
//
// The bytes after the mark are cut just after line feeds (FindPieceStart) into pieces, one for
// each processor; each piece is read by positional reads (or from the bytes in memory) and
// decoded on a thread of its own into a builder of its own, whose memory that thread touches
// first, and the builders are joined in order. Every piece but the first starts with the CR LF
// that ends the line before it, as a piece never is empty and ends just after a line feed.
// The checksum of the file is taken in ranges that start at multiples of its block size, each
// piece summing one range and the sums joined in order.

constexpr std::uint64_t kMinPiece = std::uint64_t(8) << 20;
std::atomic<std::uint64_t> g_pieceBytes{0}; // set by tests: pieces of this size

unsigned usableProcessors() {
#if defined(__linux__)
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return unsigned(CPU_COUNT(&set));
#endif
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

std::uint64_t roundUpToBlock(std::uint64_t offset) {
    constexpr std::uint64_t block = enc::Checksum::kBlock;
    return (offset + block - 1) / block * block;
}

// Where the bytes come from: an open file read at offsets, or the bytes of a memory stream.
// Offsets are those of the stream (from the file's or the memory's start).
struct Source {
    enc::NativeFile file = enc::kNoFile;
    std::span<const std::uint8_t> memory; // from offset `memoryAt` on, when there is no file
    std::uint64_t memoryAt = 0;
    std::uint64_t size = 0; // the file's size as it was opened
};

struct Piece {
    std::uint64_t from = 0;
    std::uint64_t to = 0; // ByteStream::kToEnd for the last piece
    TextBuilder text;
    enc::FileResult result;
    std::exception_ptr error;
    std::uint64_t end = 0;              // where the read of the piece came to
    std::atomic<std::uint64_t> done{0}; // bytes of the piece read so far, for the progress
    // The file's bytes [sumFrom, sumTo) go to `sum`, which starts as the open stream's sum
    // when it goes on from it (sumFrom is where that one stopped), else empty.
    enc::Checksum sum;
    std::uint64_t sumFrom = 0;
    std::uint64_t sumTo = 0;
    bool continuesSum = false;
};

// The first piece start at or after `from` and before `limit`: nothing when there is none or
// the bytes cannot be read.
std::optional<std::uint64_t> findPieceStart(const Source& source, std::uint64_t from,
                                            std::uint64_t limit, bool utf16) {
    if (from >= limit)
        return std::nullopt;
    if (source.file == enc::kNoFile) {
        const auto found = enc::FindPieceStart(
            source.memory.subspan(std::size_t(from - source.memoryAt), std::size_t(limit - from)),
            utf16);
        return found ? std::optional(from + *found) : std::nullopt;
    }
    constexpr std::size_t kBlock = 64 * 1024;
    std::uint8_t block[kBlock];
    for (std::uint64_t at = from; at < limit;) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(kBlock, limit - at));
        std::size_t got = 0;
        while (got < want) {
            const std::ptrdiff_t more =
                enc::ReadSomeAt(source.file, block + got, want - got, at + got);
            if (more < 0)
                return std::nullopt;
            if (more == 0)
                break;
            got += std::size_t(more);
        }
        if (const auto found = enc::FindPieceStart({block, got}, utf16))
            return at + *found;
        if (got < want)
            return std::nullopt;
        at += got;
    }
    return std::nullopt;
}

// Sums the file's bytes [from, to) (fewer where the file ends) into `sum`.
enc::FileResult sumRange(enc::NativeFile file, std::uint64_t from, std::uint64_t to,
                         enc::Checksum& sum) {
    std::vector<std::uint8_t> block(std::size_t(std::min<std::uint64_t>(to - from, 1u << 20)));
    for (std::uint64_t at = from; at < to;) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(block.size(), to - at));
        const std::ptrdiff_t got = enc::ReadSomeAt(file, block.data(), want, at);
        if (got < 0)
            return enc::FileResult::fromErrno(errno);
        if (got == 0)
            break;
        sum.update({block.data(), std::size_t(got)});
        at += std::uint64_t(got);
    }
    return {};
}

// What the reads of the pieces share.
struct PieceRun {
    const Source& source;
    enc::TextEncoding encoding;
    int byteOrder;
    std::atomic<bool> stop{false}; // a piece failed: the others need not go on
};

// Reads one piece into its builder; `tick` runs after every line with the bytes read so far.
template <class Tick> void readPiece(PieceRun& run, Piece& piece, bool first, Tick&& tick) {
    enc::ByteStream in;
    std::uint64_t length = 0;
    if (run.source.file != enc::kNoFile) {
        in.openPart(run.source.file, piece.from, piece.to);
        if (piece.sumTo > piece.sumFrom)
            in.sumInto(&piece.sum, piece.sumFrom, piece.sumTo);
        const std::uint64_t to = piece.to == enc::ByteStream::kToEnd ? run.source.size : piece.to;
        length = to > piece.from ? to - piece.from : 0;
    } else {
        const std::size_t at = std::size_t(piece.from - run.source.memoryAt);
        const std::size_t to = piece.to == enc::ByteStream::kToEnd
                                   ? run.source.memory.size()
                                   : std::size_t(piece.to - run.source.memoryAt);
        in.openMemory(run.source.memory.subspan(at, to - at));
        length = to - at;
    }
    piece.text.reserve(Pos(EstimatedUnits(length, run.encoding)));
    const std::uint64_t start = in.consumed();
    enc::LineLoop loop(in, run.encoding, run.byteOrder);
    std::uint64_t nextNote = kProgressStep;
    decodeLines(loop, piece.text, first, [&] {
        const std::uint64_t read = in.consumed() - start;
        if (read >= nextNote) {
            piece.done.store(read, std::memory_order_relaxed);
            nextNote = read + kProgressStep;
            tick();
        }
        return !run.stop.load(std::memory_order_relaxed);
    });
    piece.result = in.result();
    piece.end = piece.from + (in.consumed() - start);
    piece.done.store(piece.end - piece.from, std::memory_order_relaxed);
    // The bytes after the piece up to the end of its range of the checksum.
    if (piece.result && piece.sumTo != enc::ByteStream::kToEnd) {
        const std::uint64_t from = std::max(piece.end, piece.sumFrom);
        if (from < piece.sumTo)
            piece.result = sumRange(run.source.file, from, piece.sumTo, piece.sum);
    }
}

// The piece starts after the text's start `begin` (which starts the first), for the stream's
// size; one start when the text is read in one pass.
std::vector<std::uint64_t> pieceStarts(const Source& source, std::uint64_t begin, bool utf16) {
    std::vector<std::uint64_t> starts{begin};
    const std::uint64_t forced = g_pieceBytes.load(std::memory_order_relaxed);
    const std::uint64_t rest = source.size > begin ? source.size - begin : 0;
    const std::uint64_t most = forced > 0 ? 256 : usableProcessors();
    const std::uint64_t pieces = std::min(most, rest / (forced > 0 ? forced : kMinPiece));
    for (std::uint64_t k = 1; k < pieces; ++k) {
        // A UTF-16 piece starts at an even offset from the text's start.
        std::uint64_t target = rest / pieces * k;
        std::uint64_t limit = k + 1 < pieces ? rest / pieces * (k + 1) : rest;
        if (utf16) {
            target &= ~std::uint64_t(1);
            limit &= ~std::uint64_t(1);
        }
        const auto found = findPieceStart(source, begin + target, begin + limit, utf16);
        if (found && *found < source.size)
            starts.push_back(*found);
    }
    return starts;
}

// Reads the text from `begin` (a line's start; `byteOrder` as the mark gave it) in the pieces
// that start at `starts`, on up to `threads` threads, into `out`. `main`, when given, holds the
// sum of the stream's first `summed` bytes and receives the sum of all. Gives nothing when the
// file changed under the read (a piece came out short), which the caller reads again in one
// pass.
std::optional<enc::FileResult>
readPieces(const Source& source, const std::vector<std::uint64_t>& starts,
           enc::TextEncoding encoding, int byteOrder, unsigned threads, enc::Checksum* main,
           std::uint64_t summed, TextBuilder& out, const LoadProgress& progress) {
    const std::size_t count = starts.size();
    std::vector<Piece> pieces(count);
    for (std::size_t i = 0; i < count; ++i) {
        Piece& piece = pieces[i];
        piece.from = starts[i];
        piece.to = i + 1 < count ? starts[i + 1] : enc::ByteStream::kToEnd;
        if (main) {
            piece.sumFrom = i == 0 ? summed : std::max(summed, roundUpToBlock(piece.from));
            piece.sumTo = i + 1 < count
                              ? std::max(piece.sumFrom, std::max(summed, roundUpToBlock(piece.to)))
                              : enc::ByteStream::kToEnd;
            piece.continuesSum = piece.sumFrom == summed;
            if (piece.continuesSum)
                piece.sum = *main;
        }
    }

    PieceRun run{source, encoding, byteOrder};
    const std::uint64_t begin = starts.front();
    const auto readSoFar = [&] {
        std::uint64_t total = begin;
        for (const Piece& piece : pieces)
            total += piece.done.load(std::memory_order_relaxed);
        return total;
    };
    std::uint64_t nextReport = kProgressStep;
    const auto report = [&] {
        const std::uint64_t total = readSoFar();
        if (progress && total >= nextReport) {
            progress(total, source.size);
            nextReport = total + kProgressStep;
        }
    };

    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::mutex lock;
    std::condition_variable allDone;
    const auto work = [&](bool caller) {
        for (std::size_t i; (i = next.fetch_add(1)) < count;) {
            Piece& piece = pieces[i];
            try {
                if (caller)
                    readPiece(run, piece, i == 0, report);
                else
                    readPiece(run, piece, i == 0, [] {});
            } catch (const std::bad_alloc&) {
                piece.result = enc::FileResult::tooBig();
            } catch (...) {
                piece.error = std::current_exception();
            }
            if (!piece.result || piece.error)
                run.stop.store(true);
            {
                const std::lock_guard<std::mutex> hold(lock);
                finished.fetch_add(1);
            }
            allDone.notify_all();
        }
    };
    // The helpers are joined however this ends (a progress call that throws while they run
    // stops them first).
    struct Helpers {
        std::atomic<bool>& stop;
        std::vector<std::thread> threads;
        ~Helpers() {
            if (std::uncaught_exceptions() > 0)
                stop.store(true);
            for (std::thread& thread : threads)
                thread.join();
        }
    } helpers{run.stop, {}};
    try {
        helpers.threads.reserve(threads);
        for (unsigned t = 1; t < threads && t < count; ++t)
            helpers.threads.emplace_back(work, false);
    } catch (...) {
        // The pieces no other thread takes are read by this one.
    }
    work(true);
    if (progress) {
        std::unique_lock<std::mutex> wait(lock);
        while (finished.load() < count) {
            allDone.wait_for(wait, std::chrono::milliseconds(50));
            wait.unlock();
            report();
            wait.lock();
        }
    }
    for (std::thread& helper : helpers.threads)
        helper.join();
    helpers.threads.clear();

    for (const Piece& piece : pieces) {
        if (piece.error)
            std::rethrow_exception(piece.error);
    }
    for (const Piece& piece : pieces) {
        if (!piece.result)
            return piece.result;
    }
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (pieces[i].end != pieces[i].to)
            return std::nullopt;
    }

    out = std::move(pieces.front().text);
    for (std::size_t i = 1; i < count; ++i)
        out.append(std::move(pieces[i].text));
    if (main) {
        enc::Checksum sum = *main;
        for (const Piece& piece : pieces) {
            if (piece.continuesSum)
                sum = piece.sum;
            else if (piece.sum.size() > 0)
                sum.append(piece.sum);
        }
        *main = sum;
    }
    if (progress)
        progress(pieces.back().end, source.size);
    return enc::FileResult{};
}

// ---- The text in order, decoded ahead on the other processors
//
// The bytes are cut into pieces of about kStreamPiece bytes as the threads come to them; a
// thread decodes a piece into units of its own, and the calling thread hands the pieces on in
// order. At most a few pieces are held at once, and their room is used again, so memory stays
// flat. Where no line feed comes soon after a piece's size, the rest is the last piece, which
// the calling thread reads line by line as one pass does, however long it is.

constexpr std::uint64_t kStreamPiece = std::uint64_t(4) << 20;

// Units decoded into room of its own, kept from piece to piece.
struct UnitRoom {
    std::unique_ptr<char16_t[]> data;
    std::size_t capacity = 0;
    std::size_t used = 0;

    char16_t* beginAppend(Pos units) {
        const std::size_t need = used + std::size_t(units);
        if (need > capacity) {
            const std::size_t grown = std::max(need, capacity * 2);
            auto bigger = std::make_unique_for_overwrite<char16_t[]>(grown);
            if (used > 0)
                std::memcpy(bigger.get(), data.get(), used * sizeof(char16_t));
            data = std::move(bigger);
            capacity = grown;
        }
        return data.get() + used;
    }
    void endAppend(Pos units) { used += std::size_t(units); }
    void append(std::u16string_view units) {
        std::memcpy(beginAppend(Pos(units.size())), units.data(), units.size() * sizeof(char16_t));
        endAppend(Pos(units.size()));
    }
};

struct StreamPiece {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    UnitRoom units;
    bool done = false;
    enc::FileResult result;
    std::exception_ptr error;
};

// Hands the lines of `loop` (its stream at a line's start) to `visit` as one pass does.
enc::FileResult visitLines(enc::ByteStream& in, enc::LineLoop& loop, bool first,
                           const std::function<bool(std::u16string_view)>& visit) {
    std::u16string buffer;
    bool more = true;
    while (more) {
        const std::optional<std::size_t> units = loop.next([&buffer](std::size_t room) {
            if (buffer.size() < room)
                buffer.resize(room);
            return buffer.data();
        });
        if (!units)
            break;
        if (!first)
            more = visit(u"\r\n");
        first = false;
        EmitLine(std::u16string_view(buffer.data(), *units), [&](std::u16string_view part) {
            if (more)
                more = visit(part);
        });
    }
    return in.result();
}

enc::FileResult visitInPieces(const Source& source, std::uint64_t begin, enc::TextEncoding encoding,
                              int byteOrder, bool utf16, unsigned threads,
                              const std::function<bool(std::u16string_view)>& visit) {
    const std::uint64_t forced = g_pieceBytes.load(std::memory_order_relaxed);
    const std::uint64_t size = forced > 0 ? forced : kStreamPiece;
    const std::size_t inFlight = threads + 2;

    std::mutex lock;
    std::condition_variable changed;
    std::deque<StreamPiece> pieces; // from the first one not handed on yet
    std::size_t handedOn = 0;       // pieces handed on (and dropped from the front)
    std::uint64_t next = begin;     // where the next piece starts
    bool cutting = true;            // false once the rest is the last piece
    bool stop = false;
    std::vector<UnitRoom> spare;

    // Takes the next piece for a thread: its index, or nothing when there are no more.
    const auto takePiece = [&](std::unique_lock<std::mutex>& hold) -> std::optional<std::size_t> {
        changed.wait(hold, [&] { return stop || !cutting || pieces.size() < inFlight; });
        if (stop || !cutting)
            return std::nullopt;
        std::uint64_t target = next - begin + size;
        if (utf16)
            target &= ~std::uint64_t(1);
        const std::optional<std::uint64_t> end =
            source.size > begin + target
                ? findPieceStart(source, begin + target,
                                 std::min(source.size, begin + target + size), utf16)
                : std::nullopt;
        if (!end || *end >= source.size) {
            cutting = false;
            changed.notify_all();
            return std::nullopt;
        }
        StreamPiece& piece = pieces.emplace_back();
        piece.from = next;
        piece.to = *end;
        if (!spare.empty()) {
            piece.units = std::move(spare.back());
            spare.pop_back();
        }
        next = *end;
        return handedOn + pieces.size() - 1;
    };
    const auto work = [&] {
        std::unique_lock<std::mutex> hold(lock);
        while (const std::optional<std::size_t> index = takePiece(hold)) {
            StreamPiece& piece = pieces[*index - handedOn];
            hold.unlock();
            try {
                enc::ByteStream in;
                if (source.file != enc::kNoFile) {
                    in.openPart(source.file, piece.from, piece.to);
                } else {
                    const std::size_t at = std::size_t(piece.from - source.memoryAt);
                    in.openMemory(source.memory.subspan(at, std::size_t(piece.to - piece.from)));
                }
                enc::LineLoop loop(in, encoding, byteOrder);
                piece.units.used = 0;
                piece.units.beginAppend(Pos(EstimatedUnits(piece.to - piece.from, encoding)));
                decodeLines(loop, piece.units, *index == 0, [] { return true; });
                piece.result = in.result();
                if (piece.result && in.consumed() - piece.from != piece.to - piece.from &&
                    source.file != enc::kNoFile)
                    piece.result =
                        enc::FileResult::fromErrno(EIO); // the file shrank under the read
            } catch (const std::bad_alloc&) {
                piece.result = enc::FileResult::tooBig();
            } catch (...) {
                piece.error = std::current_exception();
            }
            hold.lock();
            piece.done = true;
            changed.notify_all();
        }
    };

    struct Helpers {
        std::mutex& lock;
        std::condition_variable& changed;
        bool& stop;
        std::vector<std::thread> threads;
        ~Helpers() {
            {
                const std::lock_guard<std::mutex> hold(lock);
                stop = true;
            }
            changed.notify_all();
            for (std::thread& thread : threads)
                thread.join();
        }
    } helpers{lock, changed, stop, {}};
    try {
        helpers.threads.reserve(threads);
        for (unsigned t = 0; t < threads; ++t)
            helpers.threads.emplace_back(work);
    } catch (...) {
        if (helpers.threads.empty())
            throw;
    }

    // The pieces in order, as they are done.
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        changed.wait(hold, [&] { return !pieces.empty() ? pieces.front().done : !cutting; });
        if (pieces.empty())
            break;
        StreamPiece& piece = pieces.front();
        if (piece.error)
            std::rethrow_exception(piece.error);
        if (!piece.result)
            return piece.result;
        hold.unlock();
        const bool more = visit(std::u16string_view(piece.units.data.get(), piece.units.used));
        hold.lock();
        spare.push_back(std::move(piece.units));
        pieces.pop_front();
        ++handedOn;
        changed.notify_all();
        if (!more)
            return {};
    }
    const std::uint64_t tail = next;
    hold.unlock();

    // The rest, line by line.
    enc::ByteStream in;
    if (source.file != enc::kNoFile) {
        in.openPart(source.file, tail, enc::ByteStream::kToEnd);
    } else {
        const std::size_t at = std::size_t(tail - source.memoryAt);
        in.openMemory(source.memory.subspan(at));
    }
    enc::LineLoop loop(in, encoding, byteOrder);
    return visitLines(in, loop, tail == begin, visit);
}

enc::FileResult readLines(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                          const LoadProgress& progress) {
    enc::LineLoop loop(in, encoding);
    const std::uint64_t size = in.fileSize();
    const std::uint64_t estimate = EstimatedUnits(size, encoding);
    const std::uint64_t free = size > 0 ? AvailableMemory() : 0;
    if (free > 0 && estimate * sizeof(char16_t) > free)
        return enc::FileResult::tooBig();

    Source source;
    source.file = in.nativeFile();
    source.size = size;
    const std::uint64_t begin = in.consumed();
    if (source.file == enc::kNoFile) {
        source.memory = {in.cur(), in.end()};
        source.memoryAt = begin;
    }
    const bool utf16 = loop.utf16();
    const std::vector<std::uint64_t> starts = pieceStarts(source, begin, utf16);
    if (starts.size() > 1) {
        const std::uint64_t forced = g_pieceBytes.load(std::memory_order_relaxed);
        const unsigned threads =
            forced > 0 ? 4 : static_cast<unsigned>(std::min<std::size_t>(starts.size(), 64));
        if (const std::optional<enc::FileResult> done =
                readPieces(source, starts, encoding, loop.byteOrder(), threads, in.summing(),
                           in.filled(), out, progress))
            return *done;
        // The file changed under the read: once more in one piece.
        out = TextBuilder();
        const std::optional<enc::FileResult> again =
            readPieces(source, {begin}, encoding, loop.byteOrder(), 1, in.summing(), in.filled(),
                       out, progress);
        return again ? *again : enc::FileResult::fromErrno(EIO);
    }

    // One pass over the stream itself.
    out.reserve(static_cast<Pos>(estimate));
    std::uint64_t nextReport = kProgressStep;
    decodeLines(loop, out, true, [&] {
        if (progress && in.consumed() >= nextReport) {
            progress(in.consumed(), size);
            nextReport = in.consumed() + kProgressStep;
        }
        return true;
    });
    if (progress)
        progress(in.consumed(), size);
    return in.result();
}

} // namespace

void EmitLine(std::u16string_view line, const std::function<void(std::u16string_view)>& emit) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char16_t u = line[i];
        if (u != u'\r' && u != u'\n')
            continue;
        if (i > from)
            emit(line.substr(from, i - from));
        emit(u"\r\n");
        if (u == u'\r' && i + 1 < line.size() && line[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    if (from < line.size())
        emit(line.substr(from));
}

std::uint64_t EstimatedUnits(std::uint64_t bytes, enc::TextEncoding encoding) {
    // A byte (two in UTF-16) never gives more than one unit; line ends are one or two bytes
    // that give the two units CR LF, which the 1/16 allowance covers for ordinary lines.
    const std::uint64_t units = isUtf16(encoding) ? bytes / 2 : bytes;
    return units + units / 16 + 16;
}

std::uint64_t AvailableMemory() {
#ifdef __linux__
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    std::string unit;
    while (meminfo >> key >> kb >> unit) {
        if (key == "MemAvailable:")
            return kb * 1024;
    }
#endif
    return enc::PhysicalMemory();
}

enc::FileResult LoadTextStream(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                               const LoadProgress& progress) {
    out = TextBuilder();
    enc::FileResult result;
    try {
        result = readLines(in, encoding, out, progress);
    } catch (const std::bad_alloc&) {
        result = enc::FileResult::tooBig();
    }
    if (!result)
        out = TextBuilder(); // never a part of the file: a save would lose the rest
    return result;
}

enc::FileResult LoadTextFile(const std::string& path, enc::TextEncoding encoding, TextBuilder& out,
                             enc::FileStamp* stamp, const LoadProgress& progress) {
    out = TextBuilder();
    // A stream of this read's own: a read started while another runs must never close the
    // first one's file under it.
    enc::ByteStream in;
    const enc::FileResult opened = in.open(path, stamp);
    if (!opened)
        return opened;
    return LoadTextStream(in, encoding, out, progress);
}

enc::FileResult LoadTextBytes(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                              TextBuilder& out) {
    out = TextBuilder();
    enc::ByteStream in;
    in.openMemory(bytes);
    return readLines(in, encoding, out, {});
}

enc::FileResult VisitText(enc::ByteStream& in, enc::TextEncoding encoding,
                          const std::function<bool(std::u16string_view)>& visit) {
    enc::LineLoop loop(in, encoding);
    Source source;
    source.file = in.nativeFile();
    source.size = in.fileSize();
    const std::uint64_t begin = in.consumed();
    if (source.file == enc::kNoFile) {
        source.memory = {in.cur(), in.end()};
        source.memoryAt = begin;
    }
    const std::uint64_t forced = g_pieceBytes.load(std::memory_order_relaxed);
    const unsigned processors = usableProcessors();
    const std::uint64_t piece = forced > 0 ? forced : kStreamPiece;
    if ((processors > 1 || forced > 0) && source.size > begin && source.size - begin >= 2 * piece) {
        const unsigned threads = forced > 0 ? 3 : std::min(processors, 64u);
        try {
            return visitInPieces(source, begin, encoding, loop.byteOrder(), loop.utf16(), threads,
                                 visit);
        } catch (const std::bad_alloc&) {
            return enc::FileResult::tooBig();
        }
    }
    return visitLines(in, loop, true, visit);
}

namespace testing {
std::uint64_t SetPieceBytes(std::uint64_t bytes) {
    return g_pieceBytes.exchange(bytes);
}
} // namespace testing

} // namespace text
