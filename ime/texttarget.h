#pragma once

#include <QString>

namespace ime {

// A text control as the input engines, the search and the character tools see it.
// Positions and lengths count UTF-16 units. The editor presents every line break as the two
// units CR LF; the find entry is a single line.
//
// Selection semantics follow the classic edit-control model:
//  - setSelStart(p) puts the caret at p with an empty selection;
//  - setSelLength(n) selects n units starting at selStart();
//  - setSelText(s) replaces the selection (or inserts at the caret when it is empty).
// Out-of-range positions and lengths are clamped to the text.
class TextTarget {
public:
    virtual ~TextTarget() = default;

    // Length of the whole text.
    virtual qsizetype length() const = 0;
    virtual qsizetype selStart() const = 0;
    virtual qsizetype selLength() const = 0;
    virtual void setSelStart(qsizetype pos) = 0;
    virtual void setSelLength(qsizetype len) = 0;
    virtual QString selText() const = 0;
    virtual void setSelText(const QString& text) = 0;
    // The unit just before pos, or 0 when pos <= 0 or pos > length().
    virtual char16_t unitBefore(qsizetype pos) const = 0;

    // Selects len units from start.
    void setSelection(qsizetype start, qsizetype len) {
        setSelStart(start);
        setSelLength(len);
    }
};

} // namespace ime
