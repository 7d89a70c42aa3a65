// Files that must not be lost: what the open, insert and save commands refuse, keep and notice,
// through the real main window and the command line. The permission cases run as an ordinary
// user (uid 65534): the test re-executes itself through setpriv, as root ignores permissions.
#include "encoding/fileaccess.h"
#include "encoding/outputfile.h"
#include "shell/commandline.h"
#include "shell/diskwatch.h"
#include "shell/localname.h"
#include "shell/recentfiles.h"
#include "shell/statusbar.h"
#include "view/memoview.h"
#include "windowrun.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Set in the child that runs as the ordinary user: the folder its files were prepared in.
constexpr char kOrdinaryUserDir[] = "TOVILO_ORDINARY_USER_DIR";
constexpr uid_t kNobody = 65534;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// The temporary files of ours left in a folder.
QStringList temporariesIn(const QString& folder) {
    QStringList found;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (enc::OutputFile::isTemporaryName(QFile::encodeName(name).toStdString()))
            found << name;
    return found;
}

// One run of the batch commands in this process, as main runs them, with what they print.
struct CliRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(std::vector<std::string> args) {
    args.insert(args.begin(), "toviloeditru");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    const int savedOut = ::dup(1), savedErr = ::dup(2);
    ::dup2(::fileno(out), 1);
    ::dup2(::fileno(err), 2);
    CliRun run;
    run.code = cli::run(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    ::close(savedOut);
    ::close(savedErr);
    for (auto [file, bytes] : {std::pair{out, &run.out}, std::pair{err, &run.err}}) {
        std::rewind(file);
        char block[4096];
        while (const std::size_t n = std::fread(block, 1, sizeof block, file))
            bytes->append(block, static_cast<qsizetype>(n));
        std::fclose(file);
    }
    return run;
}

std::string bytesOf(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The extended attributes of a file, name and value (the ACL is system.posix_acl_access).
QMap<QByteArray, QByteArray> attributesOf(const QString& path) {
    QMap<QByteArray, QByteArray> attributes;
    char names[4096];
    const ssize_t size = ::listxattr(bytesOf(path).c_str(), names, sizeof names);
    for (ssize_t at = 0; at < size; at += ssize_t(std::strlen(names + at)) + 1) {
        char value[4096];
        const ssize_t n = ::getxattr(bytesOf(path).c_str(), names + at, value, sizeof value);
        attributes.insert(names + at, QByteArray(value, n < 0 ? 0 : qsizetype(n)));
    }
    return attributes;
}

// Reads that reach past this many bytes of a file fail as on a failing disk.
constexpr off_t kReadableBytes = 256 * 1024;

std::ptrdiff_t failingRead(int fd, void* dst, std::size_t n) {
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at >= kReadableBytes) {
        errno = EIO;
        return -1;
    }
    return ::read(fd, dst, std::min<std::size_t>(n, static_cast<std::size_t>(kReadableBytes - at)));
}

void setText(const QString& text, int modified) {
    app::state().Form1->Memo1->setPlainText(text);
    app::state().TextModified = modified;
}

QString filePanel() {
    return app::state().Form1->StatusBar1->panelText(TStatusBar::FilePanel);
}

// --- the save targets of the ordinary user, prepared by the parent (as root where it is)

void put(const QString& path, mode_t mode, uid_t uid, gid_t gid) {
    writeBytes(path, "old");
    // Giving a file away needs root; as an ordinary user the row that needs it is skipped.
    [[maybe_unused]] const int given = ::chown(QFile::encodeName(path).constData(), uid, gid);
    ::chmod(QFile::encodeName(path).constData(), mode);
}

void folder(const QString& path, mode_t mode, uid_t uid, gid_t gid) {
    QDir().mkpath(path);
    [[maybe_unused]] const int given = ::chown(QFile::encodeName(path).constData(), uid, gid);
    ::chmod(QFile::encodeName(path).constData(), mode);
}

void linkTo(const QString& target, const QString& link) {
    QVERIFY(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) ==
            0);
}

enum class Outcome { Refused, InPlace, Replaced };

// What a row needs that only root can prepare.
enum class Needs { Nothing, OtherOwner, OtherGroup };

struct SaveTarget {
    const char* row;
    const char* target; // in the row's folder
    Outcome outcome;
    void (*prepare)(const QString& dir, uid_t user, gid_t group);
    Needs needs = Needs::Nothing;
};

const SaveTarget kSaveTargets[] = {
    {"read-only file (444): refused", "f.txt", Outcome::Refused,
     [](const QString& d, uid_t u, gid_t g) { put(d + "/f.txt", 0444, u, g); }},
    {"link to a read-only file: refused", "link.txt", Outcome::Refused,
     [](const QString& d, uid_t u, gid_t g) {
         put(d + "/f.txt", 0444, u, g);
         linkTo("f.txt", d + "/link.txt");
     }},
    {"new file in a read-only folder: refused", "ro/new.txt", Outcome::Refused,
     [](const QString& d, uid_t u, gid_t g) { folder(d + "/ro", 0555, u, g); }},
    {"writable file in a read-only folder: written in place", "ro/f.txt", Outcome::InPlace,
     [](const QString& d, uid_t u, gid_t g) {
         folder(d + "/ro", 0755, u, g);
         put(d + "/ro/f.txt", 0644, u, g);
         ::chmod(QFile::encodeName(d + "/ro").constData(), 0555);
     }},
    {"file with a second hard link: written in place", "f.txt", Outcome::InPlace,
     [](const QString& d, uid_t u, gid_t g) {
         put(d + "/f.txt", 0644, u, g);
         QVERIFY(::link(QFile::encodeName(d + "/f.txt").constData(),
                        QFile::encodeName(d + "/other.txt").constData()) == 0);
     }},
    {"another user's file writable by all: written in place", "f.txt", Outcome::InPlace,
     [](const QString& d, uid_t, gid_t) { put(d + "/f.txt", 0666, 0, 0); }, Needs::OtherOwner},
    {"own file of a group we are not in: written in place", "f.txt", Outcome::InPlace,
     [](const QString& d, uid_t u, gid_t) { put(d + "/f.txt", 0664, u, 0); }, Needs::OtherGroup},
    {"link into a read-only folder: written in place, still a link", "link.txt", Outcome::InPlace,
     [](const QString& d, uid_t u, gid_t g) {
         folder(d + "/ro", 0755, u, g);
         put(d + "/ro/f.txt", 0644, u, g);
         ::chmod(QFile::encodeName(d + "/ro").constData(), 0555);
         linkTo("ro/f.txt", d + "/link.txt");
     }},
    {"own file (640): replaced, mode kept", "f.txt", Outcome::Replaced,
     [](const QString& d, uid_t u, gid_t g) { put(d + "/f.txt", 0640, u, g); }},
};

