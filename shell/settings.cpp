#include "shell/settings.h"

#include "app/appstate.h"
#include "encoding/fileaccess.h"
#include "encoding/platform.h"
#include "shell/localname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace settings {

int lineToInt(QByteArrayView line) {
    qsizetype i = 0;
    const qsizetype n = line.size();
    auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < n && isSpace(line[i]))
        ++i;
    bool negative = false;
    if (i < n && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that INT_MIN itself fits.
    long long value = 0;
    for (; i < n && line[i] >= '0' && line[i] <= '9'; ++i) {
        value = value * 10 - (line[i] - '0');
        if (value < static_cast<long long>(INT_MIN) - 1)
            value = static_cast<long long>(INT_MIN) - 1; // saturated; keeps the loop bounded
    }
    if (negative)
        return value < INT_MIN ? INT_MIN : static_cast<int>(value);
    return -value > INT_MAX ? INT_MAX : static_cast<int>(-value);
}

namespace {

// One line as a 500-byte line buffer would hold it.
struct Line {
    QByteArrayView text;
    bool overflowed = false; // 499 bytes were taken before a line end was found
    bool atEnd = false;      // the input ended inside or right after this line's text
};

constexpr qsizetype kLineMax = 499;

Line takeLine(QByteArrayView text, qsizetype& pos) {
    Line line;
    const qsizetype start = pos;
    const qsizetype n = text.size();
    while (true) {
        if (pos >= n) {
            line.atEnd = true;
            break;
        }
        // CR LF is one line end, as a file written on Windows and read as text has it.
        if (text[pos] == '\n' || (text[pos] == '\r' && pos + 1 < n && text[pos + 1] == '\n')) {
            line.text = text.sliced(start, pos - start);
            pos += text[pos] == '\r' ? 2 : 1;
            return line;
        }
        if (pos - start == kLineMax) {
            line.overflowed = true;
            break;
        }
        ++pos;
    }
    line.text = text.sliced(start, pos - start);
    return line;
}

} // namespace

int parseSettings(QByteArrayView text, EditorSettings& values) {
    qsizetype pos = 0;
    int applied = 0;
    for (int index = 0; index < 7; ++index) {
        if (pos >= text.size())
            break;
        const Line line = takeLine(text, pos);
        // The line buffer is a C string: a NUL ends it.
        QByteArrayView digits = line.text;
        if (const qsizetype nul = digits.indexOf('\0'); nul >= 0)
            digits = digits.first(nul);
        if (digits.isEmpty())
            break;
        const int value = lineToInt(digits);
        switch (index) {
        case 0:
            values.top = value;
            break;
        case 1:
            values.left = value;
            break;
        case 2:
            values.width = value;
            break;
        case 3:
            values.height = value;
            break;
        case 4:
            values.imeMode = (value < 0 || value > 2) ? 0 : value;
            break;
        case 5:
            values.wordWrap = value != 0;
            break;
        default:
            values.japanesePlacement = value != 0;
            break;
        }
        ++applied;
        if (line.overflowed || line.atEnd)
            break;
    }
    return applied;
}

QByteArray formatSettings(const EditorSettings& values) {
#ifdef Q_OS_WIN
    const QByteArray end = "\r\n";
#else
    const QByteArray end = "\n";
#endif
    const int numbers[] = {values.top,
                           values.left,
                           values.width,
                           values.height,
                           values.imeMode,
                           values.wordWrap ? 1 : 0,
                           values.japanesePlacement ? 1 : 0};
    QByteArray out;
    for (int number : numbers)
        out += QByteArray::number(number) + end;
    return out;
}

namespace {

std::int32_t getInt32(QByteArrayView bytes, qsizetype at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return static_cast<std::int32_t>(v);
}

void putInt32(FontRecordBytes& record, std::size_t at, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        record[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::size_t kColourAt = 0;
constexpr std::size_t kHeightAt = 4;
constexpr std::size_t kNameAt = 8;
constexpr std::size_t kPitchAt = 208;
constexpr std::size_t kCharSetAt = 212;

} // namespace

bool decodeFontRecord(QByteArrayView bytes, FontFields& fields) {
    if (bytes.size() < kFontRecordSize)
        return false;
    fields.colour = getInt32(bytes, kColourAt);
    fields.height = getInt32(bytes, kHeightAt);
    QByteArrayView name = bytes.sliced(kNameAt, kFontNameSize);
    if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
        name = name.first(nul);
    fields.name = name.toByteArray();
    fields.pitch = static_cast<std::uint8_t>(bytes[kPitchAt]);
    fields.charSet = static_cast<std::uint8_t>(bytes[kCharSetAt]);
    return true;
}

void encodeFontRecord(const FontFields& fields, FontRecordBytes& record) {
    putInt32(record, kColourAt, fields.colour);
    putInt32(record, kHeightAt, fields.height);
    // A name is cut where a NUL of its own stands, and so that the terminating NUL fits.
    QByteArrayView name = fields.name;
    if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
        name = name.first(nul);
    name = name.first(std::min<qsizetype>(name.size(), kFontNameSize - 1));
    if (!name.isEmpty()) // an empty name may have no storage at all
        std::memcpy(record.data() + kNameAt, name.data(), static_cast<std::size_t>(name.size()));
    record[kNameAt + static_cast<std::size_t>(name.size())] = 0;
    record[kPitchAt] = fields.pitch;
    putInt32(record, kCharSetAt, fields.charSet);
}

namespace {

QString& folderOverride() {
    static QString value;
    return value;
}

QString withSlash(QString dir) {
    if (!dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        dir += u'/';
    return dir;
}

} // namespace

void setFolderOverride(const QString& folder) {
    folderOverride() = folder;
}

QString folder() {
    if (!folderOverride().isEmpty())
        return withSlash(folderOverride());
    // An installed copy sits in a folder the user cannot write; its settings then live with
    // the user's other configuration, and are read from there too.
    if (!app::state().ProgramDir.isEmpty()) {
        const QFileInfo program(app::state().ProgramDir);
        if (program.isDir() && program.isWritable())
            return withSlash(app::state().ProgramDir);
    }
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/toviloeditru"));
}

std::optional<QByteArray> readFile(const char* name, qint64 maxBytes) {
    // Opened without ever waiting: a FIFO, a device or a folder in the file's place is refused
    // at once, as a missing file is, and the start goes on with start values.
    enc::NativeFile file = enc::kNoFile;
    if (!enc::OpenRegularFile(toLocalName(folder() + QLatin1String(name)), file))
        return std::nullopt;
    QByteArray bytes(maxBytes, Qt::Uninitialized);
    qint64 got = 0;
    while (got < maxBytes) {
        const std::ptrdiff_t n =
            enc::platform::Read(file, bytes.data() + got, static_cast<std::size_t>(maxBytes - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    enc::platform::Close(file);
    bytes.truncate(got);
    return bytes;
}

bool writeFile(const char* name, const QByteArray& bytes) {
    const QString dir = folder();
    if (!QDir().mkpath(dir))
        return false;
    // Something other than a file in the file's place (a FIFO would keep the write waiting for
    // a reader) is left alone.
    if (const QFileInfo there(dir + QLatin1String(name)); there.exists() && !there.isFile())
        return false;
    QSaveFile file(dir + QLatin1String(name));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace settings
