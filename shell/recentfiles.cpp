#include "shell/recentfiles.h"

#include "shell/localname.h"
#include "shell/settings.h"

namespace recent {

namespace {

// A list file longer than this is damage; what lies beyond is not read.
constexpr qint64 kMaxFileBytes = 64 * 1024;

} // namespace

QStringList parseList(QByteArrayView text) {
    QStringList names;
    for (qsizetype pos = 0; pos < text.size() && names.size() < kMaxEntries;) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.sliced(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        // A line feed never belongs to a name; a NUL cannot be part of a path either.
        if (line.isEmpty() || line.contains('\0'))
            continue;
        // Names are kept as the system's bytes, UTF-8 or not.
        const QString name =
            fromLocalName(std::string_view(line.data(), static_cast<std::size_t>(line.size())));
        if (!names.contains(name))
            names << name;
    }
    return names;
}

QByteArray formatList(const QStringList& names) {
    QByteArray out;
    for (const QString& name : names) {
        const std::string bytes = toLocalName(name);
        out += QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())) + '\n';
    }
    return out;
}

QStringList withFirst(QStringList names, const QString& name) {
    if (name.isEmpty() || name.contains(u'\n') || name.contains(u'\r'))
        return names; // a line of the file cannot hold it
    names.removeAll(name);
    names.prepend(name);
    while (names.size() > kMaxEntries)
        names.removeLast();
    return names;
}

QStringList load() {
    const std::optional<QByteArray> text = settings::readFile(kRecentFileName, kMaxFileBytes);
    return text ? parseList(*text) : QStringList();
}

bool save(const QStringList& names) {
    return settings::writeFile(kRecentFileName, formatList(names));
}

} // namespace recent
