// Opening, inserting, saving and exporting through the main window, answered through the modal
// seam, and the batch commands that must write the same bytes.
#include "app/appstate.h"
#include "app/modal.h"
#include "shell/commandline.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "statefolder.h"
#include "view/memoview.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// The windows' recovery journals stay in a state folder of this program's own.
static const OwnStateFolder ownStateFolder;

namespace {

// What the dialogs were asked and answered during one command.
struct Seen {
    QStringList dialogTitles;
    QStringList nameFilters;
    QString selectedFilter;
    QString defaultSuffix;
    QStringList messages; // "caption: text"
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The editor's text with '\n' for each CR LF between lines.
QString editorLines() {
    return app::state().Form1->Memo1->toPlainText();
}

QByteArray utf16(const QString& s, bool bigEndian) {
    QByteArray out;
    for (const QChar c : s) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out += bigEndian ? QByteArray{&hi, 1} + QByteArray{&lo, 1}
                         : QByteArray{&lo, 1} + QByteArray{&hi, 1};
    }
    return out;
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Seen m_seen;
    QString m_answer;                      // the file the next file dialog chooses; empty cancels
    std::function<void()> m_afterChoosing; // runs once the dialog has its answer

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void installResponder() {
        modal::setResponder([this](QDialog& d) {
            if (auto* fd = qobject_cast<QFileDialog*>(&d)) {
                m_seen.dialogTitles << fd->windowTitle();
                m_seen.nameFilters = fd->nameFilters();
                m_seen.selectedFilter = fd->selectedNameFilter();
                m_seen.defaultSuffix = fd->defaultSuffix();
                if (m_answer.isEmpty())
                    return; // left open: cancelled
                fd->selectFile(m_answer);
                d.done(QDialog::Accepted); // skips the overwrite question
                if (m_afterChoosing)
                    std::exchange(m_afterChoosing, nullptr)();
            } else if (auto* box = qobject_cast<QMessageBox*>(&d)) {
                m_seen.messages << box->windowTitle() + u": "_qs + box->text();
                // Errors are acknowledged; "Save file?" before an open is answered No.
                box->button(box->button(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No)
                    ->click();
            }
        });
    }

    void openFile(const QString& file) {
        m_answer = file;
        app::state().Form1->opentextfile1Click();
    }
    void setText(const QString& text) {
        app::state().Form1->Memo1->setPlainText(text);
        app::state().TextModified = 0;
    }
    QByteArray saveAs(const QString& name, void (TForm1::*command)() = &TForm1::savefile1Click) {
        m_answer = path(name);
        (app::state().Form1->*command)();
        return readAll(path(name));
    }
    QString panel(int i) const { return app::state().Form1->StatusBar1->panelText(i); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() {
        // The settings and the recent list a run writes stay in the test's folder.
        settings::setFolderOverride(m_dir.path());
        app::state().reset();
        m_seen = {};
        m_answer.clear();
        createApplicationWindows({u"toviloeditru"_qs});
        app::state().Form1->show();
        installResponder();
    }
    void cleanup() {
        modal::setResponder({});
        destroyApplicationWindows();
        settings::setFolderOverride(QString());
    }

    // --- dialogs

    void dialogSettings_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QString>("suffix");
        const QStringList text{u"Text files(*.txt)"_qs, u"HTML files(*.html)"_qs, u"All(*.*)"_qs};
        const QStringList html{u"HTML files(*.html)"_qs, u"Text files(*.txt)"_qs, u"All(*.*)"_qs};
        QTest::newRow("open") << 0 << u"Open a Text file"_qs << text << u"txt"_qs;
        QTest::newRow("insert") << 1 << u"Insert a Text file"_qs << text << u"txt"_qs;
        QTest::newRow("save") << 2 << u"Save a Text file"_qs << text << u"txt"_qs;
        QTest::newRow("html") << 3 << u"Save Unicode number HTML &#99;tag file"_qs << html
                              << u"html"_qs;
        QTest::newRow("c") << 4 << u"Save Unicode number language C 0x* file"_qs << text
                           << u"txt"_qs;
    }
    void dialogSettings() {
        QFETCH(int, command);
        QFETCH(QString, title);
        QFETCH(QStringList, filters);
        QFETCH(QString, suffix);
        setText(u"keep"_qs);
        app::state().TextModified = 1;
        void (TForm1::*commands[])() = {&TForm1::opentextfile1Click, &TForm1::inserttextfile1Click,
                                        &TForm1::savefile1Click, &TForm1::saveHTML99tagASCII1Click,
                                        &TForm1::saveUnicodenumberlanguageC0x1Click};
        const QString before = panel(TStatusBar::FilePanel);
        (app::state().Form1->*commands[command])(); // cancelled
        QCOMPARE(m_seen.dialogTitles, QStringList{title});
        QCOMPARE(m_seen.nameFilters, filters);
        QCOMPARE(m_seen.selectedFilter, filters.first());
        QCOMPARE(m_seen.defaultSuffix, suffix);
        // Cancelling changes nothing.
        QCOMPARE(editorLines(), u"keep"_qs);
        QCOMPARE(app::state().TextModified, 1);
        QCOMPARE(panel(TStatusBar::FilePanel), before);
        QVERIFY(m_seen.messages.isEmpty());
        QVERIFY(!app::state().Form1->lastSaveWroteFile());
    }

    // --- open then save, for every encoding and label

    void roundTrip_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QByteArray>("saved");
        const QString emoji = QString::fromUcs4(U"\U0001F600");
        QTest::newRow("empty") << QByteArray() << u"UTF-8 nonBOM"_qs << u""_qs << QByteArray();
        QTest::newRow("a CR LF b CR LF")
            << QByteArray("a\r\nb\r\n") << u"UTF-8 nonBOM"_qs << u"a\nb"_qs << QByteArray("a\r\nb");
        QTest::newRow("a CR LF CR LF")
            << QByteArray("a\r\n\r\n") << u"UTF-8 nonBOM"_qs << u"a\n"_qs << QByteArray("a\r\n");
        QTest::newRow("1A and NUL end lines")
            << QByteArray("a\x1A"
                          "b\0c",
                          5)
            << u"UTF-8 nonBOM"_qs << u"a\nb\nc"_qs << QByteArray("a\r\nb\r\nc");
        QTest::newRow("SJIS") << QByteArray("\x82\xA0\r\n\x84\x5B") << u"SJIS"_qs << u"あ\nЪ"_qs
                              << QByteArray("\xE3\x81\x82\r\n\xD0\xAA");
        QTest::newRow("EUC") << QByteArray("\xB4\xC1\xA1\xFE\xA4\xA2") << u"EUC"_qs << u"漢◇あ"_qs
                             << QByteArray("\xE6\xBC\xA2\xE2\x97\x87\xE3\x81\x82");
        QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF\xD0\x96") << u"UTF-8 BOM"_qs
                                   << u"Ж"_qs << QByteArray("\xD0\x96");
        QTest::newRow("UTF16 BOM LE")
            << QByteArray("\xFF\xFE") + utf16(u"ЖЖ"_qs, false) << u"UTF16 BOM LE"_qs << u"ЖЖ"_qs
            << QByteArray("\xD0\x96\xD0\x96");
        QTest::newRow("UTF16 nonBOM LE") << utf16(u"a\r\nb"_qs, false) << u"UTF16 nonBOM LE"_qs
                                         << u"a\nb"_qs << QByteArray("a\r\nb");
        QTest::newRow("U+2029, U+FDD0 and U+FDD1 in UTF-16 are kept")
            << utf16(u"a\u2029b\uFDD0c\uFDD1"_qs, false) << u"UTF16 nonBOM LE"_qs
            << u"a\u2029b\uFDD0c\uFDD1"_qs
            << QByteArray("a\xE2\x80\xA9"
                          "b\xEF\xB7\x90"
                          "c\xEF\xB7\x91");
        QTest::newRow("U+2029 and U+FDD0 in UTF-8 are kept byte for byte")
            << QByteArray("x\xE2\x80\xA9y\xEF\xB7\x90\r\nz") << u"UTF-8 nonBOM"_qs
            << u"x\u2029y\uFDD0\nz"_qs << QByteArray("x\xE2\x80\xA9y\xEF\xB7\x90\r\nz");
        QTest::newRow("UTF16 BOM BE") << QByteArray("\xFE\xFF") + utf16(u"Ж\n"_qs, true)
                                      << u"UTF16 BOM BE"_qs << u"Ж"_qs << QByteArray("\xD0\x96");
        QTest::newRow("UTF16 nonBOM BE")
            << utf16(u"Ab"_qs, true) << u"UTF16 nonBOM BE"_qs << u"Ab"_qs << QByteArray("Ab");
        QTest::newRow("no-break space and U+2028 kept")
            << QByteArray("a\xC2\xA0"
                          "b\xE2\x80\xA8"
                          "c")
            << u"UTF-8 nonBOM"_qs << u"a\u00A0b\u2028c"_qs
            << QByteArray("a\xC2\xA0"
                          "b\xE2\x80\xA8"
                          "c");
        QTest::newRow("emoji UTF-8") << QByteArray("\xF0\x9F\x98\x80") << u"UTF-8 nonBOM"_qs
                                     << emoji << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("emoji UTF-16 LE")
            << QByteArray("\xFF\xFE") + utf16(emoji, false) << u"UTF16 BOM LE"_qs << emoji
            << QByteArray("\xF0\x9F\x98\x80");
        const QString longLine = QString(200000, u'щ');
        QTest::newRow("200 000-character line")
            << longLine.toUtf8() << u"UTF-8 nonBOM"_qs << longLine << longLine.toUtf8();
        QTest::newRow("overlong LF inside a line ends it")
            << QByteArray("a\xE0\x80\x8A"
                          "b")
            << u"UTF-8 nonBOM"_qs << u"a\nb"_qs << QByteArray("a\r\nb");
    }
    void roundTrip() {
        QFETCH(QByteArray, file);
        QFETCH(QString, label);
        QFETCH(QString, lines);
        QFETCH(QByteArray, saved);
        const QString in = path(u"in.txt"_qs);
        writeBytes(in, file);
        setText(u"old text"_qs);
        app::state().TextModified = 1;
        openFile(in);
        QCOMPARE(m_seen.messages, QStringList{u"confirm: Save file?"_qs});
        QCOMPARE(editorLines(), lines);
        QCOMPARE(panel(TStatusBar::FilePanel), label + u"  "_qs + in);
        QCOMPARE(panel(TStatusBar::CaretPanel), u"Line:1  Col:1"_qs);
        QCOMPARE(app::state().RememberedFileName, in);
        QCOMPARE(app::state().TextModified, 0); // the text equals the file
        QCOMPARE(app::state().Form1->memoTarget().selStart(), 0);
        QVERIFY(app::state().Form1->Memo1->isVisible() && app::state().Form1->Label1->isVisible());

        QCOMPARE(saveAs(u"out.txt"_qs), saved);
        QCOMPARE(app::state().TextModified, 0);
        QVERIFY(app::state().Form1->lastSaveWroteFile());
        QCOMPARE(panel(TStatusBar::FilePanel), u"UTF-8 nonBOM  "_qs + path(u"out.txt"_qs));
        QCOMPARE(app::state().RememberedFileName, path(u"out.txt"_qs));

        // The batch commands write the same bytes as the menu commands.
        QCOMPARE(cli::convertFile(in.toStdString(), path(u"cli.txt"_qs).toStdString(),
                                  enc::OutputFormat::Utf8),
                 cli::Done);
        QCOMPARE(readAll(path(u"cli.txt"_qs)), saved);
        const QByteArray html = saveAs(u"out.html"_qs, &TForm1::saveHTML99tagASCII1Click);
        QCOMPARE(cli::convertFile(in.toStdString(), path(u"cli.html"_qs).toStdString(),
                                  enc::OutputFormat::Html),
                 cli::Done);
        QCOMPARE(readAll(path(u"cli.html"_qs)), html);
        const QByteArray c = saveAs(u"out.c"_qs, &TForm1::saveUnicodenumberlanguageC0x1Click);
        QCOMPARE(cli::convertFile(in.toStdString(), path(u"cli.c"_qs).toStdString(),
                                  enc::OutputFormat::CArray),
                 cli::Done);
        QCOMPARE(readAll(path(u"cli.c"_qs)), c);
        QCOMPARE(QString::fromStdString(cli::detectLine(in.toStdString())), label + u"  "_qs + in);
    }

