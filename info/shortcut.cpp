#include "info/shortcut.h"

#include "app/modal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>
#endif

namespace shortcut {
namespace {

QString environmentPath(const char* name) {
    return qEnvironmentVariable(name);
}

QString withoutTrailingSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// Removes the shell-style backslash escapes that user-dirs.dirs may hold.
QString unescapeBackslashes(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

} // namespace

QString linkFileName() {
#ifdef Q_OS_WIN
    return QStringLiteral("toviloeditru.lnk");
#else
    return QStringLiteral("toviloeditru.desktop");
#endif
}

QString quoteExecArgument(const QString& argument) {
    QString quoted;
    quoted.reserve(argument.size() + 8);
    quoted += u'"';
    for (const QChar ch : argument) {
        if (ch == u'"' || ch == u'`' || ch == u'$' || ch == u'\\')
            quoted += u'\\';
        if (ch == u'%')
            quoted += u'%';
        quoted += ch;
    }
    quoted += u'"';
    return quoted;
}

QString escapeDesktopString(const QString& value) {
    QString escaped;
    escaped.reserve(value.size() + 8);
    for (const QChar ch : value) {
        switch (ch.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += ch;
        }
    }
    return escaped;
}

QByteArray desktopEntryText(const QString& executable) {
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=Tovilo Russian Editor\n");
    text +=
        QStringLiteral("Comment=Type Russian on a Latin keyboard with a built-in input method\n");
    // The quoting protects the path from the launcher's word splitting; the string escape is
    // applied on top of it, as a launcher removes it first.
    text += QStringLiteral("Exec=") + escapeDesktopString(quoteExecArgument(executable)) + u'\n';
    text += QStringLiteral("Icon=toviloeditru\n");
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("Categories=Utility;TextEditor;\n");
    return text.toUtf8();
}

QString desktopDirFromUserDirs(const QByteArray& contents, const QString& home) {
    const QString key = QStringLiteral("XDG_DESKTOP_DIR");
    QString found;
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (!line.startsWith(key))
            continue;
        QString rest = line.mid(key.size()).trimmed();
        if (!rest.startsWith(u'='))
            continue;
        rest = rest.mid(1).trimmed();
        if (rest.size() < 2 || !rest.startsWith(u'"'))
            continue;
        // The value ends at the first double quote that no backslash escapes.
        qsizetype end = -1;
        for (qsizetype i = 1; i < rest.size(); ++i) {
            if (rest[i] == u'\\') {
                ++i;
            } else if (rest[i] == u'"') {
                end = i;
                break;
            }
        }
        if (end < 0)
            continue;
        const QString value = unescapeBackslashes(rest.mid(1, end - 1));
        const QString homeToken = QStringLiteral("$HOME");
        if (value == homeToken)
            found = home;
        else if (value.startsWith(homeToken + u'/'))
            found = home + value.mid(homeToken.size());
        else if (value.startsWith(u'/'))
            found = value;
        else
            continue; // relative paths are not allowed there
        // A later line of the same key wins, as a shell sourcing the file would have it.
    }
    return found.isEmpty() ? QString() : withoutTrailingSeparator(found);
}

QString homeFolder() {
    const QString home = environmentPath("HOME");
    return home.isEmpty() ? QDir::homePath() : withoutTrailingSeparator(home);
}

QString applicationsFolder() {
    QString data = environmentPath("XDG_DATA_HOME");
    if (!data.startsWith(u'/'))
        data = homeFolder() + QStringLiteral("/.local/share");
    return withoutTrailingSeparator(data) + QStringLiteral("/applications");
}

QString desktopFolder() {
    const QString home = homeFolder();
    QString config = environmentPath("XDG_CONFIG_HOME");
    if (!config.startsWith(u'/'))
        config = home + QStringLiteral("/.config");
    QFile dirs(withoutTrailingSeparator(config) + QStringLiteral("/user-dirs.dirs"));
    if (dirs.open(QIODevice::ReadOnly)) {
        const QString named = desktopDirFromUserDirs(dirs.read(64 * 1024), home);
        if (!named.isEmpty())
            return named;
    }
    return home + QStringLiteral("/Desktop");
}

bool writeDesktopEntry(const QString& linkPath, const QString& executable) {
    const QString folder = QFileInfo(linkPath).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile file(linkPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = desktopEntryText(executable);
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    // Desktops start only entries marked executable from the desktop folder.
    return QFile::setPermissions(linkPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                               QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther);
}

} // namespace shortcut

namespace {

#ifdef Q_OS_WIN
// The shell's path of a special folder, without creating it; empty when the shell cannot say.
QString specialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return QString();
    return QString::fromWCharArray(path);
}

// Creates or replaces a shell link whose only property is its target path.
bool writeShellLink(const QString& linkPath, const QString& target) {
    const HRESULT init = CoInitialize(nullptr);
    bool saved = false;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        const QString nativeTarget = QDir::toNativeSeparators(target);
        link->SetPath(reinterpret_cast<const wchar_t*>(nativeTarget.utf16()));
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            const QString nativeLink = QDir::toNativeSeparators(linkPath);
            saved = file->Save(reinterpret_cast<const wchar_t*>(nativeLink.utf16()), TRUE) == S_OK;
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return saved;
}
#endif

// The link path for a shortcut folder; empty when the folder is unknown.
QString linkPathIn(const QString& folder) {
    if (folder.isEmpty())
        return QString();
#ifdef Q_OS_WIN
    return folder + u'\\' + shortcut::linkFileName();
#else
    return folder + u'/' + shortcut::linkFileName();
#endif
}

} // namespace

int CreateShellLink(const QString& linkPath, const QString& target) {
    bool written = false;
    // A shortcut needs both a place and a program to start.
    if (!linkPath.isEmpty() && !target.isEmpty()) {
#ifdef Q_OS_WIN
        written = writeShellLink(linkPath, target);
#else
        written = shortcut::writeDesktopEntry(linkPath, target);
#endif
    }
    if (written)
        return 1;
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("ショートカット作成失敗"), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ShortcutFailedBox"));
    modal::run(box);
    return 0;
}

int CreateProgramsShortcut(const QString& target) {
#ifdef Q_OS_WIN
    return CreateShellLink(linkPathIn(specialFolder(CSIDL_PROGRAMS)), target);
#else
    return CreateShellLink(linkPathIn(shortcut::applicationsFolder()), target);
#endif
}

int CreateDesktopShortcut(const QString& target) {
#ifdef Q_OS_WIN
    return CreateShellLink(linkPathIn(specialFolder(CSIDL_DESKTOPDIRECTORY)), target);
#else
    return CreateShellLink(linkPathIn(shortcut::desktopFolder()), target);
#endif
}
