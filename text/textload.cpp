#include "text/textload.h"

#include "encoding/checksum.h"
#include "encoding/stream.h"
#include "encoding/textfile.h"
#include "text/textpieces.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <fstream>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace text {
using namespace detail;
namespace {

bool isUtf16(enc::TextEncoding encoding) {
    return encoding == enc::EncUtf16 || encoding == enc::EncUtf16LeNoBom;
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

std::uint64_t roundUpToBlock(std::uint64_t offset) {
    constexpr std::uint64_t block = enc::Checksum::kBlock;
    return (offset + block - 1) / block * block;
}

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
    const std::uint64_t forced = forcedPieceBytes();
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

enc::FileResult readLines(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                          const LoadProgress& progress) {
    enc::LineLoop loop(in, encoding);
    const std::uint64_t size = in.fileSize();
    const std::uint64_t estimate = EstimatedUnits(size, encoding);
    const std::uint64_t free = size > 0 ? AvailableMemory() : 0;
    if (free > 0 && estimate * sizeof(char16_t) > free)
        return enc::FileResult::tooBig();

    const Source source = sourceOf(in);
    const std::uint64_t begin = in.consumed();
    const bool utf16 = loop.utf16();
    const std::vector<std::uint64_t> starts = pieceStarts(source, begin, utf16);
    if (starts.size() > 1) {
        const std::uint64_t forced = forcedPieceBytes();
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

} // namespace text
