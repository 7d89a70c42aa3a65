#include "search/docsearch.h"

#include "search/textsearch.h"
#include "shell/memotarget.h"

#include <QTextDocument>

namespace search {

qsizetype findInEditor(MemoTarget& memo, const QTextDocument& document, qsizetype start,
                       QStringView needle) {
    if (needle.isEmpty() || start < 0 || start > memo.length())
        return -1;
    if (spansLines(needle))
        return findInTarget(memo, start, needle);
    // The raw text keeps every unit as the selection would show it, with U+2029 between
    // lines; one copy and one scan cost far less than a walk through the selection.
    const QString text = document.toRawText();
    const qsizetype hit = findInDocumentText(text, memo.toDocument(start), needle);
    return hit < 0 ? -1 : memo.fromDocument(static_cast<int>(hit));
}

} // namespace search
