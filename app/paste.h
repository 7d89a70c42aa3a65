#pragma once

#include <QByteArray>
#include <QString>

class QMimeData;

namespace ime {
class TextTarget;
}

// The clipboard's two text forms, in the order the paste prefers them:
//  - the Unicode text: QMimeData::text() whenever QMimeData::hasText() holds;
//  - the 8-bit text: the bytes stored under the MIME type k8BitTextMime, in the local 8-bit
//    code page, as a program that only speaks that code page offers them. They are widened
//    with the system's 8-bit decoder (QStringDecoder::System).
inline constexpr char k8BitTextMime[] = "text/plain;charset=system";

// The text a paste would insert, before filtering: the Unicode form if there is one, else the
// widened 8-bit form; a null string when the clipboard holds no text in either form.
QString clipboardText(const QMimeData* data);

// The text as it is inserted: every CR (U+000D) is dropped, so CR LF becomes one line break
// and a lone CR disappears; the text ends before its first NUL unit.
QString filterPastedText(QStringView text);

// The clipboard paste shared by the editor and the find entry: takes the clipboard's text as
// clipboardText() reads it, filters it with filterPastedText(), replaces the target's
// selection with the result (inserts at the caret when nothing is selected) and leaves the
// caret behind it with nothing selected. A clipboard without text changes nothing. Returns
// true when the target's text was changed.
// After a paste from the 8-bit form the clipboard is left as it was; no text is written back.
bool PasteUnicodeText(ime::TextTarget& target);
