#include "encoding/stream.h"

#include "encoding/checksum.h"
#include "encoding/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace enc {
namespace {

constexpr std::size_t kInitialBuffer = 128 * 1024;
constexpr std::size_t kKeptBuffer = 1024 * 1024;

} // namespace

ByteStream::~ByteStream() {
    close();
}

FileResult ByteStream::open(const std::string& path, FileStamp* stamp) {
    close();
    FileStamp opened;
    const FileResult result = OpenRegularFile(path, m_file, &opened);
    if (!result)
        return result;
    if (stamp)
        *stamp = opened;
    m_fileSize = opened.size;
    if (!m_buf || m_cap > kKeptBuffer) {
        // A buffer grown for a very long line is not kept for the next file.
        m_cap = kInitialBuffer;
        m_buf = std::make_unique_for_overwrite<std::uint8_t[]>(m_cap);
    }
    m_cur = m_end = m_buf.get();
    m_open = true;
    return {};
}

void ByteStream::openMemory(std::span<const std::uint8_t> bytes) {
    close();
    m_memory = true;
    m_open = true;
    m_cur = bytes.data();
    m_end = bytes.data() + bytes.size();
    m_fileSize = bytes.size();
    m_filled = bytes.size();
}

void ByteStream::openPart(NativeFile file, std::uint64_t from, std::uint64_t to) {
    close();
    if (!m_buf || m_cap > kKeptBuffer) {
        m_cap = kInitialBuffer;
        m_buf = std::make_unique_for_overwrite<std::uint8_t[]>(m_cap);
    }
    m_cur = m_end = m_buf.get();
    m_file = file;
    m_part = true;
    m_open = true;
    m_filled = from;
    m_to = to;
}

void ByteStream::close() {
    if (m_file != kNoFile && !m_part)
        platform::Close(m_file);
    m_part = false;
    m_file = kNoFile;
    m_open = false;
    m_eof = false;
    m_failed = false;
    m_error = 0;
    m_memory = false;
    m_fileSize = 0;
    m_filled = 0;
    m_sum = nullptr;
    m_sumFrom = 0;
    m_sumTo = kToEnd;
    m_cur = m_end = m_buf.get();
}

bool ByteStream::fillMore() {
    if (m_memory || m_file == kNoFile || m_failed)
        return false;
    std::uint8_t* const base = m_buf.get();
    // Keep the unread bytes and a few before them, so that unget() works across a refill.
    const std::size_t before = static_cast<std::size_t>(m_cur - base);
    const std::size_t keep = before < kMaxUnget ? before : kMaxUnget;
    const std::uint8_t* from = m_cur - keep;
    const std::size_t live = static_cast<std::size_t>(m_end - from);
    if (from != base && live > 0)
        std::memmove(base, from, live);
    std::size_t used = live;
    if (used == m_cap) {
        // One line fills the whole buffer: grow it, lines have no length limit.
        const std::size_t cap = m_cap * 2;
        auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(cap);
        std::memcpy(bigger.get(), base, used);
        m_buf = std::move(bigger);
        m_cap = cap;
    }
    std::uint8_t* const b = m_buf.get();
    m_cur = b + keep;
    m_end = b + used;
    std::size_t want = m_cap - used;
    if (m_part && m_to - m_filled < want)
        want = static_cast<std::size_t>(m_to - m_filled);
    const std::ptrdiff_t got = want == 0 ? 0
                               : m_part  ? ReadSomeAt(m_file, b + used, want, m_filled)
                                         : ReadSome(m_file, b + used, want);
    if (got < 0) {
        m_failed = true;
        m_error = errno;
        return false;
    }
    if (got == 0)
        return false;
    if (m_sum) {
        // The bytes of this read that lie in the summed range of the file.
        const std::uint64_t from = std::max(m_filled, m_sumFrom);
        const std::uint64_t to = std::min(m_filled + std::uint64_t(got), m_sumTo);
        if (from < to)
            m_sum->update({m_end + (from - m_filled), static_cast<std::size_t>(to - from)});
    }
    m_end += got;
    m_filled += static_cast<std::uint64_t>(got);
    return true;
}

std::span<const std::uint8_t> ByteStream::peek(std::size_t want) {
    while (static_cast<std::size_t>(m_end - m_cur) < want && fillMore()) {
    }
    return {m_cur, static_cast<std::size_t>(m_end - m_cur)};
}

std::size_t ByteStream::read(std::uint8_t* dst, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        if (m_cur == m_end && !fillMore()) {
            m_eof = true;
            break;
        }
        std::size_t take = static_cast<std::size_t>(m_end - m_cur);
        if (take > n - done)
            take = n - done;
        std::memcpy(dst + done, m_cur, take);
        m_cur += take;
        done += take;
    }
    return done;
}

FileResult ReadFileStart(const std::string& path, std::uint8_t* dst, std::size_t max,
                         std::size_t& got) {
    got = 0;
    NativeFile file = kNoFile;
    const FileResult opened = OpenRegularFile(path, file);
    if (!opened)
        return opened;
    while (got < max) {
        const std::ptrdiff_t more = ReadSome(file, dst + got, max - got);
        if (more <= 0)
            break;
        got += static_cast<std::size_t>(more);
    }
    platform::Close(file);
    return {};
}

} // namespace enc
