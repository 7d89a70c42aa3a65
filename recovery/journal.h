#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The recovery journal of one text: where the text came from, then every edit as it happened,
// so that a text whose editor was killed can be rebuilt at the next start. Plain C++ without Qt.
//
// The file, "journal-" and six letters in the user's state folder (readable by the user alone):
//   header  "toviloeditru journal\n", then little-endian fields: u32 version (1), u64 process,
//           u8 origin (0 new text, 1 file), i32 encoding the file was read in, u64 size,
//           i64 modification time (ns), u64 device, u64 inode, u64 checksum of the file's bytes
//           (enc::Checksum), u32 name length and the name's bytes as the system takes them,
//           u64 checksum of the header bytes before it.
//   records one per edit: byte 0xE1, varints position, removed and inserted (UTF-16 units), the
//           inserted units (two bytes each, little-endian), u32 checksum. A record's checksum is
//           the low half of the enc::Checksum of the previous record's full sum (the header's
//           for the first) followed by the record's bytes, so records chain to their journal.
// A removal carries only its range. The running editor holds an advisory lock on the file; a
// journal whose lock can be taken belongs to a process that is gone.
namespace recovery {

// The file a text was read from (or none: a new text).
struct Origin {
    bool fromFile = false;
    std::string fileName; // as the system takes it (local bytes)
    int encoding = 0;     // the enc::TextEncoding the file was decoded with
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t checksum = 0; // of the file's bytes
    friend bool operator==(const Origin&, const Origin&) = default;
};

// One edit: `removed` units at `position` taken away, then `inserted` put there.
struct Edit {
    std::uint64_t position = 0;
    std::uint64_t removed = 0;
    std::u16string inserted;
    friend bool operator==(const Edit&, const Edit&) = default;
};

// A journal as read back.
struct Journal {
    std::uint64_t process = 0;
    Origin origin;
    std::vector<Edit> edits; // by ParseJournal only
    std::uint64_t editCount = 0;
    std::uint64_t insertedUnits = 0; // in all intact edits
    std::uint64_t removedUnits = 0;
    // Bytes of the file that hold the header and the intact records; a record cut short or
    // with a wrong checksum and everything after it are left out.
    std::uint64_t intactBytes = 0;
    bool damagedTail = false;
    // The chained sum after the last intact record, with which the journal continues.
    std::uint64_t chain = 0;
};

// Reads a journal's bytes. False when they do not start with a whole, intact header (not a
// journal, or one cut before its first record); otherwise the intact records are in `out`.
// Never throws on bad bytes; a record claiming more units than the bytes hold is a damaged tail.
bool ParseJournal(std::span<const std::uint8_t> bytes, Journal& out);

// Reads a journal's bytes as ParseJournal does, without keeping the edits: `each` (when given)
// sees every intact record in turn, its inserted units as little-endian byte pairs.
using RecordVisitor = std::function<void(std::uint64_t position, std::uint64_t removed,
                                         std::span<const std::uint8_t> insertedUnits)>;
bool ScanJournal(std::span<const std::uint8_t> bytes, Journal& out, const RecordVisitor& each = {});

// The bytes of a header and of one record, as the writer appends them (tests and the fuzzer).
std::string HeaderBytes(std::uint64_t process, const Origin& origin, std::uint64_t& chain);
std::string RecordBytes(const Edit& edit, std::uint64_t& chain);

// Replays the edits onto `text` (given as a sequence of edit calls), stopping at the first edit
// that does not fit the text (a range beyond its end): the number of edits applied.
struct EditSink {
    std::function<std::uint64_t()> length;
    std::function<void(std::uint64_t position, std::uint64_t removed, std::u16string_view)> apply;
};
std::size_t Replay(const std::vector<Edit>& edits, const EditSink& text);

// Appends a text's edits to its journal file. append() hands the record's bytes to a thread of
// the writer, which writes the records of a burst of typing at once, a few hundredths of a
// second after the first, and waits for the disk (fdatasync) about a fifth of a second after
// that, so the caller never waits for the disk and makes no system call for a keystroke. A
// failure to write turns the writer off (ok() false at the next append) without disturbing
// the caller; the file keeps the records before the one that failed.
class JournalWriter {
public:
    JournalWriter();
    ~JournalWriter(); // closes the file and leaves it in place
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Creates a journal for a text of `origin` in `folder` (the state folder), locked, with its
    // header. False when it cannot be made.
    bool create(const std::string& folder, const Origin& origin);
    // Continues a journal left by a process that is gone: `file` is the open, locked file (the
    // writer owns it from now on), cut back to its intact bytes.
    bool adopt(const std::string& path, int file, const Journal& journal);

