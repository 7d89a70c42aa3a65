#pragma once

#include "ime/texttarget.h"

#include <QTextBlock>
#include <QTextCursor>

class QPlainTextEdit;

// The editor as a text target. The widget keeps one block per line; this target presents the
// text with CR LF between lines, so every line break counts as two units in positions and
// lengths, its selected text holds CR LF, and a line feed (or CR LF) in inserted text starts a
// new line. A position between the CR and the LF of a break is taken as the end of its line.
// Every operation works on the blocks around the positions involved and costs O(log^2 n) at
// most in the number of lines; none copies the whole text.
class MemoTarget final : public ime::TextTarget {
public:
    explicit MemoTarget(QPlainTextEdit* edit);

    // While a Batch lives, caret and selection changes collect in a cursor of the target's own
    // and reach the widget once, when the last Batch ends: one key of an input engine moves the
    // caret several times, and each hand-over makes the widget look up its layout again.
    class Batch {
    public:
        explicit Batch(MemoTarget& target);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        MemoTarget& m_target;
    };

    qsizetype length() const override;
    qsizetype selStart() const override;
    qsizetype selLength() const override;
    void setSelStart(qsizetype pos) override;
    void setSelLength(qsizetype len) override;
    QString selText() const override;
    void setSelText(const QString& text) override;
    char16_t unitBefore(qsizetype pos) const override;

    // Inserts text at the caret; the caret ends behind it and nothing is selected.
    void insertAtCaret(const QString& text);

    // Position conversions between the CR LF view and the widget's document positions.
    qsizetype fromDocument(int documentPos) const;
    int toDocument(qsizetype pos) const;

    // Text of the document between two document positions, with CR LF for block breaks and
    // every other unit kept as the document holds it.
    static QString crlfText(const QString& documentText);

private:
    struct Location {
        QTextBlock block;
        qsizetype offset; // 0 .. block length, or block length + 1 between CR and LF
    };
    Location locate(qsizetype pos) const;
    QTextCursor currentCursor() const;
    void applyCursor(const QTextCursor& cursor);

    QPlainTextEdit* m_edit;
    int m_batchDepth = 0;
    QTextCursor m_batchCursor;
};