    // A text ending with a line break: one CR LF in the save, the trailers in the exports.
    void textEndingWithABreak() {
        setText(u"AB\n"_qs);
        QCOMPARE(saveAs(u"e.txt"_qs), QByteArray("AB\r\n"));
        QCOMPARE(saveAs(u"e.html"_qs, &TForm1::saveHTML99tagASCII1Click),
                 QByteArray("<html>\r\n<body>\r\n&#65;&#66;\r\n\r\n</body>\r\n</html>"));
        QCOMPARE(saveAs(u"e.c"_qs, &TForm1::saveUnicodenumberlanguageC0x1Click),
                 QByteArray("  wchar_t unicodestr[]={\r\n    0x41,0x42,0xd,0xa,0\r\n  };"));
    }

    // The C array's line wrap counts within each piece of the walk through the selection;
    // compare with that walk done literally through the editor's selection.
    void cArrayMatchesTheSelectionWalk() {
        QString text;
        for (int i = 0; text.size() < 65000; ++i)
            text += QString(i % 7 == 3 ? 9997 : 13, QChar(u'a' + i % 26)) + u'\n';
        text += u"end"_qs;
        setText(text);
        MemoView& memo = app::state().Form1->memoTarget();
        QByteArray expected = "  wchar_t unicodestr[]={\r\n    ";
        memo.setSelLength(0);
        memo.setSelStart(0);
        memo.setSelLength(0);
        for (qsizetype pos = 0;;) {
            memo.setSelLength(20000);
            const QString piece = memo.selText();
            if (piece.isEmpty())
                break;
            int count = 0;
            for (const QChar u : piece) {
                expected += "0x" + QByteArray::number(u.unicode(), 16) + ",";
                if (++count == 10) {
                    expected += "\r\n    ";
                    count = 0;
                }
            }
            pos += piece.size();
            memo.setSelStart(pos);
        }
        expected += "0\r\n  };";
        QVERIFY(expected.count("0xd,0xa,") > 3);
        QCOMPARE(saveAs(u"walk.c"_qs, &TForm1::saveUnicodenumberlanguageC0x1Click), expected);
    }