    // Appends one edit whose inserted units `visitUnits` hands over in pieces (`inserted` units
    // in all); the pieces are valid only during the call.
    using UnitPieces = std::function<void(const std::function<void(std::u16string_view)>&)>;
    void append(std::uint64_t position, std::uint64_t removed, std::uint64_t inserted,
                const UnitPieces& visitUnits);
    void append(std::uint64_t position, std::uint64_t removed, std::u16string_view inserted);

    // Waits until every record appended is in the file (not necessarily on the disk).
    void flush();
    // Closes the file and deletes it.
    void remove();
    // Writes the records not yet written, closes the file and leaves it for the next start.
    void close();

    bool ok() const { return m_file >= 0; }
    const std::string& path() const { return m_path; }
    // Bytes of the journal, the records not yet written included.
    std::uint64_t size() const { return m_size; }

private:
    struct Worker;
    void startWorker();
    // Ends the thread; a journal that stays gets its pending bytes written first.
    void stopWorker(bool discard);
    bool writeAll(const std::string& bytes, std::uint64_t at);
    // Gives bytes that go at file offset `at` to the thread (or writes them where there is no
    // thread); false when the journal could not be written.
    bool handOver(const std::string& bytes, std::uint64_t at, bool endsRecord);

    int m_file = -1;
    std::string m_path;
    std::uint64_t m_chain = 0;
    std::uint64_t m_size = 0;
    std::string m_record; // the block a record is gathered in, kept between appends
    std::shared_ptr<Worker> m_worker;
};

// ---- What a killed editor left in the state folder

// The copy of a file's old bytes that a save in place keeps until the new bytes are on the disk.
struct InPlaceCopy {
    std::string path;     // the copy
    std::string fileName; // the file that was being written
    std::uint64_t process = 0;
    std::uint64_t headerBytes = 0; // the old bytes start here
    std::uint64_t size = 0;        // of the old bytes
};
// Reads a copy's header; false when the file is not a whole copy.
bool ReadInPlaceCopy(const std::string& path, InPlaceCopy& copy);

// A journal whose editor is gone, locked by this process while it is open.
class LeftJournal {
public:
    LeftJournal() = default;
    LeftJournal(LeftJournal&& other) noexcept;
    LeftJournal& operator=(LeftJournal&& other) noexcept;
    ~LeftJournal(); // lets the lock go; the file stays
    LeftJournal(const LeftJournal&) = delete;
    LeftJournal& operator=(const LeftJournal&) = delete;

    std::string path;
    Journal journal;             // the header and the totals; the edits stay in the file
    std::int64_t lastEditNs = 0; // when the file was last written
    // Replays the journal's edits from the file onto `text`, stopping at the first that does
    // not fit; a large insertion is handed over in pieces at its running position. The number
    // of edits applied. The file is mapped, not read into memory.
    std::size_t replay(const EditSink& text) const;
    // Hands the open, locked file over (to JournalWriter::adopt); -1 after.
    int takeFile();
    // Deletes the journal.
    void remove();

private:
    friend std::vector<LeftJournal> FindLeftJournals(const std::string& folder);
    int m_file = -1;
};

// The journals in `folder` whose lock can be taken: those of editors that are gone. A running
// editor's journal is never among them. Journals that hold no edit, and files that are no
// journal but carry a journal's name, are deleted.
std::vector<LeftJournal> FindLeftJournals(const std::string& folder);
// The copies of old bytes in `folder` left by saves in place whose process is gone.
std::vector<InPlaceCopy> FindInPlaceCopies(const std::string& folder);

// The checksum (enc::Checksum) of a copy's old bytes; false when they cannot be read whole.
bool ChecksumOfCopy(const InPlaceCopy& copy, std::uint64_t& sum);
// A copy's old bytes, mapped for reading (not read into memory) while the object lives.
class CopyBytes {
public:
    explicit CopyBytes(const InPlaceCopy& copy);
    ~CopyBytes();
    CopyBytes(const CopyBytes&) = delete;
    CopyBytes& operator=(const CopyBytes&) = delete;

    // False when the copy cannot be opened or no longer holds its old bytes whole.
    bool ok() const { return m_ok; }
    std::span<const std::uint8_t> bytes() const { return m_bytes; }

private:
    struct Mapping;
    std::unique_ptr<Mapping> m_mapping;
    std::span<const std::uint8_t> m_bytes;
    bool m_ok = false;
};

} // namespace recovery
