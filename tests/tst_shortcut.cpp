// Desktop shortcuts: the desktop entry's text and its Exec quoting, the user's folders, and
// the two menu commands writing, replacing and failing.
#include "app/appstate.h"
#include "app/modal.h"
#include "info/shortcut.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "statefolder.h"
#include "view/memoview.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

// The windows' recovery journals stay in a state folder of this program's own.
static const OwnStateFolder ownStateFolder;

namespace {

// Reads the Exec value of a desktop entry back as a launcher does: string escapes first, then
// %% for a literal percent (any other field code is refused), then the double-quote rules.
// Returns the argument list, or nothing when the value breaks a rule.
std::optional<QStringList> launcherArguments(const QString& fileValue) {
    QString value;
    for (qsizetype i = 0; i < fileValue.size(); ++i) {
        if (fileValue[i] != u'\\') {
            value += fileValue[i];
            continue;
        }
        if (++i == fileValue.size())
            return std::nullopt;
        switch (fileValue[i].unicode()) {
        case u'\\':
            value += u'\\';
            break;
        case u's':
            value += u' ';
            break;
        case u'n':
            value += u'\n';
            break;
        case u't':
            value += u'\t';
            break;
        case u'r':
            value += u'\r';
            break;
        default:
            return std::nullopt;
        }
    }
    QString expanded;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'%') {
            if (i + 1 == value.size() || value[i + 1] != u'%')
                return std::nullopt;
            ++i;
        }
        expanded += value[i];
    }
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < expanded.size(); ++i) {
        const QChar ch = expanded[i];
        if (ch == u' ') {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else if (ch == u'"') {
            inArgument = true;
            for (++i;; ++i) {
                if (i == expanded.size())
                    return std::nullopt;
                const QChar in = expanded[i];
                if (in == u'"')
                    break;
                if (in == u'\\') {
                    if (i + 1 == expanded.size())
                        return std::nullopt;
                    const QChar next = expanded[++i];
                    if (next != u'"' && next != u'`' && next != u'$' && next != u'\\')
                        return std::nullopt;
                    current += next;
                } else {
                    current += in;
                }
            }
        } else if (QStringLiteral("\t\n'\\><~|&;$*?#()`").contains(ch)) {
            return std::nullopt; // reserved outside quotes
        } else {
            inArgument = true;
            current += ch;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

QString entryValue(const QByteArray& entry, const QString& key) {
    for (const QByteArray& line : entry.split('\n')) {
        const QString text = QString::fromUtf8(line);
        if (text.startsWith(key + u'='))
            return text.mid(key.size() + 1);
    }
    return QString();
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs a validator (desktop-file-validate unless another is named, with its arguments before
// the file) on a file; sets skipped when the tool is not installed.
QString validate(const QString& path, bool* skipped,
                 const QString& program = QStringLiteral("desktop-file-validate"),
                 const QStringList& arguments = {}) {
    const QString tool = QStandardPaths::findExecutable(program);
    *skipped = tool.isEmpty();
    if (tool.isEmpty())
        return QString();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tool, arguments + QStringList{path});
    process.waitForFinished(30000);
    const QString output = QString::fromUtf8(process.readAll());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return output.isEmpty() ? QStringLiteral("failed") : output;
    // Hints and infos are advice only; errors and warnings count.
    QStringList problems;
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts))
        if (line.contains(QStringLiteral("error:")) || line.contains(QStringLiteral("warning:")) ||
            line.startsWith(QStringLiteral("E: ")) || line.startsWith(QStringLiteral("W: ")))
            problems << line;
    return problems.join(u'\n');
}

void awkwardPathRows() {
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << u"/usr/bin/toviloeditru"_qs;
    QTest::newRow("spaces") << u"/home/a b/My Programs/toviloeditru"_qs;
    QTest::newRow("double quotes") << u"/opt/\"q\"/toviloeditru"_qs;
    QTest::newRow("single quote") << u"/home/o'neil/toviloeditru"_qs;
    QTest::newRow("percent and field code look-alike") << u"/opt/100%/%f %u/toviloeditru"_qs;
    QTest::newRow("backslashes") << u"/opt/back\\slash\\\\two/toviloeditru"_qs;
    QTest::newRow("dollar and backquote") << u"/opt/$HOME/`id`/toviloeditru"_qs;
    QTest::newRow("shell specials") << u"/opt/a;b&c|d>e<f*g?h#i(j)~k/toviloeditru"_qs;
    QTest::newRow("Cyrillic") << u"/home/Пользователь/Программы/toviloeditru"_qs;
    QTest::newRow("tab") << u"/opt/a\tb/toviloeditru"_qs;
}

} // namespace

class TestShortcut : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    QStringList m_messages;

    QString home() const { return m_home->path(); }
    QString applicationsEntry() const {
        return home() + QStringLiteral("/data/applications/toviloeditru.desktop");
    }

    void answerMessages() {
        modal::setResponder([this](QDialog& dialog) {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            QVERIFY(box);
            m_messages << box->text();
            QCOMPARE(box->windowTitle(), QGuiApplication::applicationDisplayName());
            box->button(QMessageBox::Ok)->click();
        });
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", home().toUtf8());
        qputenv("XDG_DATA_HOME", (home() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (home() + QStringLiteral("/config")).toUtf8());
        m_messages.clear();
    }
    void cleanup() {
        modal::setResponder({});
        if (app::state().Form1) {
            destroyApplicationWindows();
            settings::setFolderOverride(QString());
            app::state().reset();
        }
    }

    // --- the entry's text

    void quoteExecArgument_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("/usr/bin/x") << u"/usr/bin/x"_qs << u"\"/usr/bin/x\""_qs;
        QTest::newRow("a b") << u"/a b/x"_qs << u"\"/a b/x\""_qs;
        QTest::newRow("a\"b") << u"/a\"b"_qs << u"\"/a\\\"b\""_qs;
        QTest::newRow("a`b") << u"/a`b"_qs << u"\"/a\\`b\""_qs;
        QTest::newRow("a$b") << u"/a$b"_qs << u"\"/a\\$b\""_qs;
        QTest::newRow("a\\b") << u"/a\\b"_qs << u"\"/a\\\\b\""_qs;
        QTest::newRow("a%b") << u"/a%b"_qs << u"\"/a%%b\""_qs;
        QTest::newRow("a'b unescaped inside quotes") << u"/a'b"_qs << u"\"/a'b\""_qs;
    }
    void quoteExecArgument() {
        QFETCH(QString, path);
        QFETCH(QString, quoted);
        QCOMPARE(shortcut::quoteExecArgument(path), quoted);
    }

    void execLineInTheFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("line");
        QTest::newRow("backslash is written as four") << u"/a\\b"_qs << u"\"/a\\\\\\\\b\""_qs;
        QTest::newRow("dollar is written as \\\\$") << u"/a$b"_qs << u"\"/a\\\\$b\""_qs;
        QTest::newRow("quote is written as \\\\\"") << u"/a\"b"_qs << u"\"/a\\\\\"b\""_qs;
    }
    void execLineInTheFile() {
        QFETCH(QString, path);
        QFETCH(QString, line);
        QCOMPARE(entryValue(shortcut::desktopEntryText(path), u"Exec"_qs), line);
    }

    void execGivesBackThePath_data() { awkwardPathRows(); }
    void execGivesBackThePath() {
        QFETCH(QString, path);
        const QByteArray entry = shortcut::desktopEntryText(path);
        const auto arguments = launcherArguments(entryValue(entry, u"Exec"_qs));
        QVERIFY(arguments.has_value());
        QCOMPARE(*arguments, QStringList{path});
    }

    void entryKeys() {
        const QByteArray entry = shortcut::desktopEntryText(u"/usr/bin/toviloeditru"_qs);
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QCOMPARE(entryValue(entry, u"Type"_qs), u"Application"_qs);
        QCOMPARE(entryValue(entry, u"Name"_qs), u"Tovilo Russian Editor"_qs);
        QCOMPARE(entryValue(entry, u"Terminal"_qs), u"false"_qs);
        QCOMPARE(entryValue(entry, u"Icon"_qs), u"toviloeditru"_qs);
        QVERIFY(entryValue(entry, u"Path"_qs).isEmpty()); // no working folder
        QVERIFY(entry.endsWith('\n'));
    }

    void entryPassesTheValidator_data() { awkwardPathRows(); }
    void entryPassesTheValidator() {
        QFETCH(QString, path);
        const QString file = home() + QStringLiteral("/toviloeditru.desktop");
        writeFile(file, shortcut::desktopEntryText(path));
        bool skipped = false;
        const QString problems = validate(file, &skipped);
        if (skipped)
            QSKIP("desktop-file-validate is not installed");
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void installedFilesPassTheirValidators_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop entry")
            << QStringLiteral(TOVILO_DESKTOP_ENTRY) << u"desktop-file-validate"_qs << QStringList();
        QTest::newRow("AppStream metainfo") << QStringLiteral(TOVILO_METAINFO) << u"appstreamcli"_qs
                                            << QStringList{u"validate"_qs, u"--no-net"_qs};
    }
    void installedFilesPassTheirValidators() {
        QFETCH(QString, file);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        bool skipped = false;
        const QString problems = validate(file, &skipped, program, arguments);
        if (skipped)
            QSKIP(qPrintable(program + u" is not installed"_qs));
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void installedEntryNamesTheProgram() {
        const QByteArray entry = readAll(QStringLiteral(TOVILO_DESKTOP_ENTRY));
        QCOMPARE(entryValue(entry, u"Exec"_qs), u"toviloeditru %f"_qs);
        QCOMPARE(entryValue(entry, u"Icon"_qs), u"toviloeditru"_qs);
        QCOMPARE(entryValue(entry, u"MimeType"_qs), u"text/plain;"_qs);
    }

    // --- the user's folders

    void desktopDirFromUserDirs_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("folder");
        QTest::newRow("$HOME/Desktop")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n") << u"/h/Desktop"_qs;
        QTest::newRow("$HOME/Рабочий стол")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n") << u"/h/Рабочий стол"_qs;
        QTest::newRow("absolute") << QByteArray("XDG_DESKTOP_DIR=\"/srv/desk\"") << u"/srv/desk"_qs;
        QTest::newRow("$HOME alone is home") << QByteArray("XDG_DESKTOP_DIR=\"$HOME\"") << u"/h"_qs;
        QTest::newRow("trailing slash dropped")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Desk/\"") << u"/h/Desk"_qs;
        QTest::newRow("among other keys and comments")
            << QByteArray("# XDG_DESKTOP_DIR=\"$HOME/no\"\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\n"
                          "XDG_DESKTOP_DIR=\"$HOME/yes\"\nXDG_MUSIC_DIR=\"$HOME/m\"\n")
            << u"/h/yes"_qs;
        QTest::newRow("escaped quote")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/a\\\"b\"") << u"/h/a\"b"_qs;
        QTest::newRow("spaces around =")
            << QByteArray("  XDG_DESKTOP_DIR = \"$HOME/D\"") << u"/h/D"_qs;
        QTest::newRow("relative is refused")
            << QByteArray("XDG_DESKTOP_DIR=\"Desktop\"") << QString();
        QTest::newRow("$HOMEX is not $HOME")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOMEX/D\"") << QString();
        QTest::newRow("unterminated") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/D") << QString();
        QTest::newRow("missing key") << QByteArray("XDG_MUSIC_DIR=\"$HOME/m\"") << QString();
        QTest::newRow("empty file") << QByteArray() << QString();
    }
    void desktopDirFromUserDirs() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, folder);
        QCOMPARE(shortcut::desktopDirFromUserDirs(contents, u"/h"_qs), folder);
    }

    void foldersFollowTheEnvironment() {
        QCOMPARE(shortcut::applicationsFolder(), home() + u"/data/applications"_qs);
        QCOMPARE(shortcut::desktopFolder(), home() + u"/Desktop"_qs);
        writeFile(home() + u"/config/user-dirs.dirs"_qs,
                  "XDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n");
        QCOMPARE(shortcut::desktopFolder(), home() + u"/Рабочий стол"_qs);

        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(shortcut::applicationsFolder(), home() + u"/.local/share/applications"_qs);
        QCOMPARE(shortcut::desktopFolder(), home() + u"/Desktop"_qs);
        qputenv("XDG_DATA_HOME", "relative/data");
        QCOMPARE(shortcut::applicationsFolder(), home() + u"/.local/share/applications"_qs);
    }

    // --- the menu commands

    void programMenuShortcutIsWrittenAndReplaced() {
        openMainWindow();
        const QString path = applicationsEntry();
        writeFile(path, "[Desktop Entry]\nExec=/old/program/from/before\n" + QByteArray(4000, '#') +
                            "\n");
        answerMessages();
        app::state().Form1->createShortcutinprogrammenu1->trigger();
        QVERIFY(m_messages.isEmpty());
        const QByteArray written = readAll(path);
        QCOMPARE(written, shortcut::desktopEntryText(QCoreApplication::applicationFilePath()));
        QCOMPARE(launcherArguments(entryValue(written, u"Exec"_qs)),
                 std::optional<QStringList>(QStringList{QCoreApplication::applicationFilePath()}));
        QVERIFY(QFileInfo(path).permissions().testFlag(QFileDevice::ExeOwner));

        app::state().Form1->createShortcutinprogrammenu1->trigger();
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(readAll(path), written);
        // One file and no leftovers of the whole-file write.
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"toviloeditru.desktop"_qs});
    }

    void desktopShortcutGoesWhereUserDirsSays() {
        openMainWindow();
        writeFile(home() + u"/config/user-dirs.dirs"_qs,
                  "XDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n");
        answerMessages();
        app::state().Form1->createshortcutinDesktopmenu1->trigger();
        app::state().Form1->createshortcutinDesktopmenu1->trigger();
        QVERIFY(m_messages.isEmpty());
        const QString folder = home() + u"/Рабочий стол"_qs;
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"toviloeditru.desktop"_qs});
        const QFileInfo entry(folder + u"/toviloeditru.desktop"_qs);
        QVERIFY(entry.permissions().testFlag(QFileDevice::ExeOwner));
        QVERIFY(!QFileInfo::exists(home() + u"/Desktop"_qs));
    }

    void unwritableFolderShowsTheFailureOnce_data() {
        QTest::addColumn<bool>("desktop");
        QTest::newRow("program menu: applications is a file") << false;
        QTest::newRow("desktop: Desktop is a file") << true;
    }
    void unwritableFolderShowsTheFailureOnce() {
        QFETCH(bool, desktop);
        openMainWindow();
        // A regular file where the folder should be: no user, root included, can write there.
        const QString blocked =
            desktop ? home() + u"/Desktop"_qs : home() + u"/data/applications"_qs;
        writeFile(blocked, "not a folder");
        app::state().Form1->Memo1->setPlainText(u"keep me"_qs);
        answerMessages();
        (desktop ? app::state().Form1->createshortcutinDesktopmenu1
                 : app::state().Form1->createShortcutinprogrammenu1)
            ->trigger();
        QCOMPARE(m_messages, QStringList{u"ショートカット作成失敗"_qs});
        QCOMPARE(readAll(blocked), QByteArray("not a folder"));
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), u"keep me"_qs);
    }

    void failureResultIsZero() {
        answerMessages();
        writeFile(home() + u"/file"_qs, "x");
        QCOMPARE(CreateShellLink(home() + u"/file/toviloeditru.desktop"_qs, u"/usr/bin/x"_qs), 0);
        QCOMPARE(CreateShellLink(home() + u"/ok/toviloeditru.desktop"_qs, u"/usr/bin/x"_qs), 1);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(CreateShellLink(home() + u"/ok/toviloeditru.desktop"_qs, QString()), 0);
        QCOMPARE(m_messages.size(), 2);
    }

private:
    QTemporaryDir m_settings;
    void openMainWindow() {
        settings::setFolderOverride(m_settings.path());
        app::state().reset();
        createApplicationWindows({QStringLiteral("toviloeditru")});
    }
};

QTEST_MAIN(TestShortcut)
#include "tst_shortcut.moc"
