#include "encoding/stream.h"
#include "encoding/textfile.h"
#include "text/textload.h"
#include "text/textpieces.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace text {
using namespace detail;
namespace {

// ---- The text in order, decoded ahead on the other processors
//
// The bytes are cut into pieces of about kStreamPiece bytes as the threads come to them; a
// thread decodes a piece into units of its own, and the calling thread hands the pieces on in
// order. At most a few pieces are held at once, and their room is used again, so memory stays
// flat. A rest of at most two pieces' size is the last piece. Where no line feed comes soon
// after a piece's size and more than that is left, the calling thread reads the rest line by
// line as one pass does, however long it is.

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
    const std::uint64_t forced = forcedPieceBytes();
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
        // Without a cut, a rest of at most two pieces is decoded ahead as the last piece, so
        // the calling thread is not left alone with it at the end; a longer one (or none) is
        // read line by line.
        const std::uint64_t to = end && *end < source.size ? *end : source.size;
        const bool last = to == source.size;
        if (last && (next >= source.size || source.size - next > 2 * size)) {
            cutting = false;
            changed.notify_all();
            return std::nullopt;
        }
        StreamPiece& piece = pieces.emplace_back();
        piece.from = next;
        piece.to = to;
        if (last) {
            cutting = false;
            changed.notify_all();
        }
        if (!spare.empty()) {
            piece.units = std::move(spare.back());
            spare.pop_back();
        }
        next = to;
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

} // namespace

enc::FileResult VisitText(enc::ByteStream& in, enc::TextEncoding encoding,
                          const std::function<bool(std::u16string_view)>& visit) {
    enc::LineLoop loop(in, encoding);
    const Source source = sourceOf(in);
    const std::uint64_t begin = in.consumed();
    const std::uint64_t forced = forcedPieceBytes();
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

} // namespace text
