// The journal of the editor's text, and the file identity it starts from.
#include "shell/recoveryjournal.h"

#include "app/appstate.h"
#include "document/document.h"
#include "encoding/checksum.h"
#include "encoding/fileaccess.h"
#include "encoding/platform.h"
#include "shell/diskwatch.h"
#include "shell/localname.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <utility>

EditJournal::EditJournal(std::string folder, OriginSource origin)
    : m_folder(std::move(folder)), m_origin(std::move(origin)) {}

EditJournal::~EditJournal() {
    detach();
}

void EditJournal::attach(text::TextBuffer& buffer) {
    detach();
    m_buffer = &buffer;
    m_buffer->addListener(this);
}

void EditJournal::detach() {
    if (m_buffer)
        m_buffer->removeListener(this);
    m_buffer = nullptr;
}

void EditJournal::finish() {
    m_writer.remove();
    m_started = false;
}

namespace {

// How a text comes back from its UTF-8 save when the file is read again. Reading turns every
// line break (CR, LF, CR LF) into CR LF, ends a line at NUL and 1A, skips a leading byte-order
// mark and drops the line break at the very end; everything else comes back unit for unit.
enum class SavedText { Same, SameButFinalBreak, Different };

SavedText howSavedTextReads(const text::TextBuffer& buffer) {
    const text::Pos length = buffer.length();
    if (length > 0 && buffer.at(0) == 0xFEFF)
        return SavedText::Different;
    bool same = true;
    char16_t before = 0;
    buffer.forEachSpan(0, length, [&](std::u16string_view units) {
        for (const char16_t unit : units) {
            if (unit == 0 || unit == 0x1A || (unit == u'\n') != (before == u'\r')) {
                same = false;
                return false;
            }
            before = unit;
        }
        return true;
    });
    if (!same || before == u'\r')
        return SavedText::Different;
    return length >= 2 && before == u'\n' ? SavedText::SameButFinalBreak : SavedText::Same;
}

} // namespace

void EditJournal::saved() {
    finish();
    if (!m_copy.empty())
        enc::platform::Remove(std::exchange(m_copy, std::string()));
    const SavedText read = m_buffer ? howSavedTextReads(*m_buffer) : SavedText::Different;
    m_textIsOrigin = read != SavedText::Different;
    m_finalBreakDropped = read == SavedText::SameButFinalBreak;
}

void EditJournal::dropped() {
    finish();
    m_finalBreakDropped = false;
    if (!m_copy.empty())
        enc::platform::Remove(std::exchange(m_copy, std::string()));
    m_textIsOrigin = false;
}

void EditJournal::adopt(recovery::LeftJournal& left, const std::string& copy) {
    m_writer.close();
    m_finalBreakDropped = false;
    m_started = m_writer.adopt(left.path, left.takeFile(), left.journal);
    // A journal that cannot go on stays as it is for the next start; the edits from here are
    // journaled with the whole text.
    m_textIsOrigin = false;
    m_copy = copy;
}

void EditJournal::textUnknown(const std::string& copy) {
    m_writer.close();
    m_finalBreakDropped = false;
    m_started = false;
    m_textIsOrigin = false;
    m_copy = copy;
}

void EditJournal::textReset() {
    // The old text is gone, replaced as the user asked (after "Save file?"); the new one equals
    // its file.
    finish();
    m_textIsOrigin = true;
    m_finalBreakDropped = false;
}

void EditJournal::textChanged(const text::Change& change) {
    if (!m_buffer || (change.removed == 0 && change.inserted == 0))
        return;
    if (!m_started) {
        m_started = true;
        std::optional<recovery::Origin> origin;
        if (m_textIsOrigin)
            origin = m_origin();
        // A new text starts empty; one filled otherwise is journaled whole.
        const text::Pos before = m_buffer->length() - change.inserted + change.removed;
        if (origin && !origin->fromFile && before != 0)
            origin.reset();
        if (origin) {
            m_writer.create(m_folder, *origin);
            if (origin->fromFile && m_finalBreakDropped)
                m_writer.append(std::uint64_t(before - 2), 0, u"\r\n");
            m_finalBreakDropped = false;
        } else {
            // Nothing on the disk holds the text this edit was made to: the journal starts
            // from an empty text with the whole present text in its first record.
            if (m_writer.create(m_folder, recovery::Origin{}))
                m_writer.append(0, 0, std::uint64_t(m_buffer->length()), [this](const auto& take) {
                    m_buffer->forEachSpan(0, m_buffer->length(),
                                          [&take](std::u16string_view units) {
                                              take(units);
                                              return true;
                                          });
                });
            return;
        }
    }
    const text::Pos at = change.position;
    m_writer.append(std::uint64_t(at), std::uint64_t(change.removed),
                    std::uint64_t(change.inserted), [this, at, &change](const auto& take) {
                        m_buffer->forEachSpan(at, change.inserted,
                                              [&take](std::u16string_view units) {
                                                  take(units);
                                                  return true;
                                              });
                    });
}

// ---- The main window's side

text::TextBuffer& TForm1::journaledBuffer() {
    return m_document->buffer();
}

void TForm1::startEditJournal() {
    m_journal = std::make_unique<EditJournal>(
        enc::platform::StateFolder(), [this]() -> std::optional<recovery::Origin> {
            recovery::Origin origin;
            const doc::FileInfo& file = m_document->file();
            if (file.name.empty() || !file.stamp.exists)
                return origin; // a new text
            if (m_document->diskState() != doc::DiskState::Unchanged)
                return std::nullopt;
            const enc::FileStamp stamp = file.stamp;
            origin.fromFile = true;
            origin.fileName = file.name;
            origin.encoding = file.reading.encoding;
            origin.size = stamp.size;
            origin.modifiedNs = stamp.modifiedNs;
            origin.device = stamp.device;
            origin.inode = stamp.inode;
            // The checksum was taken while the file was read; after a save the file is read
            // once more for it, and is still what the text was saved to as long as its stamp
            // is the one of the save.
            if (file.checksum) {
                origin.checksum = *file.checksum;
                return origin;
            }
            if (!enc::ChecksumOfFile(origin.fileName, origin.checksum) ||
                enc::StampOf(origin.fileName) != stamp)
                return std::nullopt;
            return origin;
        });
    m_journal->attach(journaledBuffer());
}
