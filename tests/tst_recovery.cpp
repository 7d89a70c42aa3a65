// Texts brought back after the editor was killed: what the reader makes of the journals and
// copies left in the state folder (damaged, stale, still in use), and the whole program typed
// into, killed with SIGKILL at random moments (also in the middle of a save in place) and
// started again, its recovered text compared with the same keys typed into an editor that ran
// to the end.
#include "app/appstate.h"
#include "app/modal.h"
#include "encoding/checksum.h"
#include "encoding/detect.h"
#include "encoding/fileaccess.h"
#include "recovery/recover.h"
#include "shell/recoverywindow.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "text/textbuffer.h"
#include "view/memoview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
constexpr const char* kChildVariable = "TOVILO_RECOVERY_CHILD";

std::string bytesOf(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void putFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- The typing script, the same in the killed editor and in the reference

// One step of typing: a key into the editor, an undo or redo, or a save of the file (in place,
// as the file has a second name). Returns true for a save.
bool typeStep(std::mt19937& random, TForm1& form) {
    const int pick = int(random() % 100);
    MemoView* memo = form.Memo1;
    if (pick < 62) {
        QTest::keyClick(memo, Qt::Key(Qt::Key_A + int(random() % 8)));
    } else if (pick < 72) {
        QTest::keyClick(memo, Qt::Key_Return);
    } else if (pick < 80) {
        QTest::keyClick(memo, Qt::Key_Backspace);
    } else if (pick < 88) {
        form.Undo1Click();
    } else if (pick < 92) {
        form.Redo1Click();
    } else {
        form.overwritesavefileUTF81Click();
        return true;
    }
    return false;
}

// Every question is answered Yes (none is expected while typing).
void answerYes(QDialog& dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        std::fprintf(stderr, "question: %s\n", qPrintable(box->text()));
        if (QAbstractButton* yes = box->button(QMessageBox::Yes))
            yes->click();
    }
}

// Starts the windows as the program does, on `file`, in plain Latin input with the caret at
// the end of the text.
TForm1& startEditor(const QString& settingsFolder, const QString& file) {
    settings::setFolderOverride(settingsFolder);
    app::state().reset();
    createApplicationWindows({QStringLiteral("toviloeditru"), file});
    TForm1& form = *app::state().Form1;
    form.show();
    form.nonIME1Click();
    form.memoTarget().setSelStart(form.memoTarget().length());
    form.Memo1->setFocus();
    return form;
}

// The killed editor: types `steps` steps of the script, telling after each that it is done and
// before each save that it begins.
int runChild(const QString& arguments) {
    const QStringList parts = arguments.split(u':');
    const QString dir = parts.value(2);
    std::mt19937 random(parts.value(0).toUInt());
    std::mt19937 pauses(parts.value(0).toUInt() + 1);
    modal::setResponder(answerYes);
    TForm1& form = startEditor(dir + "/settings", dir + "/f.txt");
    const int steps = parts.value(1).toInt();
    for (int i = 1; i <= steps; ++i) {
        std::mt19937 peek = random;
        if (peek() % 100 >= 92) {
            std::printf("saving\n");
            std::fflush(stdout);
        }
        typeStep(random, form);
        std::printf("step %d %lld\n", i, static_cast<long long>(form.Memo1->buffer().length()));
        std::fflush(stdout);
        QTest::qWait(int(pauses() % 25));
    }
    QTest::qWait(60000); // killed before this ends
    return 0;
}

