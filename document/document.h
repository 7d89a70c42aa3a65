#pragma once

#include "encoding/checksum.h"
#include "encoding/detect.h"
#include "encoding/fileaccess.h"
#include "encoding/stream.h"
#include "encoding/textwriter.h"
#include "text/textbuffer.h"
#include "text/textload.h"

#include <cstdint>
#include <optional>
#include <string>

// The editor's text with everything that belongs to it: the buffer, the file it came from or
// was last saved to, and whether it has changed since. The window shows and edits the buffer;
// opening, saving, exporting and the command line go through the document. Plain C++ without
// Qt, one thread at a time.
namespace doc {

// The file behind the text.
struct FileInfo {
    // The name as the local bytes it was given; empty while the text belongs to no file. A name
    // that did not exist when it was opened is kept, so that a save creates it.
    std::string name;
    // The reading the text was read with (UTF-8 without a mark once it has been saved).
    enc::Detection reading;
    // The file as it was on disk when it was read or last saved (exists false: no file).
    enc::FileStamp stamp;
    // A checksum of the bytes read, taken while they were read; unknown after a save.
    std::optional<std::uint64_t> checksum;
};

// How the file on disk compares with the one the text was read from or saved to.
enum class DiskState { Unchanged, Changed, Deleted };

// One open of a file for reading. Checking the file, detecting its encoding and reading it all
// take their bytes from this one open, so the file is opened and read once, and what is checked
// is what is read.
class OpenFile {
public:
    // Opens a regular file (a FIFO, a device or a folder is refused without being read). The
    // result is also kept in result().
    enc::FileResult open(const std::string& name);
    const enc::FileResult& result() const { return m_result; }
    const std::string& name() const { return m_name; }
    // The encoding and mark the detection finds in the file's first bytes.
    enc::Detection detect();
    // The byte-order mark the file starts with.
    enc::BomKind bom();
    // The open stream, at the file's start, for a reader that takes the lines itself.
    enc::ByteStream& stream() { return m_in; }

private:
    friend class Document;
    enc::ByteStream m_in;
    enc::Checksum m_sum;
    enc::FileStamp m_stamp;
    std::string m_name;
    enc::FileResult m_result = enc::FileResult::fromErrno(0);
};

class Document : private text::BufferListener {
public:
    Document();
    // Leaves of `chunkUnits` units, for tests that cross leaf boundaries often.
    explicit Document(text::Pos chunkUnits);
    ~Document() override;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    text::TextBuffer& buffer() { return m_buffer; }
    const text::TextBuffer& buffer() const { return m_buffer; }

    // --- The file
    const FileInfo& file() const { return m_file; }
    // The text goes to `name` when it is saved without a dialog; it belongs to no file on disk
    // yet (a name that could not be opened because it does not exist).
    void setFileName(const std::string& name);
    // The text stands for `file` as given (a text rebuilt from what a killed editor left).
    void setFile(const FileInfo& file) { m_file = file; }
    // The file on disk now against the one the text was read from or saved to.
    DiskState diskState() const;

    // --- Whether the text has changed: the modified flag. Every edit of the text sets it;
    // reading a file and saving clear it, and so does undoing or redoing back to the text as it
    // was read or saved. The window's own rules (a key press sets it even when the key changes
    // nothing, closing clears it) set it through setModified().
    bool modified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }
    // Whether the text differs from what was last read or saved (the buffer's save point).
    bool differsFromFile() const { return !m_buffer.atSavePoint(); }

    // --- Reading. Reads never nest: while one runs (its progress may hand the event loop
    // round), another read is refused with FileFault::Busy and nothing changes.
    bool reading() const { return m_reading; }
    // Reads the opened file into the text in `reading`, or in the encoding detection finds.
    // On success the text is the file's (a fresh undo history), the save point is there, the
    // text is unmodified and file() describes the file. A file that does not exist gives that
    // fault and keeps its name for a later save. On any other failure nothing changes.
    enc::FileResult read(OpenFile& file, std::optional<enc::Detection> reading = std::nullopt,
                         const text::LoadProgress& progress = {});
    // Reads the opened file in `encoding` into `out` as read() reads it, the text untouched (a
    // file inserted at the caret).
    enc::FileResult readInto(OpenFile& file, enc::TextEncoding encoding, text::TextBuilder& out,
                             const text::LoadProgress& progress = {});

    // --- Writing. The text in `format`, span by span as the buffer holds it, into `sink`.
    enc::WriteResult write(enc::OutputFormat format, const enc::ByteSink& sink) const;
    // The text has just been saved to `name` (in UTF-8, on the disk): that is its file now, the
    // save point is here and the text is unmodified.
    void saved(const std::string& name);

private:
    void textChanged(const text::Change& change) override;
    void textReset() override;
    void savePointChanged(bool atSavePoint) override;
    enc::FileResult load(OpenFile& file, enc::TextEncoding encoding, text::TextBuilder& out,
                         const text::LoadProgress& progress);

    text::TextBuffer m_buffer;
    FileInfo m_file;
    bool m_modified = false;
    bool m_reading = false;
    bool m_assigning = false;
    std::uint64_t m_resetRevision = 0;
    text::Pos m_knownLength = 0; // the text's length as the last change left it
};

// Writes the text of the opened file, read in `reading`, to `sink` in `format`: the bytes the
// editor writes after opening the file (its lines joined by CR LF), taken as text::VisitText
// hands them on (a large file decoded ahead on the other processors, a few pieces at a time),
// so memory stays flat whatever the file's size. A read that fails part way stops the writing
// and gives its fault in `readFault`.
enc::WriteResult ConvertText(OpenFile& file, enc::Detection reading, enc::OutputFormat format,
                             const enc::ByteSink& sink, enc::FileResult& readFault);

// Opens and reads the file `name` into `into` as the open command does (in `reading`, else as
// detected).
enc::FileResult ReadFile(const std::string& name, std::optional<enc::Detection> reading,
                         Document& into);

} // namespace doc
