#include "ime/retype.h"

#include "ime/inputengines.h"
#include "ime/stringtarget.h"

namespace ime {

namespace {

// A key of the engines: printable ASCII without the space.
bool isKey(QChar c) {
    return c.unicode() > u' ' && c.unicode() < 0x7F;
}

// Types each run of keys of `text` into a fresh target through `press` (an engine's key
// handler), and lets the target act as the text control on what the engine passes on.
template <class Press> QString typeRuns(QStringView text, Press press) {
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isKey(text[i])) {
            out += text[i++];
            continue;
        }
        StringTarget target(QString(), StringTarget::AfterInsert::CaretBehind);
        int decided = 0;
        for (; i < text.size() && isKey(text[i]); ++i)
            target.controlKey(press(target, int(text[i].unicode()), decided));
        out += target.text();
    }
    return out;
}

} // namespace

QString retypeRomanized(QStringView text) {
    return typeRuns(text, [](StringTarget& target, int key, int& decided) {
        return RomanizedInputKey(target, key, decided);
    });
}

QString retypeDirect(QStringView text, int placement) {
    return typeRuns(text, [placement](StringTarget& target, int key, int&) {
        return DirectInputKey(target, key, placement);
    });
}

QString retypeAsLatin(QStringView text, int placement) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const int key = DirectInputKeyOf(c.unicode(), placement);
        out += key != 0 ? QChar(char16_t(key)) : c;
    }
    return out;
}

} // namespace ime
