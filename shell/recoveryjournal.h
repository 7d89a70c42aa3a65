#pragma once

#include "recovery/journal.h"
#include "text/textbuffer.h"

#include <functional>
#include <optional>
#include <string>

// The recovery journal of the editor's text: started at the first edit of each text, fed with
// every edit (undo and redo included), and deleted when the text is saved or given up. A text
// replaced as a whole (a file opened) ends the journal of the old one.
class EditJournal : public text::BufferListener {
public:
    // Where the text came from, asked at the first edit of a text whose origin is known; none
    // when the file no longer holds what the text was read from.
    using OriginSource = std::function<std::optional<recovery::Origin>()>;

    EditJournal(std::string folder, OriginSource origin);
    ~EditJournal() override; // leaves a journal of unsaved edits in place
    EditJournal(const EditJournal&) = delete;
    EditJournal& operator=(const EditJournal&) = delete;

    void attach(text::TextBuffer& buffer);
    void detach();

    // The text is on the disk now, saved as UTF-8 into the file it will be read from next: the
    // journal goes.
    void saved();
    // The user gave the text up (or closed it saved): the journal goes, with a copy of a file
    // that the recovered text stood on.
    void dropped();
    // Goes on with a journal left by an editor that was killed, whose text is now the buffer's;
    // `copy` (may be empty) is the copy of old bytes it stood on, deleted with the journal.
    void adopt(recovery::LeftJournal& left, const std::string& copy);
    // The buffer holds a text that neither its origin nor a journal describes (a recovered
    // copy): the next edit starts a journal with the whole text in it.
    void textUnknown(const std::string& copy);

    // The journal file being written (empty before the first edit).
    std::string path() const { return m_writer.path(); }
    // Waits until every edit so far is in the journal file.
    void flush() { m_writer.flush(); }

    void textChanged(const text::Change& change) override;
    void textReset() override;

private:
    void finish();

    std::string m_folder;
    OriginSource m_origin;
    text::TextBuffer* m_buffer = nullptr;
    recovery::JournalWriter m_writer;
    bool m_started = false;
    // The text is its origin's (the file as read or saved, or the empty new text), so a journal
    // of the edits from here rebuilds it.
    bool m_textIsOrigin = true;
    // After a save: the text is its file as read but for one final line break, which reading
    // drops; the journal puts it back first.
    bool m_finalBreakDropped = false;
    std::string m_copy;
};
