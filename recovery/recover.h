#pragma once

#include "encoding/fileaccess.h"
#include "recovery/journal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace text {
class TextBuffer;
class TextBuilder;
} // namespace text

// What editors that were killed left behind in the user's state folder, and the texts they
// held: journals of unsaved edits and the copies of files whose save in place was cut short.
namespace recovery {

struct Leftover {
    enum class Kind { Journal, Copy };
    // What the journal's edits apply to.
    enum class Base {
        NewText, // an empty text
        File,    // the file, which still holds the bytes the text was read from
        Copy,    // the copy a cut-short save in place kept of those bytes
        Changed, // the file changed or went, and no copy holds the old bytes: nothing to replay
    };
    Kind kind = Kind::Journal;
    Base base = Base::NewText;
    std::string fileName; // the file the text belongs to (local bytes); empty for a new text
    std::int64_t lastEditNs = 0;
    std::uint64_t edits = 0;         // journal: edits recorded
    std::uint64_t inserted = 0;      // journal: units typed or pasted; copy: bytes kept
    std::uint64_t removed = 0;       // journal: units removed
    LeftJournal journal;             // Kind::Journal
    std::optional<InPlaceCopy> copy; // Kind::Copy, or the base of a journal
};

// The leftovers in `folder` (journals of editors that are gone, copies of saves in place whose
// process is gone), the most recent first. A copy that is the base of a journal belongs to that
// journal's entry; a copy of bytes the file still holds is deleted.
std::vector<Leftover> FindLeftovers(const std::string& folder);

// Reads the text a leftover starts from into `base`: the file or the copy's bytes decoded as
// the text was read (a copy alone: as detection reads it), or nothing for a new text.
// Base::Changed fails (EINVAL), as nothing may be replayed onto other bytes.
enc::FileResult LoadBase(const Leftover& leftover, text::TextBuilder& base);
// Replays a journal's edits onto `buffer` (holding the base) as one undo step; the number of
// edits that fitted the text.
std::size_t ReplayOnto(const LeftJournal& journal, text::TextBuffer& buffer);
// Deletes the leftover's files: the journal and the copy it stood on, or the copy.
void Discard(Leftover& leftover);

} // namespace recovery
