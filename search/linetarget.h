#pragma once

#include "ime/texttarget.h"

class QLineEdit;

// A single-line entry as a text target. Replacing the selection leaves the caret behind the
// inserted text with nothing selected, as a line entry does.
class LineTarget final : public ime::TextTarget {
public:
    explicit LineTarget(QLineEdit* edit);

    qsizetype length() const override;
    qsizetype selStart() const override;
    qsizetype selLength() const override;
    void setSelStart(qsizetype pos) override;
    void setSelLength(qsizetype len) override;
    QString selText() const override;
    void setSelText(const QString& text) override;
    char16_t unitBefore(qsizetype pos) const override;

private:
    QLineEdit* m_edit;
};
