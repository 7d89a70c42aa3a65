#include "view/textinput.h"

#include <QKeyEvent>

namespace view {

std::u16string withCrLf(QStringView text) {
    std::u16string out;
    out.reserve(static_cast<std::size_t>(text.size()) + 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < n && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

QString withLf(std::u16string_view units) {
    QString out;
    out.reserve(static_cast<qsizetype>(units.size()));
    const std::size_t n = units.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (units[i] == u'\r' && i + 1 < n && units[i + 1] == u'\n') {
            out += QChar(u'\n');
            ++i;
        } else {
            out += QChar(units[i]);
        }
    }
    return out;
}

bool isTypedText(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty())
        return false;
    const Qt::KeyboardModifiers mods = event.modifiers();
    // Ctrl alone makes a command; Ctrl with Alt is AltGr on some systems and types.
    if (mods.testFlag(Qt::ControlModifier) && !mods.testFlag(Qt::AltModifier))
        return false;
    for (const QChar c : text) {
        if (c.isPrint() || c.isSurrogate())
            continue;
        const QChar::Category cat = c.category();
        if (cat == QChar::Other_Format || cat == QChar::Other_PrivateUse)
            continue;
        return false;
    }
    return true;
}

void makeVisible(QString& text) {
    QChar* data = text.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (c < 0x20 && c != u'\t')
            data[i] = QChar(static_cast<char16_t>(0x2400 + c)); // the control pictures
        else if (c == 0x7F)
            data[i] = QChar(char16_t(0x2421));
        else if (c == 0x2028)
            data[i] = QChar(char16_t(0x2424)); // symbol for newline
        else if (c == 0x2029)
            data[i] = QChar(char16_t(0x00B6)); // pilcrow
    }
}

} // namespace view
