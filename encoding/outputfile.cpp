#include "encoding/outputfile.h"

#include "encoding/bytes.h"
#include "encoding/platform.h"

#include <cerrno>
#include <charconv>
#include <utility>
#include <vector>

namespace enc {
namespace {

constexpr std::string_view kMarker = ".toviloeditru-";
constexpr std::size_t kRandomLetters = 6;
constexpr std::size_t kCopyBlock = 1 << 20;
// Bytes written between two requests to start writing them to the disk.
constexpr std::uint64_t kWriteBackBytes = 8 << 20;

// The record of one temporary file in the state folder, named "temp-" + six letters:
//   toviloeditru temporary
//   the creating process's id
//   the file's device, inode and time of birth (the file itself, not only a file of its name,
//   nor a later one that was given the same inode)
//   the temporary's full name, to the end of the record
constexpr std::string_view kRecordPrefix = "temp-";
constexpr std::string_view kRecordHead = "toviloeditru temporary\n";
constexpr std::size_t kRecordMax = 8192;

struct Record {
    std::uint64_t process = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t birth = 0;
    std::string path;
};

// The record written for `path` in the state folder; its name, empty when none could be made.
std::string writeRecord(const std::string& path) {
    const std::string folder = platform::StateFolder();
    const FileStamp stamp = StampOf(path);
    if (folder.empty() || !stamp.exists)
        return {};
    std::string name = platform::Joined(folder, std::string(kRecordPrefix) + "XXXXXX");
    NativeFile file = kNoFile;
    if (!platform::CreateUnique(name, file))
        return {};
    const std::string text = std::string(kRecordHead) + std::to_string(platform::ProcessId()) +
                             "\n" + std::to_string(stamp.device) + "\n" +
                             std::to_string(stamp.inode) + "\n" +
                             std::to_string(platform::BirthOf(path)) + "\n" + path;
    const bool wrote = bool(platform::WriteAt(file, text.data(), text.size(), 0));
    const bool closed = bool(platform::Close(file));
    if (!wrote || !closed) {
        platform::Remove(name);
        return {};
    }
    return name;
}

bool takeNumber(std::string_view& text, std::uint64_t& value) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos)
        return false;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + end, value);
    if (error != std::errc() || ptr != text.data() + end)
        return false;
    text.remove_prefix(end + 1);
    return true;
}

// Reads a record; false when the file is no whole record.
bool readRecord(const std::string& name, Record& record) {
    NativeFile file = kNoFile;
    if (!OpenRegularFile(name, file, nullptr))
        return false;
    std::string bytes(kRecordMax, '\0');
    std::size_t got = 0;
    for (std::ptrdiff_t n = 0; got < bytes.size(); got += std::size_t(n)) {
        n = platform::Read(file, bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
    }
    platform::Close(file);
    bytes.resize(got);
    std::string_view text = bytes;
    if (!text.starts_with(kRecordHead))
        return false;
    text.remove_prefix(kRecordHead.size());
    if (!takeNumber(text, record.process) || !takeNumber(text, record.device) ||
        !takeNumber(text, record.inode) || !takeNumber(text, record.birth) || text.empty())
        return false;
    record.path = std::string(text);
    return true;
}

// Removes the temporaries whose records name a process that is gone, and those records. A file
// is removed only when it is still the file recorded, under a name of ours: a file of the user
// that merely looks like one, or took its name since, stays.
void removeStaleTemporaries() {
    const std::string folder = platform::StateFolder();
    if (folder.empty())
        return;
    for (const std::string& entry : platform::FilesIn(folder)) {
        if (!entry.starts_with(kRecordPrefix))
            continue;
        const std::string name = platform::Joined(folder, entry);
        Record record;
        if (!readRecord(name, record) || !platform::ProcessGone(record.process))
            continue;
        const FileStamp stamp = StampOf(record.path);
        if (stamp.exists && stamp.device == record.device && stamp.inode == record.inode &&
            std::uint64_t(platform::BirthOf(record.path)) == record.birth &&
            OutputFile::isTemporaryName(platform::BaseOf(record.path)))
            platform::Remove(record.path);
        platform::Remove(name);
    }
}

} // namespace

OutputFile::OutputFile(Sync sync) : m_sync(sync) {
    // A file-size limit then fails the write, which leaves the target as it was, instead of
    // ending the program with the text unsaved.
    platform::IgnoreFileSizeSignal();
}

OutputFile::~OutputFile() {
    cancel();
}

std::string OutputFile::resolvedTarget(const std::string& fileName) {
    return platform::ResolveLinks(fileName);
}