    // --- the caret and wrap after saving

    void caretAndWrapAfterSaving_data() {
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("caret");
        QTest::newRow("wrap off: back to the selection start") << false << 3;
        QTest::newRow("wrap on: the end of the text") << true << 11;
    }
    void caretAndWrapAfterSaving() {
        QFETCH(bool, wrap);
        QFETCH(int, caret);
        setText(u"abcde\nfghi"_qs);
        app::state().Form1->setWordWrapShown(wrap);
        app::state().Form1->memoTarget().setSelection(3, 4);
        saveAs(u"c.txt"_qs);
        QCOMPARE(app::state().Form1->wordWrap(), wrap);
        QCOMPARE(app::state().Form1->memoTarget().selLength(), 0);
        QCOMPARE(app::state().Form1->memoTarget().selStart(), caret);
        QCOMPARE(editorLines(), u"abcde\nfghi"_qs);
    }

    // --- command line

    void commandLineOpensWithoutDialog() {
        destroyApplicationWindows();
        const QString in = path(u"cmd.txt"_qs);
        writeBytes(in, "\x82\xA0\r\n");
        createApplicationWindows({u"toviloeditru"_qs, in, u"ignored"_qs});
        QVERIFY(m_seen.dialogTitles.isEmpty());
        QCOMPARE(app::state().OpenFromCommandLine, 0);
        QCOMPARE(editorLines(), u"あ"_qs);
        QCOMPARE(panel(TStatusBar::FilePanel), u"SJIS  "_qs + in);
        app::state().Form1->opentextfile1Click(); // the menu asks again
        QCOMPARE(m_seen.dialogTitles, QStringList{u"Open a Text file"_qs});
    }

