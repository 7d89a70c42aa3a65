#include "recovery/journal.h"

#include "encoding/checksum.h"
#include "encoding/platform.h"

#include <atomic>
#include <bit>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace recovery {
namespace {

constexpr std::string_view kMagic = "toviloeditru journal\n";
constexpr std::uint32_t kVersion = 1;
constexpr std::uint8_t kRecordTag = 0xE1;
constexpr std::uint32_t kMaxName = 4096;
constexpr std::string_view kJournalPrefix = "journal-";
constexpr std::string_view kCopyMagic = "toviloeditru in-place copy\n";
// How long the journal's thread lets appends gather before it writes them, and before it
// waits for the disk.
constexpr auto kGatherDelay = std::chrono::milliseconds(20);
constexpr auto kSyncDelay = std::chrono::milliseconds(200);
// The most bytes handed to the thread and not yet written.
constexpr std::size_t kMaxPending = std::size_t(4) << 20;
// The size of the block a record is written in.
constexpr std::size_t kRecordBlock = std::size_t(1) << 20;

void putFixed(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

void putVarint(std::string& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(char((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(char(value));
}

// Appends units as little-endian pairs of bytes.
void putUnits(std::string& out, std::u16string_view units) {
    const std::size_t at = out.size();
    out.resize(at + units.size() * 2);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out.data() + at, units.data(), units.size() * 2);
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) {
            out[at + 2 * i] = char(units[i] & 0xFF);
            out[at + 2 * i + 1] = char(units[i] >> 8);
        }
    }
}

std::uint64_t chained(std::uint64_t previous, std::string_view bytes) {
    enc::Checksum sum;
    std::uint8_t previousSum[8];
    for (int i = 0; i < 8; ++i)
        previousSum[i] = std::uint8_t(previous >> (8 * i));
    sum.update(previousSum);
    sum.update({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    return sum.value();
}

// Reads fields from bytes; every read past the end fails and leaves the reader failed.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok; }
    std::size_t at() const { return m_at; }
    bool fixed(std::uint64_t& value, int bytes) {
        value = 0;
        if (!take(std::size_t(bytes)))
            return false;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint64_t(m_bytes[m_at - bytes + i]) << (8 * i);
        return true;
    }
    bool varint(std::uint64_t& value) {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (!take(1))
                return false;
            const std::uint8_t b = m_bytes[m_at - 1];
            value |= std::uint64_t(b & 0x7F) << shift;
            if ((b & 0x80) == 0)
                return true;
        }
        m_ok = false; // more than ten bytes: no number of ours
        return false;
    }
    bool bytes(std::size_t n, std::span<const std::uint8_t>& out) {
        if (!take(n))
            return false;
        out = m_bytes.subspan(m_at - n, n);
        return true;
    }

private:
    bool take(std::size_t n) {
        if (!m_ok || n > m_bytes.size() - m_at) {
            m_ok = false;
            return false;
        }
        m_at += n;
        return true;
    }
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
    bool m_ok = true;
};

std::string_view asChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::int64_t modifiedNsOf(int file) {
    struct stat st {};
    if (::fstat(file, &st) != 0)
        return 0;
    return std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Opens a file of the state folder for reading and writing, never a link, FIFO or device.
int openOwnFile(const std::string& path) {
    const int file = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0)
        return -1;
    struct stat st {};
    if (::fstat(file, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(file);
        return -1;
    }
    return file;
}

bool readWhole(int file, std::vector<std::uint8_t>& bytes, std::uint64_t from = 0,
               std::uint64_t limit = ~std::uint64_t(0)) {
    struct stat st {};
    if (::fstat(file, &st) != 0 || std::uint64_t(st.st_size) < from)
        return false;
    const std::uint64_t size = std::min<std::uint64_t>(std::uint64_t(st.st_size) - from, limit);
    bytes.resize(std::size_t(size));
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t got =
            ::pread(file, bytes.data() + done, bytes.size() - done, off_t(from + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += std::size_t(got);
    }
    return true;
}

// A file's bytes mapped for reading: a journal is read in place, however large it grew.
class MappedFile {
public:
    explicit MappedFile(int file) {
        struct stat st {};
        if (::fstat(file, &st) != 0 || st.st_size < 0)
            return;
        m_size = std::size_t(st.st_size);
        if (m_size == 0) {
            m_ok = true;
            return;
        }
        void* const at = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, file, 0);
        if (at == MAP_FAILED)
            return;
        m_data = static_cast<const std::uint8_t*>(at);
        m_ok = true;
    }
    ~MappedFile() {
        if (m_data)
            ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool ok() const { return m_ok; }
    std::span<const std::uint8_t> bytes() const { return {m_data, m_data ? m_size : 0}; }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_ok = false;
};

} // namespace

// ---- Format

std::string HeaderBytes(std::uint64_t process, const Origin& origin, std::uint64_t& chain) {
    std::string out(kMagic);
    putFixed(out, kVersion, 4);
    putFixed(out, process, 8);
    putFixed(out, origin.fromFile ? 1 : 0, 1);
    putFixed(out, std::uint32_t(origin.encoding), 4);
    putFixed(out, origin.size, 8);
    putFixed(out, std::uint64_t(origin.modifiedNs), 8);
    putFixed(out, origin.device, 8);
    putFixed(out, origin.inode, 8);
    putFixed(out, origin.checksum, 8);
    const std::string_view name = std::string_view(origin.fileName).substr(0, kMaxName);
    putFixed(out, name.size(), 4);
    out += name;
    chain = chained(0, out);
    putFixed(out, chain, 8);
    return out;
}

std::string RecordBytes(const Edit& edit, std::uint64_t& chain) {
    std::string out(1, char(kRecordTag));
    putVarint(out, edit.position);
    putVarint(out, edit.removed);
    putVarint(out, edit.inserted.size());
    putUnits(out, edit.inserted);
    chain = chained(chain, out);
    putFixed(out, chain & 0xFFFFFFFF, 4);
    return out;
}

bool ParseJournal(std::span<const std::uint8_t> bytes, Journal& out) {
    std::vector<Edit> edits;
    const bool read = ScanJournal(bytes, out,
                                  [&edits](std::uint64_t position, std::uint64_t removed,
                                           std::span<const std::uint8_t> units) {
                                      Edit edit{position, removed, {}};
                                      edit.inserted.resize(units.size() / 2);
                                      for (std::size_t i = 0; i < edit.inserted.size(); ++i)
                                          edit.inserted[i] =
                                              char16_t(units[2 * i] | (units[2 * i + 1] << 8));
                                      edits.push_back(std::move(edit));
                                  });
    out.edits = std::move(edits);
    return read;
}

bool ScanJournal(std::span<const std::uint8_t> bytes, Journal& out, const RecordVisitor& each) {
    out = Journal{};
    Reader in(bytes);
    std::span<const std::uint8_t> magic;
    if (!in.bytes(kMagic.size(), magic) || asChars(magic) != kMagic)
        return false;
    std::uint64_t version = 0, origin = 0, encoding = 0, mtime = 0, nameLength = 0, sum = 0;
    in.fixed(version, 4);
    in.fixed(out.process, 8);
    in.fixed(origin, 1);
    in.fixed(encoding, 4);
    in.fixed(out.origin.size, 8);
    in.fixed(mtime, 8);
    in.fixed(out.origin.device, 8);
    in.fixed(out.origin.inode, 8);
    in.fixed(out.origin.checksum, 8);
    in.fixed(nameLength, 4);
    std::span<const std::uint8_t> name;
    if (!in.ok() || version != kVersion || origin > 1 || nameLength > kMaxName ||
        !in.bytes(std::size_t(nameLength), name))
        return false;
    const std::size_t headerEnd = in.at();
    if (!in.fixed(sum, 8) || chained(0, asChars(bytes.first(headerEnd))) != sum)
        return false;
    out.origin.fromFile = origin == 1;
    out.origin.encoding = int(std::int32_t(std::uint32_t(encoding)));
    out.origin.modifiedNs = std::int64_t(mtime);
    out.origin.fileName.assign(asChars(name));
    out.chain = sum;
    out.intactBytes = in.at();

    while (in.at() < bytes.size()) {
        const std::size_t start = in.at();
        std::uint64_t tag = 0, position = 0, removed = 0, inserted = 0, check = 0;
        std::span<const std::uint8_t> units;
        const bool whole = in.fixed(tag, 1) && tag == kRecordTag && in.varint(position) &&
                           in.varint(removed) && in.varint(inserted) &&
                           inserted <= (bytes.size() - in.at()) / 2 &&
                           in.bytes(std::size_t(inserted) * 2, units);
        const std::size_t end = in.at();
        if (!whole || !in.fixed(check, 4)) {
            out.damagedTail = true;
            break;
        }
        const std::uint64_t next = chained(out.chain, asChars(bytes.subspan(start, end - start)));
        if ((next & 0xFFFFFFFF) != check) {
            out.damagedTail = true;
            break;
        }
        if (each)
            each(position, removed, units);
        ++out.editCount;
        out.insertedUnits += inserted;
        out.removedUnits += removed;
        out.chain = next;
        out.intactBytes = in.at();
    }
    return true;
}

std::size_t Replay(const std::vector<Edit>& edits, const EditSink& text) {
    std::size_t applied = 0;
    for (const Edit& edit : edits) {
        const std::uint64_t length = text.length();
        if (edit.position > length || edit.removed > length - edit.position)
            break;
        text.apply(edit.position, edit.removed, edit.inserted);
        ++applied;
    }
    return applied;
}

// ---- Writer

// The thread that writes the records and waits for the disk. The caller's thread only adds a
// record's bytes to `pending`: a keystroke costs no system call. The thread lets the records of
// a burst of typing gather for a moment, writes them with one pwrite(), and calls fdatasync()
// once the appends have paused (or a fifth of a second after the first unsynced write). It keeps
// its own descriptor of the file, so the writer can close and delete the journal without waiting
// for a sync under way.
struct JournalWriter::Worker {
    std::mutex mutex;
    std::condition_variable wake;    // new bytes, a flush or the end
    std::condition_variable drained; // pending written (room for a large record, a flush)
    std::string pending;             // bytes that go at file offset `written`
    std::uint64_t written = 0;       // the file holds every byte before this offset
    std::uint64_t wholeEnd = 0;      // where the last complete record handed over ends
    std::uint64_t wholeWritten = 0;  // where the last complete record written ends
    bool flushing = false;           // a caller waits for pending to be written
    bool stop = false;
    bool discard = false; // the journal is deleted: pending bytes are dropped
    bool failed = false;  // a write failed; the file was cut back to its whole records
    int file = -1;

    // Writes `pending` as it is now; called with the lock held, returns with it held.
    void writePending(std::unique_lock<std::mutex>& lock) {
        std::string batch = std::move(pending);
        pending.clear();
        const std::uint64_t at = written;
        const std::uint64_t whole = wholeEnd;
        lock.unlock();
        bool ok = true;
        for (std::size_t done = 0; ok && done < batch.size();) {
            const ssize_t wrote =
                ::pwrite(file, batch.data() + done, batch.size() - done, off_t(at + done));
            if (wrote < 0 && errno == EINTR)
                continue;
            ok = wrote > 0;
            if (ok)
                done += std::size_t(wrote);
        }
        // A journal that misses an edit would rebuild a wrong text: a record written in part
        // is cut off and the journal stops there, so a recovery gets the edits before it.
        if (!ok)
            (void)!::ftruncate(file, off_t(wholeWritten));
        lock.lock();
        if (ok) {
            written = at + batch.size();
            wholeWritten = whole;
        } else {
            failed = true;
            pending.clear();
        }
        drained.notify_all();
    }

    void run() {
        using Clock = std::chrono::steady_clock;
        std::unique_lock lock(mutex);
        bool unsynced = false;
        Clock::time_point syncBy;
        const auto due = [this] { return !pending.empty() || stop; };
        for (;;) {
            if (unsynced)
                wake.wait_until(lock, syncBy, due);
            else
                wake.wait(lock, due);
            if (stop && discard)
                break;
            if (!pending.empty() && !failed) {
                // Let the keys of a burst gather, unless someone waits for them or a large
                // record is coming through.
                const auto now = [this] {
                    return flushing || stop || pending.size() >= kRecordBlock;
                };
                if (!now())
                    wake.wait_for(lock, kGatherDelay, now);
                if (stop && discard)
                    break;
                writePending(lock);
                if (!unsynced)
                    syncBy = Clock::now() + kSyncDelay;
                unsynced = !failed;
            }
            // Continuous typing still reaches the disk every fifth of a second.
            // At the end every byte handed over is written first.
            const bool last = stop && (pending.empty() || failed);
            if (unsynced && (last || (!stop && Clock::now() >= syncBy))) {
                lock.unlock();
                ::fdatasync(file);
                lock.lock();
                unsynced = false;
            }
            if (last)
                break;
        }
        pending.clear();
        ::close(file);
        file = -1;
        drained.notify_all();
    }
};

JournalWriter::JournalWriter() = default;

JournalWriter::~JournalWriter() {
    close();
}

bool JournalWriter::create(const std::string& folder, const Origin& origin) {
    close();
    if (folder.empty())
        return false;
    std::string name = enc::platform::Joined(folder, std::string(kJournalPrefix) + "XXXXXX");
    int file = -1;
    if (!enc::platform::CreateUnique(name, file))
        return false;
    ::fchmod(file, 0600);
    if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
        ::close(file);
        ::unlink(name.c_str());
        return false;
    }
    m_file = file;
    m_path = name;
    m_size = 0;
    const std::string header = HeaderBytes(enc::platform::ProcessId(), origin, m_chain);
    if (!writeAll(header, 0)) {
        remove();
        return false;
    }
    m_size = header.size();
    startWorker();
    return true;
}

bool JournalWriter::adopt(const std::string& path, int file, const Journal& journal) {
    close();
    if (file < 0)
        return false;
    if (::ftruncate(file, off_t(journal.intactBytes)) != 0) {
        ::close(file);
        return false;
    }
    m_file = file;
    m_path = path;
    m_size = journal.intactBytes;
    m_chain = journal.chain;
    startWorker();
    return true;
}

void JournalWriter::startWorker() {
    // A descriptor of its own, not a duplicate: the lock stays with the writer's, so a journal
    // closed is free for the next start at once, whenever the thread ends.
    const int copy = ::open(m_path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (copy < 0)
        return; // the records are written on the caller's thread, and not synced in time
    m_worker = std::make_shared<Worker>();
    m_worker->file = copy;
    m_worker->written = m_size;
    m_worker->wholeEnd = m_size;
    m_worker->wholeWritten = m_size;
    std::thread([worker = m_worker] { worker->run(); }).detach();
}

void JournalWriter::stopWorker(bool discard) {
    if (!m_worker)
        return;
    std::unique_lock lock(m_worker->mutex);
    m_worker->stop = true;
    m_worker->discard = discard;
    m_worker->wake.notify_one();
    // A journal left for the next start gets every record handed over before it is closed.
    if (!discard)
        m_worker->drained.wait(lock, [this] { return m_worker->file < 0; });
    lock.unlock();
    m_worker.reset();
}

void JournalWriter::flush() {
    if (!m_worker)
        return;
    std::unique_lock lock(m_worker->mutex);
    m_worker->flushing = true;
    m_worker->wake.notify_one();
    m_worker->drained.wait(lock,
                           [this] { return m_worker->written >= m_size || m_worker->failed; });
    m_worker->flushing = false;
}

bool JournalWriter::writeAll(const std::string& bytes, std::uint64_t at) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote =
            ::pwrite(m_file, bytes.data() + done, bytes.size() - done, off_t(at + done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += std::size_t(wrote);
    }
    return true;
}

bool JournalWriter::handOver(const std::string& bytes, std::uint64_t at, bool endsRecord) {
    if (!m_worker)
        return writeAll(bytes, at);
    std::unique_lock lock(m_worker->mutex);
    // A large record (the undo of a whole-text deletion) waits for room rather than holding
    // all of its bytes at once.
    if (m_worker->pending.size() >= kMaxPending)
        m_worker->drained.wait(
            lock, [this] { return m_worker->pending.size() < kMaxPending || m_worker->failed; });
    if (m_worker->failed)
        return false;
    const std::size_t before = m_worker->pending.size();
    m_worker->pending += bytes;
    if (endsRecord)
        m_worker->wholeEnd = at + bytes.size();
    const bool wake =
        before == 0 || (before < kRecordBlock && m_worker->pending.size() >= kRecordBlock);
    lock.unlock();
    // The thread sleeps until something is pending and then gathers small records for a
    // moment: only the first bytes after a write, and the first full block, need to wake it.
    if (wake)
        m_worker->wake.notify_one();
    return true;
}

void JournalWriter::append(std::uint64_t position, std::uint64_t removed, std::uint64_t inserted,
                           const UnitPieces& visitUnits) {
    if (m_file < 0)
        return;
    // The record is gathered in a block that is handed over whenever it is full: a record of
    // a few units is one block, and a large one passes through in blocks.
    m_record.clear();
    m_record.push_back(char(kRecordTag));
    putVarint(m_record, position);
    putVarint(m_record, removed);
    putVarint(m_record, inserted);
    enc::Checksum sum;
    std::uint8_t previousSum[8];
    for (int i = 0; i < 8; ++i)
        previousSum[i] = std::uint8_t(m_chain >> (8 * i));
    sum.update(previousSum);
    std::uint64_t at = m_size;
    bool ok = true;
    const auto flushBlock = [&] {
        sum.update({reinterpret_cast<const std::uint8_t*>(m_record.data()), m_record.size()});
        ok = ok && handOver(m_record, at, false);
        at += m_record.size();
        m_record.clear();
    };
    if (inserted > 0) {
        visitUnits([&](std::u16string_view units) {
            while (!units.empty() && ok) {
                const std::size_t room = (kRecordBlock - m_record.size()) / 2;
                const std::size_t take = std::min(room, units.size());
                putUnits(m_record, units.substr(0, take));
                units.remove_prefix(take);
                if (m_record.size() + 2 > kRecordBlock)
                    flushBlock();
            }
        });
    }
    sum.update({reinterpret_cast<const std::uint8_t*>(m_record.data()), m_record.size()});
    const std::uint64_t next = sum.value();
    putFixed(m_record, next & 0xFFFFFFFF, 4);
    ok = ok && handOver(m_record, at, true);
    if (!ok) {
        // Without the thread the partial record is cut off here; the thread cut its own.
        if (!m_worker)
            (void)!::ftruncate(m_file, off_t(m_size));
        stopWorker(true);
        ::close(m_file);
        m_file = -1;
        return;
    }
    m_size = at + m_record.size();
    m_chain = next;
}

void JournalWriter::append(std::uint64_t position, std::uint64_t removed,
                           std::u16string_view inserted) {
    append(position, removed, inserted.size(),
           [inserted](const std::function<void(std::u16string_view)>& take) { take(inserted); });
}

void JournalWriter::remove() {
    if (!m_path.empty())
        ::unlink(m_path.c_str());
    stopWorker(true);
    close();
}

void JournalWriter::close() {
    stopWorker(false);
    if (m_file >= 0)
        ::close(m_file);
    m_file = -1;
    m_path.clear();
    m_size = 0;
}

// ---- What was left

bool ReadInPlaceCopy(const std::string& path, InPlaceCopy& copy) {
    const int file = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return false;
    std::vector<std::uint8_t> head;
    struct stat st {};
    const bool read = ::fstat(file, &st) == 0 && S_ISREG(st.st_mode) &&
                      readWhole(file, head, 0, kCopyMagic.size() + 64 + kMaxName);
    ::close(file);
    if (!read)
        return false;
    const std::string_view text = asChars(head);
    if (!text.starts_with(kCopyMagic))
        return false;
    std::size_t at = kCopyMagic.size();
    const auto number = [&](std::uint64_t& value) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos || end == at || end - at > 20)
            return false;
        value = 0;
        for (std::size_t i = at; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            value = value * 10 + std::uint64_t(text[i] - '0');
        }
        at = end + 1;
        return true;
    };
    if (!number(copy.process) || !number(copy.size))
        return false;
    const std::size_t end = text.find('\0', at);
    if (end == std::string_view::npos || end == at)
        return false;
    copy.fileName.assign(text.substr(at, end - at));
    copy.headerBytes = end + 1;
    copy.path = path;
    return std::uint64_t(st.st_size) == copy.headerBytes + copy.size;
}

LeftJournal::LeftJournal(LeftJournal&& other) noexcept
    : path(std::move(other.path)), journal(std::move(other.journal)), lastEditNs(other.lastEditNs),
      m_file(std::exchange(other.m_file, -1)) {}

LeftJournal& LeftJournal::operator=(LeftJournal&& other) noexcept {
    if (this != &other) {
        if (m_file >= 0)
            ::close(m_file);
        path = std::move(other.path);
        journal = std::move(other.journal);
        lastEditNs = other.lastEditNs;
        m_file = std::exchange(other.m_file, -1);
    }
    return *this;
}

LeftJournal::~LeftJournal() {
    if (m_file >= 0)
        ::close(m_file);
}

std::size_t LeftJournal::replay(const EditSink& text) const {
    if (m_file < 0)
        return 0;
    const MappedFile bytes(m_file);
    Journal read;
    std::size_t applied = 0;
    bool fits = true;
    std::u16string piece;
    ScanJournal(
        bytes.bytes(), read,
        [&](std::uint64_t position, std::uint64_t removed, std::span<const std::uint8_t> units) {
            const std::uint64_t length = text.length();
            fits = fits && position <= length && removed <= length - position;
            if (!fits)
                return;
            // The units go over in pieces, so a record of a whole pasted file never
            // needs a second copy of itself.
            constexpr std::size_t kPiece = std::size_t(1) << 20;
            std::uint64_t at = position;
            std::uint64_t remove = removed;
            do {
                const std::size_t take = std::min(kPiece, units.size() / 2);
                piece.resize(take);
                for (std::size_t i = 0; i < take; ++i)
                    piece[i] = char16_t(units[2 * i] | (units[2 * i + 1] << 8));
                units = units.subspan(2 * take);
                text.apply(at, std::exchange(remove, 0), piece);
                at += take;
            } while (!units.empty());
            ++applied;
        });
    return applied;
}

int LeftJournal::takeFile() {
    return std::exchange(m_file, -1);
}

void LeftJournal::remove() {
    if (!path.empty())
        ::unlink(path.c_str());
    if (m_file >= 0)
        ::close(std::exchange(m_file, -1));
}

std::vector<LeftJournal> FindLeftJournals(const std::string& folder) {
    std::vector<LeftJournal> found;
    if (folder.empty())
        return found;
    for (const std::string& name : enc::platform::FilesIn(folder)) {
        if (!name.starts_with(kJournalPrefix))
            continue;
        LeftJournal left;
        left.path = enc::platform::Joined(folder, name);
        left.m_file = openOwnFile(left.path);
        if (left.m_file < 0)
            continue;
        // A running editor holds the lock of its journal.
        if (::flock(left.m_file, LOCK_EX | LOCK_NB) != 0)
            continue;
        const MappedFile bytes(left.m_file);
        if (!bytes.ok())
            continue;
        if (!ScanJournal(bytes.bytes(), left.journal) || left.journal.editCount == 0) {
            left.remove(); // a journal cut before its first edit holds nothing to bring back
            continue;
        }
        left.lastEditNs = modifiedNsOf(left.m_file);
        found.push_back(std::move(left));
    }
    return found;
}

std::vector<InPlaceCopy> FindInPlaceCopies(const std::string& folder) {
    std::vector<InPlaceCopy> found;
    if (folder.empty())
        return found;
    for (const std::string& name : enc::platform::FilesIn(folder)) {
        InPlaceCopy copy;
        if (name.starts_with("inplace-") &&
            ReadInPlaceCopy(enc::platform::Joined(folder, name), copy) &&
            enc::platform::ProcessGone(copy.process))
            found.push_back(std::move(copy));
    }
    return found;
}

struct CopyBytes::Mapping {
    int file = -1;
    std::optional<MappedFile> map;
};

CopyBytes::CopyBytes(const InPlaceCopy& copy) : m_mapping(std::make_unique<Mapping>()) {
    m_mapping->file = ::open(copy.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (m_mapping->file < 0)
        return;
    const std::span<const std::uint8_t> all = m_mapping->map.emplace(m_mapping->file).bytes();
    if (m_mapping->map->ok() && copy.headerBytes <= all.size() &&
        copy.size <= all.size() - copy.headerBytes) {
        m_bytes = all.subspan(std::size_t(copy.headerBytes), std::size_t(copy.size));
        m_ok = true;
    }
}

CopyBytes::~CopyBytes() {
    m_mapping->map.reset();
    if (m_mapping->file >= 0)
        ::close(m_mapping->file);
}

bool ChecksumOfCopy(const InPlaceCopy& copy, std::uint64_t& sum) {
    const CopyBytes bytes(copy);
    if (!bytes.ok())
        return false;
    enc::Checksum checksum;
    checksum.update(bytes.bytes());
    sum = checksum.value();
    return true;
}

} // namespace recovery