void prepareOrdinaryUserFiles(const QString& dir, uid_t user, gid_t group) {
    for (std::size_t i = 0; i < std::size(kSaveTargets); ++i) {
        const QString rowDir = dir + "/r" + QString::number(i);
        folder(rowDir, 0777, 0, 0);
        kSaveTargets[i].prepare(rowDir, user, group);
    }
    writeBytes(dir + "/source.txt", "new text");
    folder(dir + "/secret", 0777, 0, 0);
    put(dir + "/secret/secret.txt", 0200, user, group);
}

} // namespace

// Runs as the ordinary user, started by TestFileSafety::asAnOrdinaryUser.
class TestAsOrdinaryUser : public QObject {
    Q_OBJECT
    QString m_dir = qEnvironmentVariable(kOrdinaryUserDir);
    std::unique_ptr<WindowRun> m_run;

private slots:
    void initTestCase() {
        QVERIFY2(::geteuid() != 0, "still root: the permission cases would prove nothing");
    }
    void init() {
        m_run = std::make_unique<WindowRun>();
        m_run->start();
        app::state().Form1->show();
    }
    void cleanup() { m_run.reset(); }

    void saveTargets_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < std::size(kSaveTargets); ++i)
            QTest::newRow(kSaveTargets[i].row) << int(i);
    }
    void saveTargets() {
        QFETCH(int, index);
        const SaveTarget& row = kSaveTargets[index];
        const QString rowDir = m_dir + "/r" + QString::number(index);
        const QString target = rowDir + "/" + row.target;
        const QFileInfo info(target);
        const QString real = info.isSymLink() ? info.symLinkTarget() : target;
        const struct stat before = statOf(real);
        if ((row.needs == Needs::OtherOwner && before.st_uid == ::getuid()) ||
            (row.needs == Needs::OtherGroup && before.st_gid == ::getgid()))
            QSKIP("needs a file that only root can give away: run the suite as root");
        const bool existed = QFile::exists(real);
        const QByteArray oldBytes = existed ? readAll(real) : QByteArray("<missing>");

        // The inode each route starts from: a replacement frees the old one, which the next
        // replacement may be given again.
        ino_t lastInode = before.st_ino;
        const auto check = [&](const char* route) {
            const struct stat after = statOf(real);
            const QByteArray expected = row.outcome == Outcome::Refused ? oldBytes : "new text";
            QVERIFY2(readAll(real) == expected, route);
            QVERIFY2(info.isSymLink() == QFileInfo(target).isSymLink(), route);
            if (existed) {
                QVERIFY2(after.st_mode == before.st_mode, route);
                QVERIFY2(after.st_uid == before.st_uid && after.st_gid == before.st_gid, route);
                QVERIFY2(after.st_nlink == before.st_nlink, route);
                QVERIFY2((after.st_ino == lastInode) == (row.outcome != Outcome::Replaced), route);
            }
            lastInode = after.st_ino;
            QVERIFY2(temporariesIn(QFileInfo(real).path()).isEmpty(), route);
            if (QFile::exists(rowDir + "/other.txt"))
                QVERIFY2(readAll(rowDir + "/other.txt") == expected, route);
        };

        setText("new text", 1);
        app::state().RememberedFileName = target;
        Answers answers({"OK"});
        app::state().Form1->overwritesavefileUTF81Click();
        if (row.outcome == Outcome::Refused) {
            QCOMPARE(answers.seen, QStringList{"can't file open"});
            QCOMPARE(answers.details, QStringList{target + "\n" + reason(EACCES)});
            QCOMPARE(app::state().TextModified, 1);
        } else {
            QCOMPARE(answers.seen, QStringList());
            QCOMPARE(app::state().TextModified, 0);
        }
        check("overwrite save");
        if (QTest::currentTestFailed())
            return;

        const CliRun run = runCli({"--convert", bytesOf(m_dir + "/source.txt"), bytesOf(target)});
        QCOMPARE(run.code, row.outcome == Outcome::Refused ? 1 : 0);
        if (row.outcome == Outcome::Refused)
            QCOMPARE(QString::fromLocal8Bit(run.err),
                     "toviloeditru: can't file open: " + target + ": " + reason(EACCES) + "\n");
        check("--convert");
    }

    // A file that may not be read: the open fails and leaves nothing that a save would use.
    void unreadableFileIsNotTheSaveTarget() {
        const QString secret = m_dir + "/secret/secret.txt";
        const struct stat before = statOf(secret);
        setText("mine", 1);
        const QString panel = filePanel();
        Answers answers({"pick:" + secret, "OK", "cancel"});
        app::state().Form1->opentextfile1Click();
        QCOMPARE(answers.seen, QStringList({"file dialog", "can't file open"}));
        QCOMPARE(answers.details.value(0), secret + "\n" + reason(EACCES));
        QCOMPARE(app::state().RememberedFileName, QString());
        QCOMPARE(filePanel(), panel);
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), QStringLiteral("mine"));
        // With nothing remembered the overwrite save asks for a name.
        app::state().Form1->overwritesavefileUTF81Click();
        QCOMPARE(answers.seen.last(), QStringLiteral("file dialog"));
        const struct stat after = statOf(secret);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    }
};

class TestFileSafety : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowRun> m_run;

    QString path(const QString& name) const { return m_run->path(name); }

    // A file of the given kind that cannot be read, made for a test row; empty when this file
    // system cannot hold it.
    void makeUnreadable(const QString& kind, QString& file) {
        file = path("input-" + kind + ".txt"); // the open dialog adds .txt to a bare name
        const QByteArray local = QFile::encodeName(file);
        if (kind == "fifo") {
            QVERIFY(::mkfifo(local.constData(), 0600) == 0);
        } else if (kind == "socket") {
            const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, local.constData(), sizeof address.sun_path - 1);
            const bool bound =
                ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(s);
            QVERIFY(bound);
        } else if (kind == "device") {
            linkTo("/dev/zero", file);
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(file));
        } else if (kind == "eio") {
            writeBytes(file, QByteArray(1 << 20, 'a'));
            enc::testing::SetReadCall(failingRead);
        } else if (kind == "huge") {
            // As large as the machine's memory, which holds no text twice that size; sparse,
            // so it costs no disk.
            QFile f(file);
            if (!f.open(QIODevice::WriteOnly) || !f.resize(qint64(enc::PhysicalMemory())))
                file.clear();
        }
    }

    // A conversion into the temporary folder's "busy" folder that is still writing: a sparse
    // input of 4 GB of NUL bytes (each one a line) takes far longer than the test waits.
    void startLongConversion(QProcess& convert) {
        const QString in = path("large.txt");
        if (!QFile::exists(in)) {
            QFile f(in);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(4) << 30));
        }
        QDir().mkpath(path("busy"));
        convert.setChildProcessModifier([] {
            for (const int s : {SIGINT, SIGTERM, SIGHUP})
                std::signal(s, SIG_DFL); // not ignored, whatever started the test
        });
        convert.start(TOVILO_PROGRAM, {"--convert", in, path("busy/out.txt")});
        QVERIFY(convert.waitForStarted());
        const auto writing = [&] {
            const QStringList temporaries = temporariesIn(path("busy"));
            return !temporaries.isEmpty() &&
                   QFileInfo(path("busy/" + temporaries.first())).size() > 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(writing(), 20000);
    }

