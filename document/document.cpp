#include "document/document.h"

#include "encoding/textfile.h"
#include "text/textspans.h"

#include <string_view>
#include <utility>

namespace doc {

enc::FileResult OpenFile::open(const std::string& name) {
    m_name = name;
    m_sum = enc::Checksum();
    m_result = m_in.open(name, &m_stamp);
    if (m_result)
        m_in.sumInto(&m_sum);
    return m_result;
}

enc::Detection OpenFile::detect() {
    if (!m_result)
        return {enc::EncUtf8, enc::BomOpenFailed};
    return enc::DetectEncodingStream(m_in);
}

enc::BomKind OpenFile::bom() {
    if (!m_result)
        return enc::BomOpenFailed;
    return enc::DetectBomStream(m_in);
}

Document::Document() {
    m_buffer.addListener(this);
}

Document::Document(text::Pos chunkUnits) : m_buffer(chunkUnits) {
    m_buffer.addListener(this);
}

Document::~Document() {
    m_buffer.removeListener(this);
}

void Document::textChanged(const text::Change& change) {
    m_knownLength += change.inserted - change.removed;
    if (change.removed > 0 || change.inserted > 0)
        m_modified = true;
}

void Document::textReset() {
    // A whole new text is a change (an empty text for an empty one is none), unless it is the
    // file being read.
    if (!m_assigning && (m_knownLength > 0 || m_buffer.length() > 0))
        m_modified = true;
    m_knownLength = m_buffer.length();
    m_resetRevision = m_buffer.revision();
}

void Document::savePointChanged(bool atSavePoint) {
    // Undo and redo back to the text as read or saved: it equals the file again. A new text
    // puts the save point on itself, which says nothing of the file.
    if (atSavePoint && m_buffer.revision() != m_resetRevision)
        m_modified = false;
}

void Document::setFileName(const std::string& name) {
    m_file = FileInfo{};
    m_file.name = name;
}

DiskState Document::diskState() const {
    if (m_file.name.empty() || !m_file.stamp.exists)
        return DiskState::Unchanged;
    const enc::FileStamp now = enc::StampOf(m_file.name);
    if (now == m_file.stamp)
        return DiskState::Unchanged;
    return now.exists ? DiskState::Changed : DiskState::Deleted;
}

enc::FileResult Document::load(OpenFile& file, enc::TextEncoding encoding, text::TextBuilder& out,
                               const text::LoadProgress& progress) {
    if (m_reading)
        return enc::FileResult::busy();
    if (!file.m_result)
        return file.m_result;
    m_reading = true;
    const enc::FileResult result = text::LoadTextStream(file.m_in, encoding, out, progress);
    file.m_in.close();
    m_reading = false;
    return result;
}

enc::FileResult Document::read(OpenFile& file, std::optional<enc::Detection> reading,
                               const text::LoadProgress& progress) {
    if (m_reading)
        return enc::FileResult::busy();
    if (!file.m_result) {
        // A name that does not exist yet is where a later save goes.
        if (file.m_result.missing())
            setFileName(file.name());
        return file.m_result;
    }
    const enc::Detection used = reading ? *reading : file.detect();
    text::TextBuilder text;
    const enc::FileResult result = load(file, used.encoding, text, progress);
    if (!result)
        return result;
    // The decoded text becomes the buffer's without a copy, with a fresh undo history and the
    // save point there.
    m_assigning = true;
    m_buffer.assign(std::move(text));
    m_assigning = false;
    m_modified = false;
    m_file.name = file.name();
    m_file.reading = used;
    m_file.stamp = file.m_stamp;
    m_file.checksum = file.m_sum.value();
    return result;
}

enc::FileResult Document::readInto(OpenFile& file, enc::TextEncoding encoding,
                                   text::TextBuilder& out, const text::LoadProgress& progress) {
    return load(file, encoding, out, progress);
}

enc::WriteResult Document::write(enc::OutputFormat format, const enc::ByteSink& sink) const {
    return enc::WriteText(format, text::SpansOf(m_buffer), sink);
}

void Document::saved(const std::string& name) {
    m_buffer.setSavePoint();
    m_modified = false;
    m_file.name = name;
    m_file.reading = {enc::EncUtf8, enc::BomNone};
    m_file.stamp = enc::StampOf(name);
    m_file.checksum.reset();
}

enc::WriteResult ConvertText(OpenFile& file, enc::Detection reading, enc::OutputFormat format,
                             const enc::ByteSink& sink, enc::FileResult& readFault) {
    readFault = {};
    const auto text = [&](const enc::SpanVisitor& visit) {
        readFault = text::VisitText(file.stream(), reading.encoding, visit);
    };
    return enc::WriteText(format, text, sink);
}

enc::FileResult ReadFile(const std::string& name, std::optional<enc::Detection> reading,
                         Document& into) {
    OpenFile file;
    file.open(name);
    return into.read(file, reading);
}

} // namespace doc
