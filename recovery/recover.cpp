#include "recovery/recover.h"

#include "encoding/checksum.h"
#include "encoding/detect.h"
#include "encoding/platform.h"
#include "text/textbuffer.h"
#include "text/textload.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace recovery {
namespace {

std::int64_t modifiedNsOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return 0;
    return std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool fileMatches(const Origin& origin) {
    const enc::FileStamp stamp = enc::StampOf(origin.fileName);
    std::uint64_t sum = 0;
    return stamp.exists && stamp.size == origin.size && enc::ChecksumOfFile(origin.fileName, sum) &&
           sum == origin.checksum;
}

bool copyMatches(const Origin& origin, const InPlaceCopy& copy) {
    const std::string file = enc::platform::ResolveLinks(origin.fileName);
    std::uint64_t sum = 0;
    return (copy.fileName == origin.fileName || copy.fileName == file) &&
           copy.size == origin.size && ChecksumOfCopy(copy, sum) && sum == origin.checksum;
}

} // namespace

std::vector<Leftover> FindLeftovers(const std::string& folder) {
    std::vector<Leftover> found;
    std::vector<InPlaceCopy> copies = FindInPlaceCopies(folder);
    for (LeftJournal& journal : FindLeftJournals(folder)) {
        Leftover left;
        const Origin& origin = journal.journal.origin;
        left.kind = Leftover::Kind::Journal;
        left.fileName = origin.fromFile ? origin.fileName : std::string();
        left.lastEditNs = journal.lastEditNs;
        left.edits = journal.journal.editCount;
        left.inserted = journal.journal.insertedUnits;
        left.removed = journal.journal.removedUnits;
        if (!origin.fromFile) {
            left.base = Leftover::Base::NewText;
        } else if (fileMatches(origin)) {
            left.base = Leftover::Base::File;
        } else {
            left.base = Leftover::Base::Changed;
            const auto copy = std::find_if(copies.begin(), copies.end(),
                                           [&](const auto& c) { return copyMatches(origin, c); });
            if (copy != copies.end()) {
                left.base = Leftover::Base::Copy;
                left.copy = std::move(*copy);
                copies.erase(copy);
            }
        }
        left.journal = std::move(journal);
        found.push_back(std::move(left));
    }
    for (InPlaceCopy& copy : copies) {
        // A save killed before it wrote a byte left the file as its copy holds it.
        std::uint64_t kept = 0, now = 0;
        if (ChecksumOfCopy(copy, kept) && enc::StampOf(copy.fileName).size == copy.size &&
            enc::ChecksumOfFile(copy.fileName, now) && now == kept) {
            enc::platform::Remove(copy.path);
            continue;
        }
        Leftover left;
        left.kind = Leftover::Kind::Copy;
        left.base = Leftover::Base::Copy;
        left.fileName = copy.fileName;
        left.lastEditNs = modifiedNsOf(copy.path);
        left.inserted = copy.size;
        left.copy = std::move(copy);
        found.push_back(std::move(left));
    }
    std::stable_sort(found.begin(), found.end(), [](const Leftover& a, const Leftover& b) {
        return a.lastEditNs > b.lastEditNs;
    });
    return found;
}

enc::FileResult LoadBase(const Leftover& leftover, text::TextBuilder& base) {
    base = text::TextBuilder();
    const Origin& origin = leftover.journal.journal.origin;
    switch (leftover.base) {
    case Leftover::Base::NewText:
        return {};
    case Leftover::Base::Changed:
        return enc::FileResult::fromErrno(EINVAL);
    case Leftover::Base::File:
        return text::LoadTextFile(origin.fileName, enc::TextEncoding(origin.encoding), base);
    case Leftover::Base::Copy:
        break;
    }
    if (!leftover.copy)
        return enc::FileResult::fromErrno(EIO);
    const CopyBytes copy(*leftover.copy);
    if (!copy.ok())
        return enc::FileResult::fromErrno(EIO);
    const std::span<const std::uint8_t> bytes = copy.bytes();
    const enc::TextEncoding encoding =
        leftover.kind == Leftover::Kind::Journal
            ? enc::TextEncoding(origin.encoding)
            : enc::TextEncoding(enc::DetectEncodingBytes(bytes).encoding);
    return text::LoadTextBytes(bytes, encoding, base);
}

std::size_t ReplayOnto(const LeftJournal& journal, text::TextBuffer& buffer) {
    buffer.beginGroup();
    const std::size_t applied = journal.replay(
        {[&buffer] { return std::uint64_t(buffer.length()); },
         [&buffer](std::uint64_t position, std::uint64_t removed, std::u16string_view inserted) {
             buffer.replace(text::Pos(position), text::Pos(removed), inserted);
         }});
    buffer.endGroup();
    return applied;
}

void Discard(Leftover& leftover) {
    if (leftover.kind == Leftover::Kind::Journal)
        leftover.journal.remove();
    if (leftover.copy)
        enc::platform::Remove(leftover.copy->path);
}

} // namespace recovery