private slots:
    void init() {
        m_run = std::make_unique<WindowRun>();
        // The records of temporaries go to a state folder of the test's own.
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_run->path("state")));
        m_run->start();
        app::state().Form1->show();
    }
    void cleanup() {
        enc::testing::SetReadCall(nullptr);
        m_run.reset();
    }

    // A file that cannot be read is refused by every command with its reason; one that exists
    // changes nothing, not even the file a later overwrite save goes to.
    void fileThatCannotBeRead_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::addColumn<bool>("commandLine");
        QTest::newRow("name that does not exist") << "missing" << reason(ENOENT) << true;
        QTest::newRow("FIFO without a writer") << "fifo"
                                               << "not a regular file" << true;
        QTest::newRow("/dev/zero (through a link)") << "device"
                                                    << "not a regular file" << true;
        QTest::newRow("socket") << "socket"
                                << "not a regular file" << true;
        QTest::newRow("folder") << "folder"
                                << "not a regular file" << true;
        QTest::newRow("read error after 256 KB (EIO)") << "eio" << reason(EIO) << true;
        // The command line streams, so memory never limits it.
        QTest::newRow("sparse file as large as the memory") << "huge"
                                                            << "too big for memory" << false;
    }
    void fileThatCannotBeRead() {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QFETCH(bool, commandLine);
        QString file;
        makeUnreadable(kind, file);
        if (QTest::currentTestFailed())
            return;
        if (file.isEmpty())
            QSKIP("this file system cannot hold a sparse file as large as the memory");
        setText("precious", 0);
        app::state().RememberedFileName = "before.txt";
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, "before");

        Answers answers({"pick:" + file, "OK", "pick:" + file, "OK"});
        app::state().Form1->opentextfile1Click();
        QCOMPARE(answers.seen, QStringList({"file dialog", "can't file open"}));
        QCOMPARE(answers.details, QStringList{file + "\n" + why});
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), QStringLiteral("precious"));
        QVERIFY(app::state().Form1->Memo1->isVisible());
        if (kind == "missing") { // remembered, so that an overwrite save creates it
            QCOMPARE(app::state().RememberedFileName, file);
            QCOMPARE(filePanel(), "UTF-8 nonBOM  " + file);
        } else {
            QCOMPARE(app::state().RememberedFileName, QStringLiteral("before.txt"));
            QCOMPARE(filePanel(), QStringLiteral("before"));
        }
        app::state().Form1->inserttextfile1Click();
        QCOMPARE(answers.details.value(1), file + "\n" + why);
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), QStringLiteral("precious"));
        QCOMPARE(app::state().TextModified, 0);

        if (!commandLine)
            return;
        const QString expected = "toviloeditru: can't file open: " + file + ": " + why + "\n";
        for (const char* option : {"--convert", "--export-html", "--export-c"}) {
            const CliRun run = runCli({option, bytesOf(file), bytesOf(path("out.txt"))});
            QCOMPARE(run.code, 1);
            QCOMPARE(QString::fromLocal8Bit(run.err), expected);
            QVERIFY(!QFile::exists(path("out.txt")));
            QCOMPARE(temporariesIn(m_run->path({})), QStringList());
        }
        // Detection reads only the first 60 KB, which the failing disk still gives.
        if (kind == "eio")
            return;
        const CliRun detect = runCli({"--detect", bytesOf(file)});
        QCOMPARE(detect.code, 1);
        QCOMPARE(QString::fromLocal8Bit(detect.err), expected);
    }

    // The usage and the version print on standard output and end the program at once.
    void helpAndVersion_data() {
        QTest::addColumn<QByteArray>("option");
        QTest::addColumn<QString>("shown");
        QTest::newRow("--help") << QByteArray("--help") << u"--convert IN OUT"_qs;
        QTest::newRow("-h") << QByteArray("-h") << u"--detect FILE..."_qs;
        QTest::newRow("--version") << QByteArray("--version") << u"toviloeditru 0."_qs;
        QTest::newRow("--help lists --from") << QByteArray("--help") << u"cp866 (ibm866)"_qs;
    }
    void helpAndVersion() {
        QFETCH(QByteArray, option);
        QFETCH(QString, shown);
        QVERIFY(cli::isCommand(option.constData()));
        const CliRun run = runCli({option.toStdString()});
        QCOMPARE(run.code, 0);
        QVERIFY2(QString::fromLocal8Bit(run.out).contains(shown), run.out.constData());
        QCOMPARE(run.err, QByteArray());
    }

    // --from NAME, before the command or right after it, reads IN in that encoding; IN and OUT
    // in the arguments stand for the files.
    void fromOption_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("printed"); // standard output, IN replaced by "IN"
        QTest::addColumn<QByteArray>("out");     // what OUT holds afterwards
        QTest::addColumn<QString>("error");
        const QByteArray none = "<missing>";
        const QByteArray privet1251(
            "\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xEC\xE8\xF0"); // SJIS by detection
        const QByteArray privetUtf8 = u"Привет\r\nмир"_qs.toUtf8();
        QTest::newRow("--convert --from windows-1251")
            << QStringList{"--convert", "--from", "windows-1251", "IN", "OUT"} << privet1251 << 0
            << QByteArray() << privetUtf8 << "";
        QTest::newRow("--from CP1251 --convert: before the command, in capitals")
            << QStringList{"--from", "CP1251", "--convert", "IN", "OUT"} << privet1251 << 0
            << QByteArray() << privetUtf8 << "";
        QTest::newRow("--export-c --from koi8-r: Ёё")
            << QStringList{"--export-c", "--from", "koi8-r", "IN", "OUT"} << QByteArray("\xB3\xA3")
            << 0 << QByteArray()
            << QByteArray("  wchar_t unicodestr[]={\r\n    0x401,0x451,0\r\n  };") << "";
        QTest::newRow("--detect --from IBM866")
            << QStringList{"--detect", "--from", "IBM866", "IN"} << privet1251 << 0
            << QByteArray("CP866  IN\n") << none << "";
        QTest::newRow("--detect --from utf-16le on a file without a mark")
            << QStringList{"--detect", "--from", "utf-16le", "IN"} << QByteArray("a\0", 2) << 0
            << QByteArray("UTF16 nonBOM LE  IN\n") << none << "";
        QTest::newRow("--from Shift_JIS on a UTF-8 file: detection skipped")
            << QStringList{"--from", "Shift_JIS", "--convert", "IN", "OUT"}
            << QByteArray("\xD0\x96") << 0 << QByteArray() << QByteArray("\xEF\xBE\x90\xE2\x96\xA1")
            << "";
        QTest::newRow("unknown name: the names listed, nothing written")
            << QStringList{"--convert", "--from", "latin1", "IN", "OUT"} << privet1251 << 1
            << QByteArray() << none
            << "toviloeditru: unknown encoding: latin1 (known: shift_jis, euc-jp, utf-16le, "
               "utf-16be, utf-8, windows-1251 (cp1251), koi8-r, cp866 (ibm866))\n";
        QTest::newRow("--from without a command")
            << QStringList{"--from", "koi8-r", "IN"} << privet1251 << 1 << QByteArray() << none
            << "toviloeditru: usage: --from NAME with --convert, --export-html, --export-c or "
               "--detect\n";
    }
    void fromOption() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, in);
        QFETCH(int, code);
        QFETCH(QByteArray, printed);
        QFETCH(QByteArray, out);
        QFETCH(QString, error);
        writeBytes(path("in.txt"), in);
        std::vector<std::string> argv;
        for (const QString& arg : args)
            argv.push_back(arg == "IN"    ? bytesOf(path("in.txt"))
                           : arg == "OUT" ? bytesOf(path("out.txt"))
                                          : arg.toStdString());
        QVERIFY(cli::isCommand(argv[0].c_str()));
        const CliRun run = runCli(argv);
        QCOMPARE(QString::fromLocal8Bit(run.err), error);
        QCOMPARE(run.code, code);
        QCOMPARE(QByteArray(run.out).replace(QFile::encodeName(path("in.txt")), "IN"), printed);
        QCOMPARE(readAll(path("out.txt")), out);
    }

    // Opening over modified text offers to save it first; the open goes on only when the text
    // is safe or the user let it go.
    void openOverModifiedText_data() {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray none = "<missing>";
        QTest::newRow("unmodified: opened without a question")
            << false << "kept.txt" << QStringList{} << QStringList{} << true << none;
        QTest::newRow("modified, No: opened, nothing saved")
            << true << "kept.txt" << QStringList{"No"} << QStringList{"Save file?"} << true << none;
        QTest::newRow("modified, Yes: saved to the remembered file, then opened")
            << true << "kept.txt" << QStringList{"Yes"} << QStringList{"Save file?"} << true
            << QByteArray("typed");
        QTest::newRow("modified, Yes, no name yet, save dialog cancelled: not opened")
            << true << "" << QStringList{"Yes", "cancel"}
            << QStringList{"Save file?", "file dialog"} << false << none;
        QTest::newRow("modified, Yes, the save fails: not opened")
            << true << "no folder/kept.txt" << QStringList{"Yes", "OK"}
            << QStringList{"Save file?", "can't file open"} << false << none;
    }
    void openOverModifiedText() {
        QFETCH(bool, modified);
        QFETCH(QString, remembered);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, questions);
        QFETCH(bool, opened);
        QFETCH(QByteArray, saved);
        writeBytes(path("in.txt"), "from disk");
        setText("typed", modified ? 1 : 0);
        app::state().RememberedFileName = remembered.isEmpty() ? QString() : path(remembered);
        Answers answers(QStringList{"pick:" + path("in.txt")} + steps);
        app::state().Form1->opentextfile1Click();
        QCOMPARE(answers.seen, QStringList{"file dialog"} + questions);
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), opened ? "from disk" : "typed");
        QCOMPARE(app::state().TextModified, opened ? 0 : 1);
        QCOMPARE(readAll(path("kept.txt")), saved);
    }

    // The file read is watched: a change by another program is reported with the offer to
    // reload it, and an overwrite save asks before replacing it.
    void changesOnDisk_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("onDisk");
        const QString reload = "File changed on disk. Reload?";
        QTest::newRow("appended, Yes to reload: the file's new text")
            << "append" << QStringList{"Yes"} << QStringList{reload} << false << "one\ntwo"
            << QByteArray("one\r\ntwo");
        QTest::newRow("appended, No to reload, No to overwrite: the file stays")
            << "append" << QStringList{"No", "No"}
            << QStringList{reload, "File changed on disk. Overwrite?"} << true << "one"
            << QByteArray("one\r\ntwo");
        QTest::newRow("appended, No to reload, Yes to overwrite: the text is saved")
            << "append" << QStringList{"No", "Yes"}
            << QStringList{reload, "File changed on disk. Overwrite?"} << true << "one"
            << QByteArray("one");
        QTest::newRow("deleted, Yes to save it again: the file comes back")
            << "delete" << QStringList{"OK", "Yes"}
            << QStringList{"File deleted on disk.", "File deleted on disk. Save it again?"} << true
            << "one" << QByteArray("one");
        QTest::newRow("replaced by a rename, Yes to reload")
            << "rename" << QStringList{"Yes"} << QStringList{reload} << false << "renamed"
            << QByteArray("renamed");
        QTest::newRow("typed, appended, Yes to reload, No to Save file?: reloaded")
            << "type, append" << QStringList{"Yes", "No"} << QStringList{reload, "Save file?"}
            << false << "one\ntwo" << QByteArray("one\r\ntwo");
        QTest::newRow("typed, saved twice by the editor, appended: asked once")
            << "type, save, append" << QStringList{"Yes"} << QStringList{reload} << false
            << "mine\ntwo" << QByteArray("mine\r\ntwo");
        QTest::newRow("reopened as Windows-1251, мир appended, Yes to reload: Windows-1251 again")
            << "reopen 1251, append 1251" << QStringList{"Yes"} << QStringList{reload} << false
            << "one\nмир" << QByteArray("one\r\n\xEC\xE8\xF0");
    }
    void changesOnDisk() {
        QFETCH(QString, change);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, questions);
        QFETCH(bool, overwrite);
        QFETCH(QString, text);
        QFETCH(QByteArray, onDisk);
        const QString file = path("watched.txt");
        writeBytes(file, "one");
        Answers answers(QStringList{"pick:" + file} + steps);
        app::state().Form1->opentextfile1Click();
        if (change.contains("reopen 1251"))
            app::state().Form1->reopenas1->actions().at(enc::ReadWindows1251)->trigger();
        if (change.contains("type"))
            app::state().Form1->Memo1->setPlainText("mine");
        if (change.contains("save")) {
            app::state().Form1->overwritesavefileUTF81Click();
            app::state().Form1->overwritesavefileUTF81Click();
            QTest::qWait(300); // the watcher's news of our own writes
        }
        if (change.contains("append")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::Append));
            f.write(change.contains("append 1251") ? "\r\n\xEC\xE8\xF0" : "\r\ntwo");
        } else if (change == "delete") {
            QVERIFY(QFile::remove(file));
        } else if (change == "rename") {
            writeBytes(path("new.txt"), "renamed");
            QVERIFY(::rename(bytesOf(path("new.txt")).c_str(), bytesOf(file).c_str()) == 0);
        }
        QTRY_VERIFY(answers.seen.size() > 1);
        if (overwrite)
            app::state().Form1->overwritesavefileUTF81Click();
        QTest::qWait(100); // no further question comes
        QCOMPARE(answers.seen, QStringList{"file dialog"} + questions);
        QCOMPARE(answers.details.value(0), file);
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), text);
        QCOMPARE(readAll(file), onDisk);
    }

    // A notice of a change on disk that comes while another file is read (the read hands the
    // event loop round to paint its progress) waits for the read: the file read arrives whole,
    // and the notice is then about the file that is open, which has not changed.
    void aReloadDuringAReadWaitsForIt() {
        const QString before = path("before.txt");
        const QString big = path("big.txt");
        writeBytes(before, "one");
        const QByteArray line = QByteArray(99, 'x') + "\r\n";
        constexpr int kLines = 80000; // 8 MB: the read reports its progress many times
        writeBytes(big, line.repeated(kLines));
        Answers answers(QStringList{"pick:" + before, "pick:" + big, "Yes", "Yes"});
        app::state().Form1->opentextfile1Click();
        QTimer::singleShot(0, [&] {
            QFile f(before);
            QVERIFY(f.open(QIODevice::Append));
            f.write("\r\ntwo");
            f.close();
            emit app::state().Form1->diskWatch().changedOnDisk();
        });
        app::state().Form1->opentextfile1Click();
        QTest::qWait(300); // the notice that waited, and the watcher's own news of the append
        QCOMPARE(answers.seen, (QStringList{"file dialog", "file dialog"}));
        QCOMPARE(app::state().Form1->Memo1->buffer().length(), qint64(kLines) * 101 - 2);
        QCOMPARE(app::state().RememberedFileName, big);
        QCOMPARE(app::state().TextModified, 0);
    }

    // On a full disk the save fails with its reason and the old file stays whole.
    void fullDisk_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("overwrite save, file replaced by a rename") << "replace";
        QTest::newRow("overwrite save, file with a second hard link (in place)") << "link";
        QTest::newRow("--convert") << "cli";
    }
    void fullDisk() {
        QFETCH(QString, route);
        const QString disk = path("disk");
        QDir().mkpath(disk);
        if (::mount("tmpfs", bytesOf(disk).c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") !=
            0)
            QSKIP(qPrintable("cannot mount a small tmpfs here (" + reason(errno) + ")"));
        const auto unmount = qScopeGuard([&] { ::umount2(bytesOf(disk).c_str(), MNT_DETACH); });
        const QString old = disk + "/old.txt";
        writeBytes(old, "old contents");
        if (route == "link")
            QVERIFY(::link(bytesOf(old).c_str(), bytesOf(disk + "/other.txt").c_str()) == 0);
        QFile filler(disk + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
        filler.close();
        const QString text(100000, u'ж');
        if (route == "cli") {
            writeBytes(path("big.txt"), text.toUtf8());
            const CliRun run = runCli({"--convert", bytesOf(path("big.txt")), bytesOf(old)});
            QCOMPARE(run.code, 1);
            QCOMPARE(QString::fromLocal8Bit(run.err),
                     "toviloeditru: can't write file: " + old + ": " + reason(ENOSPC) + "\n");
        } else {
            setText(text, 1);
            app::state().RememberedFileName = old;
            Answers answers({"OK"});
            app::state().Form1->overwritesavefileUTF81Click();
            QCOMPARE(answers.seen, QStringList{"can't file open"});
            QCOMPARE(answers.details, QStringList{old + "\n" + reason(ENOSPC)});
            QCOMPARE(app::state().TextModified, 1);
        }
        QCOMPARE(readAll(old), QByteArray("old contents"));
        QCOMPARE(temporariesIn(disk), QStringList());
        if (route == "link")
            QCOMPARE(statOf(old).st_nlink, nlink_t(2));
    }

    // A replaced file keeps its ACL and its other extended attributes.
    void attributesKept_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("route");
        QTest::newRow("ACL entry for user 65534, overwrite save") << "acl"
                                                                  << "save";
        QTest::newRow("ACL entry for user 65534, --convert") << "acl"
                                                             << "cli";
        QTest::newRow("user.origin attribute, overwrite save") << "user"
                                                               << "save";
        QTest::newRow("user.origin attribute, --convert") << "user"
                                                          << "cli";
    }
    void attributesKept() {
        QFETCH(QString, kind);
        QFETCH(QString, route);
        const QString file = path("old.txt");
        writeBytes(file, "old");
        ::chmod(bytesOf(file).c_str(), 0640);
        if (kind == "acl") {
            QProcess setfacl;
            setfacl.setProcessChannelMode(QProcess::MergedChannels);
            setfacl.start("setfacl", {"-m", "u:65534:rw", file});
            QVERIFY2(setfacl.waitForFinished(),
                     "setfacl did not run: install the acl package (test.sh does)");
            if (setfacl.exitCode() != 0)
                QSKIP(qPrintable("this file system keeps no ACL: " + setfacl.readAll()));
        } else if (::setxattr(bytesOf(file).c_str(), "user.origin", "tovilo", 6, 0) != 0) {
            QSKIP(qPrintable("this file system keeps no user.* attributes: " + reason(errno)));
        }
        const QMap<QByteArray, QByteArray> before = attributesOf(file);
        QVERIFY(before.contains(kind == "acl" ? "system.posix_acl_access" : "user.origin"));
        const struct stat old = statOf(file);
        if (route == "cli") {
            writeBytes(path("in.txt"), "new text");
            QCOMPARE(runCli({"--convert", bytesOf(path("in.txt")), bytesOf(file)}).code, 0);
        } else {
            setText("new text", 1);
            app::state().RememberedFileName = file;
            Answers answers;
            app::state().Form1->overwritesavefileUTF81Click();
            QCOMPARE(answers.seen, QStringList());
        }
        QCOMPARE(readAll(file), QByteArray("new text"));
        QCOMPARE(attributesOf(file), before);
        QCOMPARE(statOf(file).st_mode, old.st_mode);
        QVERIFY(statOf(file).st_ino != old.st_ino); // replaced by a rename, not written in place
    }

    // A write beyond the file-size limit (ulimit -f) is reported like a full disk: the program
    // goes on, the old file stays whole and no temporary is left. The window's save runs here
    // under a lowered limit; the command line runs the program itself under it.
    void fileSizeLimit_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("overwrite save, file replaced by a rename") << "replace";
        QTest::newRow("overwrite save, file with a second hard link (in place)") << "link";
        QTest::newRow("toviloeditru --convert") << "cli";
    }
    void fileSizeLimit() {
        QFETCH(QString, route);
        constexpr rlim_t kLimit = 64 * 1024;
        const QString old = path("old.txt");
        writeBytes(old, "old contents");
        if (route == "link")
            QVERIFY(::link(bytesOf(old).c_str(), bytesOf(path("other.txt")).c_str()) == 0);
        const QString text(100000, u'ж');
        if (route == "cli") {
            writeBytes(path("big.txt"), text.toUtf8());
            QProcess convert;
            convert.setChildProcessModifier([] {
                std::signal(SIGXFSZ, SIG_DFL); // not ignored, whatever started the test
                rlimit limit{};
                ::getrlimit(RLIMIT_FSIZE, &limit);
                limit.rlim_cur = kLimit;
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
            convert.start(TOVILO_PROGRAM, {"--convert", path("big.txt"), old});
            QVERIFY(convert.waitForFinished(20000));
            QCOMPARE(convert.exitStatus(), QProcess::NormalExit);
            QCOMPARE(convert.exitCode(), 1);
            QCOMPARE(QString::fromLocal8Bit(convert.readAllStandardError()),
                     "toviloeditru: can't write file: " + old + ": " + reason(EFBIG) + "\n");
        } else {
            setText(text, 1);
            app::state().RememberedFileName = old;
            Answers answers({"OK"});
            rlimit limit{};
            QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
            const rlimit before = limit;
            limit.rlim_cur = kLimit;
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
            app::state().Form1->overwritesavefileUTF81Click();
            ::setrlimit(RLIMIT_FSIZE, &before);
            QCOMPARE(answers.seen, QStringList{"can't file open"});
            QCOMPARE(answers.details, QStringList{old + "\n" + reason(EFBIG)});
            QCOMPARE(app::state().TextModified, 1);
        }
        QCOMPARE(readAll(old), QByteArray("old contents"));
        QCOMPARE(temporariesIn(m_run->path({})), QStringList());
        if (route == "link")
            QCOMPARE(statOf(old).st_nlink, nlink_t(2));
    }

    // A file written in place (it has a second hard link) is copied into the state folder
    // first: SIGTERM during the write waits until the new text is whole, SIGKILL leaves the
    // old text whole in the copy, and where no copy can be kept nothing is written unless the
    // user agrees.
    void inPlaceSave_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("SIGTERM during an in-place --convert: the new text whole, no copy left")
            << "SIGTERM";
        QTest::newRow("SIGKILL during an in-place --convert: the old text kept in the state folder")
            << "SIGKILL";
        QTest::newRow("no room for the copy, --convert: refused, the file unchanged") << "cli";
        QTest::newRow("no room for the copy, save, No: the file unchanged") << "No";
        QTest::newRow("no room for the copy, save, Yes: written in place") << "Yes";
    }
    void inPlaceSave() {
        QFETCH(QString, route);
        const QString target = path("old.txt");
        const QByteArray old = "old contents";
        writeBytes(target, old);
        QVERIFY(::link(bytesOf(target).c_str(), bytesOf(path("other.txt")).c_str()) == 0);
        const QString state = qEnvironmentVariable("XDG_STATE_HOME") + "/toviloeditru";
        const auto copies = [&] { return QDir(state).entryList({"inplace-*"}, QDir::Files); };

        if (route.startsWith("SIG")) {
            // 100 MB of lines without a line break at the end, which the conversion writes back
            // byte for byte.
            const QByteArray line = QByteArray(98, 'x') + "\r\n";
            QByteArray text = line.repeated(1 << 20);
            text.chop(2);
            writeBytes(path("in.txt"), text);
            QProcess convert;
            convert.setChildProcessModifier([] {
                for (const int s : {SIGINT, SIGTERM, SIGHUP})
                    std::signal(s, SIG_DFL); // not ignored, whatever started the test
            });
            convert.start(TOVILO_PROGRAM, {"--convert", path("in.txt"), target});
            QVERIFY(convert.waitForStarted());
            const qint64 pid = convert.processId();
            // The moment the old file starts to change (its room is reserved first).
            const auto start = std::chrono::steady_clock::now();
            while (statOf(target).st_size == old.size() &&
                   std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
                ::usleep(200);
            QVERIFY2(statOf(target).st_size != old.size(), "the write in place never began");
            ::kill(static_cast<pid_t>(convert.processId()), route == "SIGTERM" ? SIGTERM : SIGKILL);
            QVERIFY(convert.waitForFinished(60000));
            QCOMPARE(convert.exitStatus(), QProcess::CrashExit); // ended by the signal
            if (route == "SIGTERM") {
                QVERIFY2(readAll(target) == text, "the file is not the whole new text");
                QCOMPARE(copies(), QStringList());
            } else {
                QCOMPARE(copies().size(), 1);
                const QByteArray copy = readAll(state + "/" + copies().first());
                QCOMPARE(copy.left(copy.indexOf('\0') + 1),
                         "toviloeditru in-place copy\n" + QByteArray::number(pid) + "\n" +
                             QByteArray::number(old.size()) + "\n" + QFile::encodeName(target) +
                             '\0');
                QCOMPARE(copy.mid(copy.indexOf('\0') + 1), old);
                QCOMPARE(statOf(state + "/" + copies().first()).st_mode & 0777, mode_t(0600));
            }
            QCOMPARE(statOf(target).st_nlink, nlink_t(2));
            return;
        }

        // A state folder on a full disk.
        const QString disk = path("fullstate");
        QDir().mkpath(disk);
        if (::mount("tmpfs", bytesOf(disk).c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
            QSKIP(qPrintable("cannot mount a small tmpfs here (" + reason(errno) + ")"));
        const auto unmount = qScopeGuard([&] { ::umount2(bytesOf(disk).c_str(), MNT_DETACH); });
        QFile filler(disk + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
        filler.close();
        const QByteArray oldState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(disk));
        const auto restore = qScopeGuard([&] { qputenv("XDG_STATE_HOME", oldState); });
        const QString why =
            "no copy of the file can be kept while it is written in place: " + reason(ENOSPC);
        if (route == "cli") {
            writeBytes(path("in.txt"), "new text");
            const CliRun run = runCli({"--convert", bytesOf(path("in.txt")), bytesOf(target)});
            QCOMPARE(run.code, 1);
            QCOMPARE(QString::fromLocal8Bit(run.err),
                     "toviloeditru: can't write file: " + target + ": " + why + "\n");
        } else {
            setText("new text", 1);
            app::state().RememberedFileName = target;
            Answers answers({route});
            app::state().Form1->overwritesavefileUTF81Click();
            QCOMPARE(answers.seen, QStringList{"No copy of the file can be kept while it is "
                                               "overwritten. Save without a copy?"});
            QCOMPARE(answers.details, QStringList{target + "\n" + why});
            QCOMPARE(app::state().TextModified, route == "Yes" ? 0 : 1);
        }
        QCOMPARE(readAll(target), route == "Yes" ? QByteArray("new text") : old);
        QCOMPARE(readAll(path("other.txt")), readAll(target));
        QCOMPARE(QDir(disk + "/toviloeditru").entryList(QDir::Files), QStringList());
    }

    // A conversion ended by a signal part way leaves no temporary file behind.
    void signalRemovesTheTemporary_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void signalRemovesTheTemporary() {
        QFETCH(int, signal);
        // 4 GB of NUL bytes, each one a line: the conversion takes far longer than the test
        // waits, and the sparse file costs no disk.
        const QString in = path("large.txt");
        {
            QFile f(in);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(4) << 30));
        }
        QProcess convert;
        convert.setChildProcessModifier([] {
            for (const int s : {SIGINT, SIGTERM, SIGHUP})
                std::signal(s, SIG_DFL); // not ignored, whatever started the test
        });
        convert.start(TOVILO_PROGRAM, {"--convert", in, path("out.txt")});
        QVERIFY(convert.waitForStarted());
        const auto writing = [&] {
            const QStringList temporaries = temporariesIn(m_run->path({}));
            return !temporaries.isEmpty() && QFileInfo(path(temporaries.first())).size() > 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(writing(), 20000);
        QCOMPARE(convert.state(), QProcess::Running); // part way
        ::kill(static_cast<pid_t>(convert.processId()), signal);
        QVERIFY(convert.waitForFinished(20000));
        QCOMPARE(convert.exitStatus(), QProcess::CrashExit); // ended by the signal itself
        QCOMPARE(temporariesIn(m_run->path({})), QStringList());
        QVERIFY(!QFile::exists(path("out.txt")));
    }

    // A save removes the temporaries that programs killed outright (SIGKILL, a power cut) left
    // behind, in any folder, as their records in the state folder name them; never a file for
    // its name alone, nor one a save still running is writing.
    void staleTemporaries_data() {
        QTest::addColumn<QString>("left");
        QTest::addColumn<bool>("removed");
        QTest::newRow("recorded by a conversion killed with SIGKILL: removed") << "killed" << true;
        QTest::newRow("recorded by a conversion still running: kept") << "running" << false;
        QTest::newRow("recorded, killed, the name since given to a file of the user: kept")
            << "renamed" << false;
        QTest::newRow("user's .notes.toviloeditru-backup, two hours old: kept")
            << ".notes.toviloeditru-backup" << false;
        QTest::newRow("unrecorded .out.txt.toviloeditru-Ab12Cd, two hours old: kept")
            << ".out.txt.toviloeditru-Ab12Cd" << false;
    }
    void staleTemporaries() {
        QFETCH(QString, left);
        QFETCH(bool, removed);
        QProcess convert;
        const auto stop = qScopeGuard([&] {
            convert.kill();
            convert.waitForFinished(20000);
        });
        QString file;
        if (left.startsWith('.')) {
            QDir().mkpath(path("busy"));
            file = path("busy/" + left);
            writeBytes(file, "the user's own");
            const timespec times[2] = {{std::time(nullptr) - 7200, 0},
                                       {std::time(nullptr) - 7200, 0}};
            QVERIFY(::utimensat(AT_FDCWD, bytesOf(file).c_str(), times, 0) == 0);
        } else {
            startLongConversion(convert);
            if (QTest::currentTestFailed())
                return;
            file = path("busy/" + temporariesIn(path("busy")).value(0));
            if (left != "running") {
                convert.kill();
                QVERIFY(convert.waitForFinished(20000));
                QVERIFY(QFile::exists(file));
            }
            if (left == "renamed") {
                QVERIFY(QFile::remove(file));
                writeBytes(file, "the user's own");
            }
        }
        // The state folder and its records are the user's alone.
        const QString state = qEnvironmentVariable("XDG_STATE_HOME") + "/toviloeditru";
        if (left == "running") {
            QCOMPARE(statOf(state).st_mode & 0777, mode_t(0700));
            const QStringList records = QDir(state).entryList(QDir::Files);
            QCOMPARE(records.size(), 1);
            QCOMPARE(statOf(state + "/" + records.first()).st_mode & 0777, mode_t(0600));
        }
        // A look-alike is saved beside, where a sweep by names would look; a recorded temporary
        // is removed by a save into any folder.
        writeBytes(path("in.txt"), "text");
        QDir().mkpath(path("elsewhere"));
        const QString out = left.startsWith('.') ? path("busy/out.txt") : path("elsewhere/out.txt");
        QCOMPARE(runCli({"--convert", bytesOf(path("in.txt")), bytesOf(out)}).code, 0);
        QCOMPARE(QFile::exists(file), !removed);
        if (removed || left == "renamed")
            QCOMPARE(QDir(state).entryList(QDir::Files), QStringList());
        if (!removed && left != "running")
            QCOMPARE(readAll(file), QByteArray("the user's own"));
    }

    // Names on the command line are used as the bytes given, also when they are not UTF-8.
    void namesKeptByteForByte_data() {
        QTest::addColumn<QByteArray>("option");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("--convert to out FF .txt")
            << QByteArray("--convert") << QByteArray("in.txt") << QByteArray("out\xff.txt");
        QTest::newRow("--convert from in FE FD .txt")
            << QByteArray("--convert") << QByteArray("in\xfe\xfd.txt") << QByteArray("out.txt");
        QTest::newRow("--export-html to Latin-1 caf E9 .html")
            << QByteArray("--export-html") << QByteArray("in.txt") << QByteArray("caf\xe9.html");
        QTest::newRow("--detect of in FE FD .txt")
            << QByteArray("--detect") << QByteArray("in\xfe\xfd.txt") << QByteArray();
    }
    void namesKeptByteForByte() {
        QFETCH(QByteArray, option);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        const std::string dir = bytesOf(m_run->path({})) + "/";
        const std::string input = dir + in.toStdString();
        // The temporary folder's own removal sees these names only as decoded text.
        const auto remove = qScopeGuard([&] {
            ::unlink(input.c_str());
            ::unlink((dir + out.toStdString()).c_str());
        });
        const int fd = ::open(input.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "text", 4) == 4);
        ::close(fd);
        std::vector<std::string> args{option.toStdString(), input};
        if (!out.isEmpty())
            args.push_back(dir + out.toStdString());
        const CliRun run = runCli(args);
        QCOMPARE(run.code, 0);
        if (out.isEmpty()) {
            QCOMPARE(run.out,
                     QByteArray("UTF-8 nonBOM  ") + QByteArray::fromStdString(input) + "\n");
            return;
        }
        struct stat st {};
        QVERIFY(::stat((dir + out.toStdString()).c_str(), &st) == 0);
        QVERIFY(st.st_size > 0);
        // Not under the name that decoding the bytes as text would give (U+FFFD for each).
        const std::string decoded = QString::fromUtf8(out).toUtf8().toStdString();
        if (decoded != out.toStdString())
            QVERIFY(::stat((dir + decoded).c_str(), &st) != 0);
    }

    // The editor's file argument keeps its bytes too: it is opened, and saved back, by them.
    void editorArgumentKeptByteForByte() {
        const std::string name = bytesOf(m_run->path({})) + "/r\xff.txt";
        const auto remove = qScopeGuard([&] { ::unlink(name.c_str()); });
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "text", 4) == 4);
        ::close(fd);
        m_run->start({"toviloeditru", fromLocalName(name)}); // as main decodes its arguments
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), QStringLiteral("text"));
        app::state().Form1->Memo1->setPlainText("saved");
        app::state().Form1->overwritesavefileUTF81Click();
        struct stat st {};
        QVERIFY(::stat(QString::fromUtf8(name).toUtf8().constData(), &st) != 0);
        char back[16] = {};
        const int again = ::open(name.c_str(), O_RDONLY);
        QVERIFY(again >= 0 && ::read(again, back, sizeof back) == 5);
        ::close(again);
        QCOMPARE(QByteArray(back), QByteArray("saved"));
    }

    // A recent file whose name is not UTF-8 is kept as its bytes: the menu shows it readably
    // and choosing it opens it.
    void recentNameKeptByteForByte() {
        const std::string name = bytesOf(m_run->path({})) + "/r\xff.txt";
        const auto remove = qScopeGuard([&] { ::unlink(name.c_str()); });
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "text", 4) == 4);
        ::close(fd);
        m_run->start({"toviloeditru", fromLocalName(name)});
        QCOMPARE(m_run->get(QString::fromLatin1(recent::kRecentFileName)),
                 QByteArray::fromStdString(name + "\n"));
        m_run->start();
        app::state().Form1->refreshRecentMenu();
        const QList<QAction*> items = app::state().Form1->recentfiles1->actions();
        QCOMPARE(items.size(), 1);
        QVERIFY2(items.first()->text().endsWith(u"/r\uFFFD.txt"_qs),
                 qPrintable(items.first()->text()));
        Answers answers;
        items.first()->trigger();
        QCOMPARE(answers.seen, QStringList());
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), QStringLiteral("text"));
        QCOMPARE(toLocalName(app::state().RememberedFileName), name);
    }

    // The first argument names a file even when it looks like one of Qt's options: the
    // program itself, started with it, opens the file (and lists it in its recent files).
    void argumentLikeAQtOption_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("toviloeditru -reverse") << QStringList{"-reverse"};
        QTest::newRow("toviloeditru -style X") << QStringList{"-style", "X"};
    }
    void argumentLikeAQtOption() {
        QFETCH(QStringList, arguments);
        // A copy of the program in a folder of its own keeps its settings and recent files there.
        const QString dir = m_run->path("program");
        QVERIFY(QDir().mkpath(dir));
        const QString program = dir + "/toviloeditru";
        QVERIFY(QFile::copy(TOVILO_PROGRAM, program));
        writeBytes(dir + "/" + arguments.first(), "text");
        QProcess editor;
        editor.setWorkingDirectory(dir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        editor.setProcessEnvironment(env);
        editor.start(program, arguments);
        const auto stop = qScopeGuard([&] {
            editor.kill();
            editor.waitForFinished(20000);
        });
        QVERIFY(editor.waitForStarted());
        const QByteArray listed = QFile::encodeName(dir + "/" + arguments.first()) + "\n";
        QTRY_COMPARE_WITH_TIMEOUT(readAll(dir + "/" + recent::kRecentFileName), listed, 20000);
    }

    // The permission cases, as uid 65534 (the child's own output says which case failed).
    void asAnOrdinaryUser() {
        const bool root = ::geteuid() == 0;
        QTemporaryDir top(QDir::tempPath() + "/tst_filesafety-user-XXXXXX");
        QVERIFY(top.isValid());
        const QString dir = top.path();
        ::chmod(bytesOf(dir).c_str(), 0777);
        const auto writable = qScopeGuard([&] { // so that the folder can be removed
            for (std::size_t i = 0; i < std::size(kSaveTargets); ++i)
                ::chmod(bytesOf(dir + "/r" + QString::number(i) + "/ro").c_str(), 0755);
        });
        prepareOrdinaryUserFiles(dir, root ? kNobody : ::getuid(), root ? kNobody : ::getgid());
        for (const char* sub : {"/tmp", "/home"})
            folder(dir + sub, 0777, 0, 0);
        // A copy of this program that the user can reach, wherever the build lives.
        const QString copy = dir + "/tst_filesafety";
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        ::chmod(bytesOf(copy).c_str(), 0755);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kOrdinaryUserDir, dir);
        env.insert("TMPDIR", dir + "/tmp");
        env.insert("HOME", dir + "/home");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("XDG_RUNTIME_DIR");
        env.remove("XDG_STATE_HOME"); // the user's state folder is under its home
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        if (root)
            child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", copy});
        else
            child.start(copy, {});
        const bool finished = child.waitForStarted() && child.waitForFinished(300000);
        const QByteArray output = child.readAll();
        std::fputs(output.constData(), stdout);
        QVERIFY2(finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable("the cases as uid 65534 failed or could not run (setpriv: " +
                            child.errorString() + "):\n" + QString::fromLocal8Bit(output)));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    if (qEnvironmentVariableIsSet(kOrdinaryUserDir)) {
        TestAsOrdinaryUser asUser;
        return QTest::qExec(&asUser, argc, argv);
    }
    TestFileSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filesafety.moc"
