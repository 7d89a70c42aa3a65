// Huge and hostile files through the real main window: a 200 MB file, one 50 MB line,
// 5 million empty lines, binary files, a file that goes away before it is read, and save
// targets that cannot be written or must be followed.
#include "app/appstate.h"
#include "app/modal.h"
#include "search/textsearch.h"
#include "shell/commandline.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "statefolder.h"
#include "view/memoview.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <random>
#include <unistd.h>

// The windows' recovery journals stay in a state folder of this program's own.
static const OwnStateFolder ownStateFolder;

namespace {

// Writes `total` bytes made by repeating `pattern`, then `tail`.
void writeRepeated(const QString& path, const QByteArray& pattern, qint64 total,
                   const QByteArray& tail = {}) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray block;
    while (block.size() < (1 << 20))
        block += pattern;
    qint64 left = total;
    while (left > 0) {
        const qint64 n = std::min<qint64>(left, block.size());
        QCOMPARE(f.write(block.constData(), n), n);
        left -= n;
    }
    QCOMPARE(f.write(tail), tail.size());
}

// True when both files hold the same bytes, compared a block at a time.
bool sameFiles(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    }
    return true;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestLarge : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_answer;
    QStringList m_messages;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void openFile(const QString& file) {
        m_answer = file;
        app::state().Form1->opentextfile1Click();
    }
    void saveAs(const QString& file) {
        m_answer = file;
        app::state().Form1->savefile1Click();
    }
    // The bytes the batch converter writes for `in`: the same as the menu's save after opening.
    QString converted(const QString& in) {
        const QString out = in + u".cli"_qs;
        if (cli::convertFile(QFile::encodeName(in).toStdString(),
                             QFile::encodeName(out).toStdString(),
                             enc::OutputFormat::Utf8) != cli::Done)
            return {};
        return out;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() {
        app::state().reset();
        m_messages.clear();
        createApplicationWindows({u"toviloeditru"_qs});
        app::state().Form1->show();
        modal::setResponder([this](QDialog& d) {
            if (auto* fd = qobject_cast<QFileDialog*>(&d)) {
                fd->selectFile(m_answer);
                d.done(QDialog::Accepted);
            } else if (auto* box = qobject_cast<QMessageBox*>(&d)) {
                m_messages << box->windowTitle() + u": "_qs + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
    }
    void cleanup() {
        modal::setResponder({});
        app::state().TextModified = 0;
        destroyApplicationWindows();
        // Big files go as soon as their case is done.
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(path(name));
    }

    void hugeFileOpensSavesAndSearches() {
        const QByteArray line = "Tovilo editor line of plain text, 0123456789 abcdefghij\r\n";
        const qint64 size = qint64(200) << 20;
        const qint64 lines = size / line.size();
        const QByteArray tail = "the needle is here\r\n";
        writeRepeated(path(u"huge.txt"_qs), line, lines * line.size(), tail);
        openFile(path(u"huge.txt"_qs));
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(app::state().Form1->Memo1->buffer().lineCount(), lines + 1);
        // ASCII with CR LF line ends comes back byte for byte, but for the final line break,
        // which ended the last line and made no empty line of its own.
        saveAs(path(u"huge-saved.txt"_qs));
        QVERIFY(app::state().Form1->lastSaveWroteFile());
        QCOMPARE(QFileInfo(path(u"huge-saved.txt"_qs)).size(),
                 lines * line.size() + tail.size() - 2);
        QVERIFY(sameFiles(path(u"huge-saved.txt"_qs), converted(path(u"huge.txt"_qs))));
        // Positions of the search count a line break as two units, like the file's bytes.
        QCOMPARE(search::findInBuffer(app::state().Form1->Memo1->buffer(), 0, u"needle"),
                 lines * line.size() + tail.indexOf("needle"));
    }

    void oneLineOf50Megabytes() {
        writeRepeated(path(u"line.txt"_qs), "abcdefghijklmnopqrstuvwxyz", qint64(50) << 20);
        openFile(path(u"line.txt"_qs));
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(app::state().Form1->Memo1->buffer().lineCount(), 1);
        QCOMPARE(app::state().Form1->memoTarget().length(), qint64(50) << 20);
        saveAs(path(u"line-saved.txt"_qs));
        QVERIFY(sameFiles(path(u"line.txt"_qs), path(u"line-saved.txt"_qs)));
    }

    void fiveMillionEmptyLines() {
        constexpr qint64 kLines = 5'000'000;
        writeRepeated(path(u"empty-lines.txt"_qs), "\r\n", 2 * kLines);
        openFile(path(u"empty-lines.txt"_qs));
        QVERIFY(m_messages.isEmpty());
        // The last line break ends the text: no empty line after it.
        QCOMPARE(app::state().Form1->Memo1->buffer().lineCount(), kLines);
        saveAs(path(u"empty-saved.txt"_qs));
        const QByteArray saved = readAll(path(u"empty-saved.txt"_qs));
        QCOMPARE(saved.size(), 2 * (kLines - 1));
        QCOMPARE(saved.count("\r\n"), kLines - 1);
        QVERIFY(sameFiles(path(u"empty-saved.txt"_qs), converted(path(u"empty-lines.txt"_qs))));
    }

    // Any bytes open without a crash and save the bytes the batch converter writes.
    void binaryFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        std::mt19937 random(20240601);
        QByteArray noise(4 << 20, Qt::Uninitialized);
        for (char& c : noise)
            c = char(random());
        QTest::newRow("4 MB of random bytes") << noise;
        QTest::newRow("4 MB of NUL") << QByteArray(4 << 20, '\0');
        QTest::newRow("4 MB of 1A") << QByteArray(4 << 20, '\x1a');
        QTest::newRow("NUL, 1A, CR, FF FE mixed")
            << QByteArray("\xff\xfe\x00\x1a\r\x00\x00\x1a\n\xd8\x00\xdc", 12).repeated(1 << 16);
        QTest::newRow("UTF-16 mark then an odd byte") << QByteArray("\xfe\xff\x04\x10\x04", 5);
    }
    void binaryFiles() {
        QFETCH(QByteArray, bytes);
        QFile f(path(u"binary.bin"_qs));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
        f.close();
        openFile(path(u"binary.bin"_qs));
        QVERIFY(m_messages.isEmpty());
        saveAs(path(u"binary-saved.txt"_qs));
        QVERIFY(app::state().Form1->lastSaveWroteFile());
        QVERIFY(sameFiles(path(u"binary-saved.txt"_qs), converted(path(u"binary.bin"_qs))));
    }

    // The file is detected, then taken away or replaced by a folder before it is read: the
    // error is shown and the user's text stays.
    void fileGoneBetweenDetectionAndReading_data() {
        QTest::addColumn<bool>("becomesFolder");
        QTest::newRow("deleted") << false;
        QTest::newRow("replaced by a folder") << true;
    }
    void fileGoneBetweenDetectionAndReading() {
        QFETCH(bool, becomesFolder);
        app::state().Form1->Memo1->setPlainText(u"keep me"_qs);
        const QString file = path(u"going.txt"_qs);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBFtext\r\n");
        f.close();
        // What the open command found before the file went.
        const int encoding = 3, bom = 2; // UTF-8 with its mark
        QVERIFY(QFile::remove(file));
        if (becomesFolder)
            QVERIFY(QDir().mkdir(file));
        QCOMPARE(app::state().Form1->LoadTextFile(encoding, bom, file), -2);
        QCOMPARE(m_messages, QStringList{u"ERROR: can't file open"_qs});
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), u"keep me"_qs);
        if (becomesFolder)
            QVERIFY(QDir().rmdir(file));
    }

    // Targets that cannot take the save: the error is shown, nothing is replaced, the text
    // stays modified.
    void saveTargetsThatRefuse_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << u"folder"_qs;
        QTest::newRow("a name inside a file") << u"inside file"_qs;
        QTest::newRow("a read-only file") << u"read-only"_qs;
    }
    void saveTargetsThatRefuse() {
        QFETCH(QString, kind);
        app::state().Form1->Memo1->setPlainText(u"new text"_qs);
        app::state().TextModified = 1;
        QString target;
        if (kind == u"folder") {
            target = path(u"a-folder"_qs);
            QVERIFY(QDir().mkpath(target));
        } else if (kind == u"inside file") {
            QFile f(path(u"plain.txt"_qs));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
            f.close();
            target = path(u"plain.txt/inner.txt"_qs);
        } else {
            // Permission bits do not stop root: the kernel lets it write anyway.
            if (geteuid() == 0)
                QSKIP("running as root, which writes read-only files and folders");
            target = path(u"read-only-folder/file.txt"_qs);
            QVERIFY(QDir().mkpath(path(u"read-only-folder"_qs)));
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
            f.close();
            QFile::setPermissions(path(u"read-only-folder"_qs),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            QFile::setPermissions(target, QFileDevice::ReadOwner);
        }
        // Through the remembered name: a file dialog would never hand back a folder.
        app::state().RememberedFileName = target;
        app::state().Form1->overwritesavefileUTF81Click();
        QVERIFY(!app::state().Form1->lastSaveWroteFile());
        QCOMPARE(m_messages, QStringList{u"ERROR: can't file open"_qs});
        QCOMPARE(app::state().TextModified, 1);
        if (kind == u"folder")
            QVERIFY(QFileInfo(target).isDir());
        if (kind == u"inside file")
            QCOMPARE(readAll(path(u"plain.txt"_qs)), QByteArray("old"));
        // No temporary file is left behind.
        QCOMPARE(
            QDir(m_dir.path()).entryList({u".*.toviloeditru-*"_qs}, QDir::Files | QDir::Hidden),
            QStringList());
    }

    // A link is followed: the file it names is written (created if missing) and the link stays.
    void saveThroughSymlink_data() {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("link to an existing file") << true;
        QTest::newRow("link to a missing file") << false;
    }
    void saveThroughSymlink() {
        QFETCH(bool, targetExists);
        const QString real = path(u"real.txt"_qs);
        const QString link = path(u"link.txt"_qs);
        QFile::remove(link);
        if (targetExists) {
            QFile f(real);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        QVERIFY(QFile::link(real, link));
        app::state().Form1->Memo1->setPlainText(u"linked"_qs);
        saveAs(link);
        QVERIFY(app::state().Form1->lastSaveWroteFile());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), real);
        QCOMPARE(readAll(real), QByteArray("linked"));
        QFile::remove(link);
    }
};

QTEST_MAIN(TestLarge)
#include "tst_large.moc"