// Changes the owner of a folder and everything in it.
void chownTree(const QString& top, uid_t user, gid_t group) {
    ::chown(bytesOf(top).c_str(), user, group);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(bytesOf(top)))
        ::lchown(entry.path().c_str(), user, group);
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_own.isValid());
        // This program's own journals go to a folder of its own.
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_own.path()));
    }

    // Journals and copies as the reader finds them. Edits are "position:removed:inserted".
    // `damage`: "cut N" takes the last N bytes off the journal, "flip R" changes a byte inside
    // record R (from 0), "header" cuts the journal inside its header, "running" keeps the
    // writer open, "changed" rewrites the file, "copy" leaves the file half written and its
    // old bytes in an in-place copy, "copy only" leaves only such a copy (no journal), "copy
    // unneeded" a copy of the file as it still is.
    void leftovers_data() {
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("base"); // a Leftover::Base, or -1 when nothing is offered
        QTest::addColumn<QString>("recovered");

        const QStringList edits{"3:0:XY", "0:2:", "1:2:ж"};
        const int newText = int(recovery::Leftover::Base::NewText);
        const int onFile = int(recovery::Leftover::Base::File);
        const int onCopy = int(recovery::Leftover::Base::Copy);
        const int changed = int(recovery::Leftover::Base::Changed);
        QTest::newRow("file, three edits") << true << edits << "" << onFile << "cж\r\ndef";
        QTest::newRow("new text, three edits")
            << false << QStringList{"0:0:hello\r\n", "0:1:J", "7:0:ё"} << "" << newText
            << "Jello\r\nё";
        QTest::newRow("last record cut by the kill")
            << true << edits << "cut 3" << onFile << "cXY\r\ndef";
        QTest::newRow("last record's checksum wrong")
            << true << edits << "flip 2" << onFile << "cXY\r\ndef";
        QTest::newRow("second record damaged, the rest dropped")
            << true << edits << "flip 1" << onFile << "abcXY\r\ndef";
        // Replayed in pieces of 2^20 units: the removal once, the pieces in order.
        const QString large = QString(2'500'000, u'q') + u'ё';
        QTest::newRow("paste larger than a replay piece, over a selection")
            << false << QStringList{"0:0:abcdef", "1:3:" + large, "1048577:1:Z"} << "" << newText
            << "a" + QString(large).replace(1048576, 1, u'Z') + "ef";
        QTest::newRow("edit beyond the text ends the replay")
            << false << QStringList{"0:0:ab", "9:0:x", "1:0:c"} << "" << newText << "ab";
        QTest::newRow("file changed since: nothing replayed")
            << true << edits << "changed" << changed << "";
        QTest::newRow("save in place cut short: edits onto the copy")
            << true << edits << "copy" << onCopy << "cж\r\ndef";
        QTest::newRow("in-place copy without a journal")
            << true << QStringList{} << "copy only" << onCopy << "abc\r\ndef";
        QTest::newRow("in-place copy of bytes the file still holds: deleted")
            << true << QStringList{} << "copy unneeded" << -1 << "";
        QTest::newRow("editor still running: not offered")
            << true << edits << "running" << -1 << "";
        QTest::newRow("journal cut inside its header: deleted")
            << true << edits << "header" << -1 << "";
    }
    void leftovers() {
        QFETCH(bool, fromFile);
        QFETCH(QStringList, edits);
        QFETCH(QString, damage);
        QFETCH(int, base);
        QFETCH(QString, recovered);

        QTemporaryDir dir;
        const QString state = dir.filePath("state");
        QVERIFY(QDir().mkpath(state));
        const QString file = dir.filePath("f.txt");
        const QByteArray original = "abc\r\ndef";
        putFile(file, original);
        recovery::Origin origin;
        if (fromFile) {
            const enc::FileStamp stamp = enc::StampOf(bytesOf(file));
            origin = {true,
                      bytesOf(file),
                      enc::EncUtf8,
                      stamp.size,
                      stamp.modifiedNs,
                      stamp.device,
                      stamp.inode,
                      0};
            QVERIFY(enc::ChecksumOfFile(origin.fileName, origin.checksum));
        }

        recovery::JournalWriter writer;
        std::vector<std::uint64_t> recordStarts;
        if (!damage.startsWith("copy ")) {
            QVERIFY(writer.create(bytesOf(state), origin));
            for (const QString& edit : edits) {
                const QStringList f = edit.split(u':');
                recordStarts.push_back(writer.size());
                writer.append(f[0].toULongLong(), f[1].toULongLong(), f[2].toStdU16String());
            }
        }
        const QString journal = QString::fromStdString(writer.path());
        if (damage != "running")
            writer.close();
        else
            writer.flush();
        QByteArray bytes = readFile(journal);
        if (damage.startsWith("cut "))
            bytes.chop(damage.mid(4).toInt());
        else if (damage.startsWith("flip "))
            bytes[qsizetype(recordStarts[damage.mid(5).toInt()]) + 2] ^= 0x40;
        else if (damage == "header")
            bytes.truncate(30);
        if (!journal.isEmpty() && damage != "running")
            putFile(journal, bytes);
        if (damage == "changed" || damage.startsWith("copy")) {
            if (damage != "copy unneeded")
                putFile(file, "abX\r\nhalf");
            if (damage.startsWith("copy"))
                putFile(state + "/inplace-Ab12Cd", "toviloeditru in-place copy\n4000000000\n" +
                                                       QByteArray::number(original.size()) + "\n" +
                                                       QFile::encodeName(file) + '\0' + original);
        }

        std::vector<recovery::Leftover> found = recovery::FindLeftovers(bytesOf(state));
        if (base < 0) {
            QCOMPARE(found.size(), std::size_t(0));
            if (damage == "header" || damage == "copy unneeded")
                QCOMPARE(QDir(state).entryList(QDir::Files), QStringList());
            return;
        }
        QCOMPARE(found.size(), std::size_t(1));
        recovery::Leftover& left = found.front();
        QCOMPARE(int(left.base), base);
        QCOMPARE(QFile::decodeName(left.fileName.c_str()), fromFile ? file : QString());
        text::TextBuilder start;
        const enc::FileResult loaded = recovery::LoadBase(left, start);
        QCOMPARE(bool(loaded), base != int(recovery::Leftover::Base::Changed));
        text::TextBuffer buffer;
        buffer.assign(std::move(start));
        if (loaded && left.kind == recovery::Leftover::Kind::Journal)
            recovery::ReplayOnto(left.journal, buffer);
        QCOMPARE(QString::fromStdU16String(buffer.text()), recovered);
        // Discard takes the journal and the copy away.
        recovery::Discard(left);
        QCOMPARE(QDir(state).entryList(QDir::Files), QStringList());
    }

    // The program, as an ordinary user, typed into and killed (or ended by a signal that can
    // be caught); then started again on the same file and folders, the recovery window answered
    // Recover. The text must be the one the keys
    // gave up to the last step the killed editor reported, or one step further.
    void killedAndRecovered_data() {
        QTest::addColumn<bool>("midSave");
        QTest::addColumn<uint>("run");
        QTest::addColumn<int>("signal");
        for (uint run : {11u, 12u, 13u})
            QTest::addRow("SIGKILL while typing, run %u", run) << false << run << SIGKILL;
        for (uint run : {21u, 22u, 23u, 24u})
            QTest::addRow("SIGKILL while saving in place, run %u", run) << true << run << SIGKILL;
        QTest::newRow("SIGTERM while typing") << false << 31u << SIGTERM;
        QTest::newRow("SIGHUP while typing") << false << 32u << SIGHUP;
        QTest::newRow("SIGINT while typing") << false << 33u << SIGINT;
        QTest::newRow("SIGTERM while saving in place") << true << 34u << SIGTERM;
    }
    void killedAndRecovered() {
#if defined(TOVILO_THREAD_SANITIZER)
        QSKIP("ThreadSanitizer cannot follow QProcess starting the child editor");
#endif
        QFETCH(bool, midSave);
        QFETCH(uint, run);
        QFETCH(int, signal);
        const bool root = ::geteuid() == 0;
        const int steps = 160;

        QTemporaryDir top(QDir::tempPath() + "/tst_recovery-XXXXXX");
        QVERIFY(top.isValid());
        const QString dir = top.path();
        for (const char* sub : {"/state", "/home", "/settings", "/ref", "/ref/settings"})
            QVERIFY(QDir().mkpath(dir + sub));
        // A file large enough that its save in place takes a while, with a second name.
        QByteArray lines;
        for (int i = 0; i < 60000; ++i)
            lines += "строка " + QByteArray::number(i) + " line\r\n";
        putFile(dir + "/f.txt", lines);
        QVERIFY(::link(bytesOf(dir + "/f.txt").c_str(), bytesOf(dir + "/f2.txt").c_str()) == 0);
        putFile(dir + "/ref/f.txt", lines);
        const QString copy = dir + "/tst_recovery";
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        ::chmod(bytesOf(copy).c_str(), 0755);
        ::chmod(bytesOf(dir).c_str(), 0755);
        if (root)
            chownTree(dir, kNobody, kNobody);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildVariable, QString("%1:%2:%3").arg(run).arg(steps).arg(dir));
        env.insert("HOME", dir + "/home");
        env.insert("XDG_STATE_HOME", dir + "/state");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("XDG_RUNTIME_DIR");
        child.setProcessEnvironment(env);
        if (root)
            child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", copy});
        else
            child.start(copy, {});
        QVERIFY2(child.waitForStarted(), qPrintable("the editor could not be started as an "
                                                    "ordinary user: " +
                                                    child.errorString()));

        // Kill at a random step, or right after the chosen save began.
        std::mt19937 random(run * 7919);
        const int killStep = 20 + int(random() % (steps - 40));
        const int killSave = 1 + int(random() % 4);
        const int delayUs = int(random() % 30000);
        int lastStep = 0;
        int saves = 0;
        QByteArray output;
        QElapsedTimer waited;
        waited.start();
        std::vector<qint64> seen; // when the line of each step was read
        bool kill = false;
        while (!kill && waited.elapsed() < 120000 && child.state() == QProcess::Running) {
            child.waitForReadyRead(100);
            while (child.canReadLine()) {
                const QByteArray line = child.readLine().trimmed();
                output += line + '\n';
                if (line.startsWith("step ")) {
                    lastStep = line.split(' ').value(1).toInt();
                    seen.push_back(waited.elapsed());
                } else if (line == "saving")
                    ++saves;
                if (midSave ? saves >= killSave : lastStep >= killStep)
                    kill = true;
            }
        }
        QVERIFY2(kill, qPrintable("the editor did not get to the moment chosen:\n" + output +
                                  child.readAllStandardError()));
        ::usleep(useconds_t(delayUs));
        ::kill(pid_t(child.processId()), signal);
        // The steps done a second before the kill are on the disk.
        const qint64 killedAt = waited.elapsed();
        int kept = 0;
        while (kept < int(seen.size()) && seen[std::size_t(kept)] <= killedAt - 1000)
            ++kept;
        // The signals that can be caught end the program too, at once or once a write in
        // place is over.
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        output += child.readAllStandardOutput();
        qint64 lastLength = -1;
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith("step ")) {
                lastStep = line.split(' ').value(1).toInt();
                lastLength = line.split(' ').value(2).toLongLong();
            }
        }
        if (root)
            chownTree(dir, ::geteuid(), ::getegid());

        // The second start, answered through the recovery window.
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir + "/state"));
        QStringList offered;
        modal::setResponder([&offered](QDialog& dialog) {
            auto* window = qobject_cast<TRecoveryForm*>(&dialog);
            if (!window) {
                answerYes(dialog);
                return;
            }
            // The journal when there is one, else a copy of a cut-short save.
            QTreeWidgetItem* pick = nullptr;
            for (int i = 0; i < window->List->topLevelItemCount(); ++i) {
                QTreeWidgetItem* item = window->List->topLevelItem(i);
                offered << item->text(2);
                if (!pick || item->text(2).contains("edits:"))
                    pick = item;
            }
            window->List->setCurrentItem(pick);
            if (window->RecoverButton->isEnabled())
                window->RecoverButton->click();
            else
                window->LaterButton->click();
        });
        TForm1& again = startEditor(dir + "/settings", dir + "/f.txt");
        const QString recovered = QString::fromStdU16String(again.Memo1->buffer().text());
        const QString name = app::state().RememberedFileName;
        destroyApplicationWindows();
        modal::setResponder({});
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_own.path()));
        QCOMPARE(name, dir + "/f.txt");

        // The reference: the same keys, to the step reported and one beyond. The recovered text
        // is the text after one of the steps from the last one kept on.
        std::mt19937 script(run);
        TForm1& reference = startEditor(dir + "/ref/settings", dir + "/ref/f.txt");
        modal::setResponder(answerYes);
        int matched = recovered == QString::fromUtf8(lines) ? 0 : -1;
        qint64 lengthAtStep = lastStep == 0 ? QString::fromUtf8(lines).size() : -1;
        for (int i = 1; i <= lastStep + 1; ++i) {
            typeStep(script, reference);
            const text::TextBuffer& buffer = reference.Memo1->buffer();
            if (i == lastStep)
                lengthAtStep = buffer.length();
            if (i >= kept && buffer.length() == recovered.size() &&
                QString::fromStdU16String(buffer.text()) == recovered)
                matched = i;
        }
        destroyApplicationWindows();
        modal::setResponder({});
        qInfo("killed after step %d (%d saves begun, %d a second before); recovered step %d; "
              "offered: %s",
              lastStep, saves, kept, matched, qPrintable(offered.join(" | ")));
        // The reference typed what the killed editor typed.
        if (lastStep > 0)
            QCOMPARE(lengthAtStep, lastLength);
        QVERIFY2(matched >= kept,
                 qPrintable(QString("recovered %1 units: not the text of any step from %2 to %3")
                                .arg(recovered.size())
                                .arg(kept)
                                .arg(lastStep + 1)));
        // A signal that waits for a save in place to end finds the file holding the text: no
        // journal of the text before it is left to be offered.
        if (signal != SIGKILL)
            QVERIFY2(!offered.join(u' ').contains("has changed since"),
                     qPrintable(offered.join(u' ')));
    }

private:
    QTemporaryDir m_own;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runChild(qEnvironmentVariable(kChildVariable));
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