    // --- insert

    void insert_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("x CR LF y into A|B")
            << u"AB"_qs << 1 << 0 << QByteArray("x\r\ny") << u"Ax\nyB"_qs << 5;
        QTest::newRow("behind a selection")
            << u"ABCD"_qs << 1 << 2 << QByteArray("x") << u"ABCxD"_qs << 4;
        QTest::newRow("final break dropped")
            << u"AB"_qs << 2 << 0 << QByteArray("x\r\n") << u"ABx"_qs << 3;
        QTest::newRow("empty file") << u"AB"_qs << 0 << 0 << QByteArray() << u"AB"_qs << 0;
        QTest::newRow("U+2029, U+FDD0 and U+FDD1 stay units") << u"AB"_qs << 1 << 0
                                                              << QByteArray("a\xE2\x80\xA9"
                                                                            "b\xEF\xB7\x90"
                                                                            "c\xEF\xB7\x91")
                                                              << u"Aa\u2029b\uFDD0c\uFDD1B"_qs << 7;
        QTest::newRow("a file of many leaves into the middle of a line")
            << u"AB"_qs << 1 << 0 << QByteArray("line\r\n").repeated(3000) + "end"
            << u"A"_qs + u"line\n"_qs.repeated(3000) + u"endB"_qs << 1 + 3000 * 6 + 3;
    }
    void insert() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QByteArray, file);
        QFETCH(QString, result);
        QFETCH(int, caret);
        setText(text);
        app::state().Form1->Memo1->buffer().clearHistory();
        app::state().RememberedFileName = u"remembered"_qs;
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, u"before"_qs);
        app::state().Form1->memoTarget().setSelection(selStart, selLength);
        writeBytes(path(u"ins.txt"_qs), file);
        m_answer = path(u"ins.txt"_qs);
        app::state().Form1->inserttextfile1Click();
        QCOMPARE(editorLines(), result);
        QCOMPARE(app::state().Form1->memoTarget().selStart(), caret);
        QCOMPARE(app::state().Form1->memoTarget().selLength(), 0);
        QCOMPARE(app::state().RememberedFileName, u"remembered"_qs);
        QCOMPARE(panel(TStatusBar::FilePanel), u"before"_qs);
        // Inserted text is the user's change, to be saved; an empty file changes nothing.
        QCOMPARE(app::state().TextModified, result == text ? 0 : 1);
        app::state().Form1->Memo1->undo(); // one step takes the whole insertion back
        QCOMPARE(editorLines(), text);
    }

    // --- faults

    void failedOpenKeepsTheText() {
        setText(u"precious"_qs);
        const QString gone = path(u"vanished.txt"_qs);
        writeBytes(gone, "x");
        m_afterChoosing = [gone] { QFile::remove(gone); };
        openFile(gone);
        QCOMPARE(m_seen.messages, QStringList{u"ERROR: can't file open"_qs});
        QCOMPARE(editorLines(), u"precious"_qs);
        QCOMPARE(panel(TStatusBar::FilePanel), u"UTF-8 nonBOM  "_qs + gone);
        QCOMPARE(panel(TStatusBar::CaretPanel), u"Line:1  Col:1"_qs);
        QCOMPARE(app::state().RememberedFileName, gone);
        QVERIFY(app::state().Form1->Memo1->isVisible());
        // The overwrite save then creates the file under that name.
        app::state().Form1->overwritesavefileUTF81Click();
        QCOMPARE(readAll(gone), QByteArray("precious"));
        QCOMPARE(app::state().SaveToRememberedName, 0);
    }

    void failedInsertShowsTheError() {
        setText(u"AB"_qs);
        const QString gone = path(u"vanished2.txt"_qs);
        writeBytes(gone, "x");
        m_afterChoosing = [gone] { QFile::remove(gone); };
        m_answer = gone;
        app::state().Form1->inserttextfile1Click();
        QCOMPARE(m_seen.messages, QStringList{u"ERROR: can't file open"_qs});
        QCOMPARE(editorLines(), u"AB"_qs);
    }

    void saveThatCannotCreateTheFile_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("folder that does not exist") << u"nofolder/x.txt"_qs;
        QTest::newRow("folder that is a file") << u"plain.txt/x.txt"_qs;
        QTest::newRow("folder without write rights") << u"locked/x.txt"_qs;
    }
    void saveThatCannotCreateTheFile() {
        QFETCH(QString, target);
        writeBytes(path(u"plain.txt"_qs), "p");
        QDir(m_dir.path()).mkpath(u"locked"_qs);
        QFile::setPermissions(path(u"locked"_qs), QFile::ReadOwner | QFile::ExeOwner);
        if (target.startsWith(u"locked"_qs) &&
            ::access(path(u"locked"_qs).toLocal8Bit(), W_OK) == 0)
            QSKIP("running with rights that ignore folder permissions");
        setText(u"text"_qs);
        app::state().TextModified = 1;
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, u"before"_qs);
        m_answer = path(target);
        app::state().Form1->savefile1Click();
        QCOMPARE(m_seen.messages, QStringList{u"ERROR: can't file open"_qs});
        QCOMPARE(app::state().TextModified, 1);
        QVERIFY(!app::state().Form1->lastSaveWroteFile());
        QCOMPARE(panel(TStatusBar::FilePanel), u"before"_qs);
        QVERIFY(app::state().Form1->Memo1->isVisible());
        QFile::setPermissions(path(u"locked"_qs),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A write that fails after the file was opened (here: the file size limit) leaves the old
    // file byte for byte.
    void saveFailingMidwayKeepsTheOldFile() {
        const QString target = path(u"old.txt"_qs);
        writeBytes(target, "old contents");
        setText(QString(300000, u'ж'));
        app::state().TextModified = 1;
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, u"before"_qs);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        m_answer = target;
        app::state().Form1->savefile1Click();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(m_seen.messages, QStringList{u"ERROR: can't file open"_qs});
        QCOMPARE(readAll(target), QByteArray("old contents"));
        QCOMPARE(app::state().TextModified, 1);
        QCOMPARE(panel(TStatusBar::FilePanel), u"before"_qs);
        QCOMPARE(QDir(m_dir.path()).entryList({u"*old.txt*"_qs}, QDir::Files | QDir::Hidden),
                 QStringList{u"old.txt"_qs});
    }

    void saveKeepsPermissionsAndLinks() {
        const QString target = path(u"perm.txt"_qs);
        writeBytes(target, "old");
        const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QFile::setPermissions(target, perms);
        const QString link = path(u"link.txt"_qs);
        QVERIFY(QFile::link(target, link));
        setText(u"new"_qs);
        QCOMPARE(saveAs(u"link.txt"_qs), QByteArray("new"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(target), QByteArray("new"));
        QCOMPARE(QFile::permissions(target) & 0xF0FF, perms & 0xF0FF);
        QCOMPARE(panel(TStatusBar::FilePanel), u"UTF-8 nonBOM  "_qs + link);
    }

    // --- overwrite save

    void overwriteSave() {
        // Nothing remembered: it asks like "save file(UTF-8)".
        setText(u"one"_qs);
        m_answer = path(u"asked.txt"_qs);
        app::state().Form1->overwritesavefileUTF81Click();
        QCOMPARE(m_seen.dialogTitles, QStringList{u"Save a Text file"_qs});
        QCOMPARE(readAll(path(u"asked.txt"_qs)), QByteArray("one"));
        // After an open, it writes the opened file without asking; after a save under another
        // name, that file.
        writeBytes(path(u"opened.txt"_qs), "two");
        openFile(path(u"opened.txt"_qs));
        m_seen.dialogTitles.clear();
        app::state().Form1->Memo1->setPlainText(u"three"_qs);
        app::state().Form1->overwritesavefileUTF81Click();
        QVERIFY(m_seen.dialogTitles.isEmpty());
        QCOMPARE(readAll(path(u"opened.txt"_qs)), QByteArray("three"));
        saveAs(u"elsewhere.txt"_qs);
        m_seen.dialogTitles.clear();
        app::state().Form1->Memo1->setPlainText(u"four"_qs);
        app::state().TextModified = 1;
        app::state().Form1->overwritesavefileUTF81Click();
        QVERIFY(m_seen.dialogTitles.isEmpty());
        QCOMPARE(readAll(path(u"elsewhere.txt"_qs)), QByteArray("four"));
        QCOMPARE(readAll(path(u"opened.txt"_qs)), QByteArray("three"));
        QCOMPARE(app::state().TextModified, 0);
        QCOMPARE(app::state().SaveToRememberedName, 0);
    }

    void exportsLeaveFlagsAlone() {
        setText(u"x"_qs);
        app::state().TextModified = 1;
        app::state().RememberedFileName = u"r"_qs;
        saveAs(u"x.html"_qs, &TForm1::saveHTML99tagASCII1Click);
        saveAs(u"x.c"_qs, &TForm1::saveUnicodenumberlanguageC0x1Click);
        QCOMPARE(app::state().TextModified, 1);
        QCOMPARE(app::state().RememberedFileName, u"r"_qs);
        QCOMPARE(panel(TStatusBar::FilePanel), u"UTF-8 nonBOM  "_qs + path(u"x.c"_qs));
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
