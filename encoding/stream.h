#pragma once

#include "encoding/fileaccess.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace enc {

class Checksum;

// A binary input stream with its own buffer: a file (read in large blocks, never one byte per
// system call) or a span of bytes in memory. No line-end translation, no end-of-file character.
//
// The end-of-file state follows the readers' needs: get() at the end sets eof(); unget() steps
// back over bytes already got and clears it again, so a byte put back is read once more.
// The buffer is kept when the stream is closed and reopened, so a reused stream does not touch
// new memory for every file.
class ByteStream {
public:
    // How many bytes may be put back in a row with unget().
    static constexpr std::size_t kMaxUnget = 4;
    // The end of a part that runs on to the end of the file.
    static constexpr std::uint64_t kToEnd = UINT64_MAX;

    ByteStream() = default;
    ~ByteStream();
    ByteStream(const ByteStream&) = delete;
    ByteStream& operator=(const ByteStream&) = delete;

    // Opens a regular file for binary reading (OpenRegularFile: a FIFO, a device or a folder is
    // refused without being read); what failed when it cannot be opened. *stamp, when given,
    // receives the file's stamp as it was opened.
    FileResult open(const std::string& path, FileStamp* stamp = nullptr);
    // Reads from bytes the caller keeps alive while the stream is open.
    void openMemory(std::span<const std::uint8_t> bytes);
    // Reads the bytes [from, to) of `file` (to: kToEnd for all up to the file's end), which
    // stays open and the caller's, by positional reads (ReadSomeAt), so that several streams
    // may read parts of one file at once. consumed() counts from the file's start.
    void openPart(NativeFile file, std::uint64_t from, std::uint64_t to);
    void close();
    bool isOpen() const { return m_open; }

    // Next byte (0..255), or -1 when there is none (end of file or a read error, failed()).
    int get() {
        if (m_cur == m_end && !fillMore()) {
            m_eof = true;
            return -1;
        }
        return *m_cur++;
    }
    // Steps back over the last byte got; at most kMaxUnget in a row. Clears the end-of-file state.
    void unget() {
        --m_cur;
        m_eof = false;
    }
    // Reads up to n bytes into dst and returns how many came; fewer than n sets eof().
    std::size_t read(std::uint8_t* dst, std::size_t n);

    bool eof() const { return m_eof; }
    // A read failed (an I/O error): what came before it is not the whole file.
    bool failed() const { return m_failed; }
    // The read error behind failed(), or success.
    FileResult result() const { return m_failed ? FileResult::fromErrno(m_error) : FileResult{}; }
    bool atEndOrFailed() const { return m_eof || m_failed; }
    void setEof() { m_eof = true; }

    // Size of the open file in bytes (0 for memory streams or when unknown).
    std::uint64_t fileSize() const { return m_fileSize; }
    // Bytes taken from the stream so far (by get(), read() or advance()), for progress.
    std::uint64_t consumed() const { return m_filled - std::uint64_t(m_end - m_cur); }

    // Direct access for the whole-file readers: the buffered bytes not read yet.
    const std::uint8_t* cur() const { return m_cur; }
    const std::uint8_t* end() const { return m_end; }
    void advance(std::size_t n) { m_cur += n; }
    // Reads more bytes behind the unread ones, which stay (the buffer grows when they fill it),
    // so cur() may move. False when nothing more came: end of file or a read error (failed()).
    // Does not change eof().
    bool fillMore();

    // Every byte read from the file from now on is also handed to `sum` (nullptr: none), until
    // the stream is closed; only those at offsets [from, to) of the file when given.
    void sumInto(Checksum* sum, std::uint64_t from = 0, std::uint64_t to = kToEnd) {
        m_sum = sum;
        m_sumFrom = from;
        m_sumTo = to;
    }
    Checksum* summing() const { return m_sum; }
    // The offset in the file of the next byte the stream reads from it: the bytes read so far,
    // buffered ones included.
    std::uint64_t filled() const { return m_filled; }
    // The open file itself, for readers that take parts of it at their own offsets; kNoFile
    // for a memory stream.
    NativeFile nativeFile() const { return m_file; }
    // Reads until at least `want` unread bytes are buffered or the file ends, without taking
    // any: the unread bytes, which the next reads give again.
    std::span<const std::uint8_t> peek(std::size_t want);

private:
    std::unique_ptr<std::uint8_t[]> m_buf;
    std::size_t m_cap = 0;
    const std::uint8_t* m_cur = nullptr;
    const std::uint8_t* m_end = nullptr;
    NativeFile m_file = kNoFile;
    bool m_open = false;
    bool m_eof = false;
    bool m_failed = false;
    int m_error = 0;
    bool m_memory = false;
    bool m_part = false;    // the file is the caller's and read at m_filled
    std::uint64_t m_to = 0; // end of a part
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_filled = 0; // bytes that came into the buffer since open
    Checksum* m_sum = nullptr;
    std::uint64_t m_sumFrom = 0;
    std::uint64_t m_sumTo = kToEnd;
};

// Reads up to `max` bytes from the start of the file into dst and sets `got` to the number
// read; what failed when the file cannot be opened (OpenRegularFile; `got` is then 0). A read
// error ends the block early.
FileResult ReadFileStart(const std::string& path, std::uint8_t* dst, std::size_t max,
                         std::size_t& got);

} // namespace enc
