#include "shell/localname.h"

#include "encoding/bytes.h"

namespace {

// Length of the valid UTF-8 sequence at the start of `s` (no overlong forms, surrogates or
// values above U+10FFFF), 0 when it does not start with one; *code receives its value.
std::size_t validSequence(std::string_view s, char32_t* code) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    std::size_t length;
    char32_t value;
    char32_t least;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!enc::isContinuation(b(i)))
            return 0;
        value = value << 6 | (b(i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

} // namespace

QString fromLocalName(std::string_view bytes) {
    QString name;
    name.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        char32_t code = 0;
        const std::size_t length = validSequence(bytes, &code);
        if (length == 0) {
            name += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes.front())));
            bytes.remove_prefix(1);
            continue;
        }
        name += QString::fromUcs4(&code, 1);
        bytes.remove_prefix(length);
    }
    return name;
}

std::string toLocalName(const QString& name) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(name.size()));
    QString run; // valid text between escaped bytes, encoded in one go
    const auto flush = [&] {
        const QByteArray utf8 = run.toUtf8();
        bytes.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        run.clear();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name.at(i).unicode();
        const bool pairedLow = i > 0 && QChar::isHighSurrogate(name.at(i - 1).unicode());
        if (u >= 0xDC80 && u <= 0xDCFF && !pairedLow) {
            flush();
            bytes.push_back(static_cast<char>(u - 0xDC00));
        } else {
            run += QChar(u);
        }
    }
    flush();
    return bytes;
}

QString displayName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t u = shown.at(i).unicode();
        const bool pairedLow = i > 0 && QChar::isHighSurrogate(shown.at(i - 1).unicode());
        if (u >= 0xDC80 && u <= 0xDCFF && !pairedLow)
            shown[i] = QChar(QChar::ReplacementCharacter);
    }
    return shown;
}
