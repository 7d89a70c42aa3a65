#pragma once

#include <QStringView>

class MemoTarget;
class QTextDocument;

namespace search {

// The find command's search in the editor: the first hit of needle at or after start, both in
// the editor's CR LF view (UTF-16 units, line breaks counting two), or -1. The result is the
// one the piece-by-piece search of findForward gives. A needle without line breaks is looked
// up in the document's own text in one pass, without moving the editor's selection; a needle
// holding CR or LF goes piece by piece through the editor's selection, which it leaves on the
// last piece read.
qsizetype findInEditor(MemoTarget& memo, const QTextDocument& document, qsizetype start,
                       QStringView needle);

} // namespace search
