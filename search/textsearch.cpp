#include "search/textsearch.h"

#include "ime/texttarget.h"

#include <algorithm>

namespace search {

qsizetype findForward(const ChunkReader& read, qsizetype length, qsizetype start,
                      QStringView needle, qsizetype chunkUnits) {
    if (needle.isEmpty() || start < 0 || start > length || chunkUnits < 1)
        return -1;
    const qsizetype pieceUnits = std::max(chunkUnits, needle.size());
    qsizetype offset = 0;
    for (;;) {
        const qsizetype pos = start + offset;
        const QString chunk = read(pos, pieceUnits);
        const qsizetype n = chunk.size();
        if (n < 1)
            return -1;
        const qsizetype k = chunk.lastIndexOf(u'\n');
        QStringView part(chunk);
        qsizetype step = n;
        if (k >= 0) {
            // The last line of the piece is left to the next piece, which starts after its
            // line feed; the line break itself is not searched.
            part = part.first(k > 0 && chunk.at(k - 1) == u'\r' ? k - 1 : k);
            step = k + 1;
        } else if (pos + n >= length) {
            step = 0; // the rest of the text was in this piece
        } else {
            // Inside one long line: the next piece repeats the last units an occurrence
            // could start in.
            step = n - (needle.size() - 1);
        }
        const qsizetype j = part.indexOf(needle);
        if (j >= 0)
            return pos + j;
        if (step < 1)
            return -1;
        offset += step;
    }
}

qsizetype findInTarget(ime::TextTarget& target, qsizetype start, QStringView needle,
                       qsizetype chunkUnits) {
    const ChunkReader read = [&target](qsizetype pos, qsizetype len) {
        target.setSelection(pos, len);
        return target.selText();
    };
    return findForward(read, target.length(), start, needle, chunkUnits);
}

bool spansLines(QStringView needle) {
    return needle.contains(u'\r') || needle.contains(u'\n');
}

qsizetype findInDocumentText(QStringView documentText, qsizetype start, QStringView needle) {
    if (needle.isEmpty() || spansLines(needle) || needle.contains(QChar::ParagraphSeparator))
        return -1;
    if (start < 0 || start > documentText.size())
        return -1;
    return documentText.indexOf(needle, start);
}

} // namespace search
