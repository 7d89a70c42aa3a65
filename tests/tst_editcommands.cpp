// The editor's context menu commands, the Unicode paste, the Windows 95 family Ctrl+V lock
// and the undo of composed letters, through the real main window.
#include "app/modal.h"
#include "app/paste.h"
#include "editfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QTimer>
#include <memory>

class TestEditCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<EditWindows> m_windows;
    MemoView& memo() { return app::state().Form1->memoTarget(); }

private slots:
    void init() { m_windows = std::make_unique<EditWindows>(); }
    void cleanup() {
        modal::setResponder({});
        m_windows.reset();
    }

    void paste_data() {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("unicode");
        QTest::addColumn<QByteArray>("eightBit");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("modified");

        const QByteArray none;
        QTest::newRow("a CR LF b -> two lines, caret after b")
            << u"|"_qs << u"a\r\nb"_qs << none << u"a\nb"_qs << 4 << 1;
        QTest::newRow("a LF b -> two lines")
            << u"|"_qs << u"a\nb"_qs << none << u"a\nb"_qs << 4 << 1;
        QTest::newRow("lone CR disappears") << u"|"_qs << u"a\rb"_qs << none << u"ab"_qs << 2 << 1;
        QTest::newRow("NUL ends the text")
            << u"x|y"_qs << u"ab\u0000cd"_qs << none << u"xaby"_qs << 3 << 1;
        QTest::newRow("a CR b NUL c -> ab")
            << u"|"_qs << u"a\rb\u0000c"_qs << none << u"ab"_qs << 2 << 1;
        QTest::newRow("over a selection, nothing selected after")
            << u"x[yy]z"_qs << u"Q"_qs << none << u"xQz"_qs << 2 << 1;
        QTest::newRow("over a selection across lines")
            << u"a[b\nc]d"_qs << u"привет"_qs << none << u"aприветd"_qs << 7 << 1;
        QTest::newRow("both forms: the Unicode one is taken")
            << u"|"_qs << u"привет"_qs << QByteArray("abc") << u"привет"_qs << 6 << 1;
        QTest::newRow("8-bit form only: widened")
            << u"|"_qs << QString() << QByteArray("abc\r\nd") << u"abc\nd"_qs << 6 << 1;
        QTest::newRow("8-bit form stops at NUL")
            << u"|"_qs << QString() << QByteArray("ab\0cd", 5) << u"ab"_qs << 2 << 1;
        QTest::newRow("no text on the clipboard: unchanged")
            << u"ab|c"_qs << QString() << none << u"abc"_qs << 2 << 0;
        QTest::newRow("only a NUL: nothing inserted")
            << u"ab|"_qs << u"\u0000x"_qs << none << u"ab"_qs << 2 << 0;
    }
    void paste() {
        QFETCH(QString, editor);
        QFETCH(QString, unicode);
        QFETCH(QByteArray, eightBit);
        QFETCH(QString, lines);
        QFETCH(int, caret);
        QFETCH(int, modified);
        // The context menu's Paste and Ctrl+V are one paste.
        for (const bool byKey : {false, true}) {
            setEditor(editor);
            putOnClipboard(unicode, eightBit, k8BitTextMime);
            if (byKey)
                QTest::keyClick(app::state().Form1->Memo1, Qt::Key_V, Qt::ControlModifier);
            else
                app::state().Form1->MenuItem3->trigger();
            QCOMPARE(editorLines(), lines);
            QCOMPARE(memo().selStart(), qsizetype(caret));
            QCOMPARE(memo().selLength(), qsizetype(0));
            QCOMPARE(app::state().TextModified, modified);
        }
    }

    void cutAndCopy_data() {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<int>("modified");

        QTest::newRow("cut ab[cd]ef")
            << u"ab[cd]ef"_qs << true << u"cd"_qs << u"abef"_qs << 2 << 0 << 1;
        QTest::newRow("cut across a line break gives CR LF")
            << u"a[b\nc]d"_qs << true << u"b\r\nc"_qs << u"ad"_qs << 1 << 0 << 1;
        QTest::newRow("cut with nothing selected")
            << u"ab|cd"_qs << true << u""_qs << u"abcd"_qs << 2 << 0 << 0;
        QTest::newRow("copy ab[cd]ef keeps the selection")
            << u"ab[cd]ef"_qs << false << u"cd"_qs << u"abcdef"_qs << 2 << 2 << 0;
        QTest::newRow("copy with nothing selected")
            << u"ab|cd"_qs << false << u""_qs << u"abcd"_qs << 2 << 0 << 0;
    }
    void cutAndCopy() {
        QFETCH(QString, editor);
        QFETCH(bool, cut);
        QFETCH(QString, clipboard);
        QFETCH(QString, lines);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(int, modified);
        setEditor(editor);
        QGuiApplication::clipboard()->setText(u"old"_qs);
        (cut ? app::state().Form1->MenuItem1 : app::state().Form1->MenuItem2)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
        QCOMPARE(editorLines(), lines);
        QCOMPARE(memo().selStart(), qsizetype(selStart));
        QCOMPARE(memo().selLength(), qsizetype(selLength));
        QCOMPARE(app::state().TextModified, modified);
    }

    void clear_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes empties the text") << true;
        QTest::newRow("No leaves it") << false;
    }
    void clear() {
        QFETCH(bool, yes);
        setEditor(u"ab\n[c]d"_qs);
        QString asked;
        modal::setResponder([&](QDialog& dialog) {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            QVERIFY(box);
            asked = box->windowTitle() + u'|' + box->text();
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        app::state().Form1->MenuItem4->trigger();
        QCOMPARE(asked, u"confirm|Clear OK?"_qs);
        QCOMPARE(editorLines(), yes ? QString() : u"ab\ncd"_qs);
        QCOMPARE(app::state().TextModified, yes ? 1 : 0);
        if (yes) {
            // The cleared text comes back with Ctrl+Z.
            QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(editorLines(), u"ab\ncd"_qs);
        }
    }

    void selectAll() {
        setEditor(u"ab\nc|d"_qs);
        app::state().Form1->MenuItem5->trigger();
        QCOMPARE(memo().selStart(), qsizetype(0));
        QCOMPARE(memo().selLength(), qsizetype(6));
        QCOMPARE(memo().selText(), u"ab\r\ncd"_qs);
    }

    void win9xCtrlVLocksTheEditor() {
        app::state().IsWin9x = 1;
        setEditor(u"|"_qs);
        QGuiApplication::clipboard()->setText(u"п\r\n"_qs);
        QVERIFY(app::state().Form1->Memo1->hasFocus());
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editorLines(), u"п\n"_qs);
        QVERIFY(app::state().Form1->Memo1->isReadOnly());
        QVERIFY(app::state().Form1->TimerMemo->isActive());
        QCOMPARE(app::state().Form1->TimerMemo->interval(), 500);
        // A second Ctrl+V and typing within the lock change nothing.
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_A);
        QCOMPARE(editorLines(), u"п\n"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!app::state().Form1->Memo1->isReadOnly(), 2000);
        QVERIFY(!app::state().Form1->TimerMemo->isActive());
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editorLines(), u"п\nп\n"_qs);
    }

    void win9xCtrlVLocksEvenWithoutText() {
        app::state().IsWin9x = 1;
        setEditor(u"ab|"_qs);
        putOnClipboard(QString(), QByteArray(), k8BitTextMime);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editorLines(), u"ab"_qs);
        QVERIFY(app::state().Form1->Memo1->isReadOnly());
        QVERIFY(app::state().Form1->TimerMemo->isActive());
    }

    void otherSystemsKeepTheControlsPaste() {
        app::state().IsWin9x = 0;
        setEditor(u"|"_qs);
        QGuiApplication::clipboard()->setText(u"xy"_qs);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editorLines(), u"xy"_qs);
        QVERIFY(!app::state().Form1->Memo1->isReadOnly());
        QVERIFY(!app::state().Form1->TimerMemo->isActive());
    }

    void accentKey() {
        setEditor(u"a|"_qs);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Semicolon, Qt::ControlModifier);
        QCOMPARE(editorLines(), u"a\u0301"_qs);
        QCOMPARE(app::state().MemoInput.AccentPending, 0);
        // Armed without a key event of its own, the accent takes the next letter's place.
        QKeyEvent arm(QEvent::KeyPress, Qt::Key_Semicolon, Qt::ControlModifier, u";"_qs);
        app::state().Form1->FormShortCut(arm);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_B);
        QCOMPARE(editorLines(), u"a\u0301\u0301"_qs);
    }

    void undoOfAComposedLetter_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("afterUndo");
        // Typed letters are one run for undo, whatever the composer made of them.
        QTest::newRow("b b -> ъ, undo -> nothing") << u"bb"_qs << u"ъ"_qs << u""_qs;
        QTest::newRow("a b b -> аъ, undo -> nothing") << u"abb"_qs << u"аъ"_qs << u""_qs;
        QTest::newRow("i i i -> ю, undo -> nothing") << u"iii"_qs << u"ю"_qs << u""_qs;
        QTest::newRow("z h -> ж, undo -> nothing") << u"zh"_qs << u"ж"_qs << u""_qs;
        QTest::newRow("s s s s -> с, undo -> nothing") << u"ssss"_qs << u"с"_qs << u""_qs;
        QTest::newRow("a b space v -> абв, undo -> nothing") << u"ab v"_qs << u"абв"_qs << u""_qs;
    }
    void undoOfAComposedLetter() {
        QFETCH(QString, keys);
        QFETCH(QString, typed);
        QFETCH(QString, afterUndo);
        app::state().ImeMode = 1;
        setEditor(u"|"_qs);
        QTest::keyClicks(app::state().Form1->Memo1, keys);
        QCOMPARE(editorLines(), typed);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editorLines(), afterUndo);
        QCOMPARE(memo().selStart(), qsizetype(afterUndo.size()));
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(editorLines(), typed);
    }
};

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
