#pragma once

#include "ime/texttarget.h"

#include <QString>
#include <QStringView>

namespace ime {

// An in-memory text target for tests and fuzzing. Positions count UTF-16 units; every
// position and length is clamped to the text, so the selection always lies inside it.
class StringTarget final : public TextTarget {
public:
    // What setSelText leaves behind: the editor keeps the inserted text selected, the find
    // entry puts the caret just after it.
    enum class AfterInsert { SelectInserted, CaretBehind };

    explicit StringTarget(QString text = {}, AfterInsert afterInsert = AfterInsert::SelectInserted);

    // Builds a target from a marked-up text: "|" is the caret, "[" and "]" enclose the
    // selection. Without marks the caret is at the end.
    static StringTarget fromMarkup(QStringView markup,
                                   AfterInsert afterInsert = AfterInsert::SelectInserted);
    // The text with the caret or the selection marked as fromMarkup reads it.
    QString markup() const;

    const QString& text() const { return m_text; }

    qsizetype length() const override { return m_text.size(); }
    qsizetype selStart() const override { return m_selStart; }
    qsizetype selLength() const override { return m_selLength; }
    void setSelStart(qsizetype pos) override;
    void setSelLength(qsizetype len) override;
    QString selText() const override;
    void setSelText(const QString& text) override;
    char16_t unitBefore(qsizetype pos) const override;

    // What a plain text control does with a key code that an engine passed on: Backspace
    // deletes the selection or the unit before the caret, any other nonzero code is typed as
    // the Latin-1 character of that code; 0 does nothing.
    void controlKey(int key);

    // How often selText was called, so callers can check that nothing copied the text.
    int selTextReads() const { return m_selTextReads; }

private:
    QString m_text;
    qsizetype m_selStart = 0;
    qsizetype m_selLength = 0;
    AfterInsert m_afterInsert;
    mutable int m_selTextReads = 0;
};

} // namespace ime
