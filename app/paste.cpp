#include "app/paste.h"

#include "app/memoryguard.h"
#include "ime/texttarget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>

QString clipboardText(const QMimeData* data) {
    if (!data)
        return {};
    if (data->hasText()) {
        QString text = data->text();
        if (text.isNull())
            text = QLatin1String(""); // present but empty: still the Unicode form
        return text;
    }
    if (data->hasFormat(QLatin1String(k8BitTextMime))) {
        QStringDecoder widen(QStringDecoder::System);
        QString text = widen.decode(data->data(QLatin1String(k8BitTextMime)));
        if (text.isNull())
            text = QLatin1String("");
        return text;
    }
    return {};
}

QString filterPastedText(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\0')
            break;
        if (c != u'\r')
            out += c;
    }
    return out;
}

bool PasteUnicodeText(ime::TextTarget& target) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    QString text;
    {
        const QString raw = clipboardText(clipboard->mimeData());
        if (raw.isNull())
            return false;
        // The clipboard's copy goes before the text is edited, so a large paste holds it once.
        app::sizedMemory(2 * raw.size(), [&] { text = filterPastedText(raw); });
    }
    const bool changes = !text.isEmpty() || target.selLength() > 0;
    target.setSelText(text);
    const qsizetype start = target.selStart();
    const qsizetype length = target.selLength();
    target.setSelLength(0);
    target.setSelStart(start + length);
    return changes;
}