bool OutputFile::isTemporaryName(std::string_view name) {
    const std::size_t tail = kMarker.size() + kRandomLetters;
    if (name.size() < 1 + tail || name.front() != '.')
        return false;
    const std::string_view end = name.substr(name.size() - tail);
    if (!end.starts_with(kMarker))
        return false;
    for (const char c : end.substr(kMarker.size())) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

bool OutputFile::fail(FileResult result) {
    m_result = result;
    cancel();
    return false;
}

void OutputFile::unwatch() {
    platform::UnwatchTemporary(m_slot);
    m_slot = -1;
    if (!m_record.empty())
        platform::Remove(std::exchange(m_record, std::string()));
}

bool OutputFile::open(const std::string& fileName) {
    cancel();
    m_result = {};
    m_size = 0;
    m_writtenBack = 0;
    m_mode = Mode::Replace;
    m_withoutCopy = false;
    m_touched = false;
    if (fileName.empty())
        return fail(FileResult::fromErrno(ENOENT));
    m_target = resolvedTarget(fileName);
    const std::string folder = platform::FolderOf(m_target);
    removeStaleTemporaries();

    platform::Target existing;
    if (const FileResult looked = platform::OpenTarget(m_target, m_targetFile, existing); !looked)
        return fail(looked);
    if (!existing.exists)
        return createTemporary(folder, nullptr) || fail(m_result);
    if (platform::FolderWritable(folder) && existing.links == 1 &&
        createTemporary(folder, &existing)) {
        platform::Close(std::exchange(m_targetFile, kNoFile));
        return true;
    }
    m_result = {};
    m_mode = Mode::InPlace;
    return openSpool(folder) || fail(m_result);
}

bool OutputFile::createTemporary(const std::string& folder, const platform::Target* existing) {
    std::string base = platform::BaseOf(m_target);
    const std::size_t room = platform::kNameMax - 1 - kMarker.size() - kRandomLetters;
    if (base.size() > room) {
        // Cut before the first byte of a character, so that a UTF-8 name stays UTF-8 (Windows
        // takes no other).
        std::size_t cut = room;
        while (cut > 0 && isContinuation(static_cast<std::uint8_t>(base[cut])))
            --cut;
        base.resize(cut);
    }
    m_temp = platform::Joined(folder, "." + base + std::string(kMarker) + "XXXXXX");
    if (const FileResult made = platform::CreateUnique(m_temp, m_file); !made) {
        m_result = made;
        m_file = kNoFile;
        m_temp.clear();
        return false;
    }
    m_slot = platform::WatchTemporary(m_temp);
    m_record = writeRecord(m_temp);
    if (const FileResult kept = platform::MatchTarget(m_file, existing, m_targetFile); !kept) {
        m_result = kept;
        platform::Close(std::exchange(m_file, kNoFile));
        platform::Remove(m_temp);
        unwatch();
        m_temp.clear();
        return false;
    }
    m_ok = true;
    return true;
}

bool OutputFile::openSpool(const std::string& folder) {
    if (const FileResult opened =
            platform::OpenSpool(folder, ".spool" + std::string(kMarker), m_file);
        !opened) {
        m_result = opened;
        m_file = kNoFile;
        return false;
    }
    m_ok = true;
    return true;
}

bool OutputFile::write(std::string& bytes) {
    const bool ok = write(std::string_view(bytes));
    bytes.clear();
    return ok;
}

ByteSink OutputFile::sink() {
    return [this](std::string_view bytes) { return write(bytes) ? FileResult{} : m_result; };
}

bool OutputFile::write(std::string_view bytes) {
    if (m_file != kNoFile && m_ok && !bytes.empty()) {
        if (const FileResult wrote = platform::WriteAt(m_file, bytes.data(), bytes.size(), m_size);
            wrote) {
            m_size += bytes.size();
            // The new file goes to the disk while the rest is being written, so the sync at
            // the end waits for little more than the last bytes. A fast write starts it too:
            // file systems such as ext4 write a file back at once when it is renamed over
            // another, and that would otherwise be done, all of it, by the rename.
            if (m_mode == Mode::Replace && m_size - m_writtenBack >= kWriteBackBytes) {
                platform::StartWriteBack(m_file, m_writtenBack, m_size - m_writtenBack);
                m_writtenBack = m_size;
            }
        } else {
            m_ok = false;
            m_result = wrote;
        }
    }
    return m_file != kNoFile && m_ok;
}

bool OutputFile::copyOriginal() {
    if (m_mode != Mode::InPlace || !m_copy.empty())
        return true;
    const std::string folder = platform::StateFolder();
    if (folder.empty()) {
        m_result = FileResult::noCopy(ENOENT);
        return false;
    }
    NativeFile in = kNoFile;
    FileStamp stamp;
    if (const FileResult opened = OpenRegularFile(m_target, in, &stamp); !opened) {
        m_result = FileResult::noCopy(opened.error != 0 ? opened.error : EINVAL);
        return false;
    }
    std::string name = platform::Joined(folder, "inplace-XXXXXX");
    NativeFile out = kNoFile;
    FileResult went = platform::CreateUnique(name, out);
    if (went) {
        const std::string header = "toviloeditru in-place copy\n" +
                                   std::to_string(platform::ProcessId()) + "\n" +
                                   std::to_string(stamp.size) + "\n" + m_target + '\0';
        const std::uint64_t total = header.size() + stamp.size;
        // The room first, so that a full disk is found before anything is copied. The header
        // is written last, once the bytes are on the disk: the room is reserved whole, so a
        // copy cut short by a kill has the full size too, and only its empty header tells it
        // from a whole one.
        went = platform::Reserve(out, total);
        std::vector<char> block(kCopyBlock);
        for (std::uint64_t at = header.size(); went && at < total;) {
            const std::ptrdiff_t got =
                ReadSome(in, reinterpret_cast<std::uint8_t*>(block.data()), block.size());
            if (got <= 0) // an error, or a file that became shorter meanwhile
                went = FileResult::fromErrno(got < 0 ? errno : EIO);
            else
                went = platform::WriteAt(out, block.data(), std::size_t(got), at);
            at += got > 0 ? std::uint64_t(got) : 0;
        }
        if (went)
            went = platform::Sync(out);
        if (went)
            went = platform::WriteAt(out, header.data(), header.size(), 0);
        if (went)
            went = platform::Sync(out);
        const FileResult closed = platform::Close(out);
        if (went)
            went = closed;
        if (!went)
            platform::Remove(name);
    }
    platform::Close(in);
    if (!went) {
        m_result = FileResult::noCopy(went.error != 0 ? went.error : EIO);
        return false;
    }
    m_copy = name;
    return true;
}

void OutputFile::dropCopy() {
    if (!m_copy.empty())
        platform::Remove(std::exchange(m_copy, std::string()));
}

FileResult OutputFile::copySpoolToTarget() {
    // Reserve the room first: a full disk is found before the first old byte is overwritten.
    if (m_size > 0) {
        if (const FileResult reserved = platform::Reserve(m_targetFile, m_size); !reserved)
            return reserved;
    }
    std::vector<char> block(kCopyBlock);
    m_touched = true;
    for (std::uint64_t at = 0; at < m_size;) {
        std::size_t got = 0;
        if (const FileResult read = platform::ReadAt(m_file, block.data(), block.size(), at, got);
            !read)
            return read;
        if (const FileResult wrote = platform::WriteAt(m_targetFile, block.data(), got, at); !wrote)
            return wrote;
        at += got;
    }
    m_touched = true;
    if (const FileResult cut = platform::Truncate(m_targetFile, m_size); !cut)
        return cut;
    // Always to the disk: the copy of the old bytes may go only once the new ones are there.
    return platform::Sync(m_targetFile);
}

bool OutputFile::commit() {
    if (m_file == kNoFile)
        return false;
    bool done = m_ok;
    // Each step counts only while all before it went well; the first failure gives the reason.
    const auto step = [&](const FileResult& result) {
        if (done && !result) {
            m_result = result;
            done = false;
        }
    };
    if (m_mode == Mode::InPlace) {
        // A signal that would end the program waits until the target is whole again.
        platform::HoldEndSignals();
        if (done && !m_withoutCopy && !copyOriginal())
            done = false; // m_result says why
        if (done)
            step(copySpoolToTarget());
        // Closing reports delayed write errors (NFS, quotas) that the writes did not.
        step(platform::Close(std::exchange(m_targetFile, kNoFile)));
        platform::Close(std::exchange(m_file, kNoFile));
        // A write that failed after changing the target leaves the copy: it is the old file.
        if (done || !m_touched)
            dropCopy();
        else
            m_copy.clear();
        platform::ReleaseEndSignals();
    } else {
        if (done && m_sync == Sync::Durable)
            step(platform::Sync(m_file));
        step(platform::Close(std::exchange(m_file, kNoFile)));
        if (done)
            step(platform::Replace(m_temp, m_target));
        if (!done)
            platform::Remove(m_temp);
        unwatch();
        m_temp.clear();
    }
    m_ok = false;
    return done;
}

void OutputFile::cancel() {
    if (!m_touched)
        dropCopy();
    if (m_file != kNoFile) {
        platform::Close(std::exchange(m_file, kNoFile));
        if (!m_temp.empty())
            platform::Remove(m_temp);
    }
    if (m_targetFile != kNoFile)
        platform::Close(std::exchange(m_targetFile, kNoFile));
    unwatch();
    m_temp.clear();
    m_ok = false;
}

} // namespace enc
