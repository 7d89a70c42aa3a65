// The keymap help text and window, the copyright window and the two web site commands,
// through the real windows.
#include "app/appstate.h"
#include "app/modal.h"
#include "info/copyright.h"
#include "info/help.h"
#include "info/helptext.h"
#include "info/siteinfo.h"
#include "info/weblaunch.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "statefolder.h"
#include "view/memoview.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

// The windows' recovery journals stay in a state folder of this program's own.
static const OwnStateFolder ownStateFolder;

// Records the addresses the desktop service is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestHelpWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_settings;

    static QStringList helpLines() { return info::keymapHelpText().split(QStringLiteral("\r\n")); }

private slots:
    void init() {
        m_settings = std::make_unique<QTemporaryDir>();
        settings::setFolderOverride(m_settings->path());
        app::state().reset();
        createApplicationWindows({QStringLiteral("toviloeditru")});
        app::state().Form1->show();
    }
    void cleanup() {
        modal::setResponder({});
        weblaunch::setUrlOpener({});
        destroyApplicationWindows();
        settings::setFolderOverride(QString());
        app::state().reset();
        m_settings.reset();
    }

    // --- the help text itself

    void helpTextShape() {
        const QString text = info::keymapHelpText();
        QCOMPARE(helpLines().size(), 128);
        QCOMPARE(text.count(QStringLiteral("\r\n")), 127);
        QCOMPARE(text.count(u'\n'), 127); // no bare LF
        QCOMPARE(text.count(u'\r'), 127); // no bare CR
        QVERIFY(!text.endsWith(u'\n'));
        QVERIFY(!text.endsWith(u'\r'));
        QCOMPARE(qsizetype(info::keymapHelpLines().size()), qsizetype(128));
    }

    void helpTextLine_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("line");
        QTest::newRow("1 title") << 1 << u"Russian Romanized Input Key map"_qs;
        QTest::newRow("2 rule") << 2 << u"-----------------------"_qs;
        QTest::newRow("3 accent") << 3 << u"Ctrl+;=accent"_qs;
        QTest::newRow("4 space") << 4 << u"space key=decide(KAKUTEI)"_qs;
        QTest::newRow("5 A") << 5 << u"A,А"_qs;
        QTest::newRow("8 b cycle") << 8 << u"b,[б,ь,ъ](toggle)"_qs;
        QTest::newRow("15 E cycle") << 15 << u"E,[Е,Ё,Э](toggle)"_qs;
        QTest::newRow("19 Z, space before (toggle)") << 19 << u"Z,[З,Ж] (toggle)"_qs;
        QTest::newRow("20 z, no (toggle)") << 20 << u"z,[з,ж]"_qs;
        QTest::newRow("22 i cycle") << 22 << u"i,[и,й,ю,я](toggle)"_qs;
        QTest::newRow("43 T cycle") << 43 << u"T,[Т,Ц](toggle)"_qs;
        QTest::newRow("56 h") << 56 << u"h,н"_qs;
        QTest::newRow("57 empty") << 57 << QString();
        QTest::newRow("58 q for Mongol, one trailing space")
            << 58 << u"q,[ө,ү,Ө,Ү](toggle)(for Mongol) "_qs;
        QTest::newRow("59 rule") << 59 << u"-----------------------"_qs;
        QTest::newRow("60 direct title")
            << 60 << u"Russian Direct Input Key map(for Japanese Keyboard)"_qs;
        QTest::newRow("62 accent") << 62 << u"Ctrl+;=accent"_qs;
        QTest::newRow("63 Q") << 63 << u"Q,Й"_qs;
        QTest::newRow("83 backquote") << 83 << u"`,Х"_qs;
        QTest::newRow("84 at") << 84 << u"@,х"_qs;
        QTest::newRow("105 plus") << 105 << u"+,Ж"_qs;
        QTest::newRow("124 comma comma") << 124 << u",,б"_qs;
        QTest::newRow("127 question") << 127 << u"?,Ё"_qs;
        QTest::newRow("128 last") << 128 << u"/,ё"_qs;
    }
    void helpTextLine() {
        QFETCH(int, number);
        QFETCH(QString, line);
        QCOMPARE(helpLines().at(number - 1), line);
    }

    void onlyLine58EndsInSpace() {
        const QStringList lines = helpLines();
        for (int i = 0; i < lines.size(); ++i) {
            const bool trailing = !lines[i].isEmpty() && lines[i].back().isSpace();
            QCOMPARE(trailing, i == 57);
        }
    }

    // --- the help window

    void helpWindowShowsTextReadOnlyAtStart() {
        QPlainTextEdit* memo = app::state().helpform->Memo1;
        QCOMPARE(app::state().helpform->windowTitle(), u"Russian Romanized/Direct Input keymap"_qs);
        QCOMPARE(app::state().helpform->size(), QSize(530, 417));
        QCOMPARE(memo->toPlainText(), helpLines().join(u'\n'));
        QCOMPARE(memo->document()->blockCount(), 128);
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->textCursor().position(), 0);
        QVERIFY(!memo->textCursor().hasSelection());
        QCOMPARE(memo->wordWrapMode(), QTextOption::WrapAnywhere);
        QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QVERIFY(!app::state().helpform->isVisible());
    }

    void helpWindowIgnoresTyping() {
        app::state().Form1->keymap1Click();
        QVERIFY(QTest::qWaitForWindowExposed(app::state().helpform));
        QPlainTextEdit* memo = app::state().helpform->Memo1;
        const QString before = memo->toPlainText();
        QTest::keyClicks(memo, QStringLiteral("abc"));
        QTest::keyClick(memo, Qt::Key_Delete);
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClick(memo, Qt::Key_Backspace);
        QCOMPARE(memo->toPlainText(), before);
    }

    void helpWindowTakesTheEditorFontAtCreation() {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(23);
        font.setBold(true);
        font.setItalic(true);
        app::state().Form1->Memo1->setFont(font);
        QPalette palette = app::state().Form1->Memo1->palette();
        palette.setColor(QPalette::Text, QColor(0x80, 0x00, 0x20));
        app::state().Form1->Memo1->setPalette(palette);

        Thelpform* const original = app::state().helpform;
        {
            Thelpform fresh(app::state().Form1);
            QCOMPARE(fresh.Memo1->font(), app::state().Form1->Memo1->font());
            QCOMPARE(fresh.Memo1->palette().color(QPalette::Text), QColor(0x80, 0x00, 0x20));

            // A later change in the editor does not reach the help window.
            QFont later = font;
            later.setPixelSize(31);
            app::state().Form1->Memo1->setFont(later);
            QCOMPARE(fresh.Memo1->font().pixelSize(), 23);
        }
        QVERIFY(app::state().helpform ==
                nullptr); // the window that went away does not stay registered
        app::state().helpform = original;
    }

    void keymapTwiceReusesTheWindowAndItsScroll() {
        app::state().Form1->keymap1Click();
        QVERIFY(QTest::qWaitForWindowExposed(app::state().helpform));
        Thelpform* first = app::state().helpform;
        QScrollBar* bar = app::state().helpform->Memo1->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        const int scrolled = bar->value();

        app::state().helpform->close();
        QVERIFY(!app::state().helpform->isVisible());
        QVERIFY(app::state().Form1->isEnabled()); // modeless: the main window was never blocked
        app::state().Form1->keymap1->trigger();
        QVERIFY(app::state().helpform->isVisible());
        QCOMPARE(app::state().helpform, first);
        QCOMPARE(app::state().Form1->findChildren<Thelpform*>().size(), 1);
        QCOMPARE(app::state().helpform->Memo1->verticalScrollBar()->value(), scrolled);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void keymapCentresOverTheMainWindow() {
        app::state().Form1->move(300, 200);
        app::state().Form1->keymap1Click();
        QVERIFY(QTest::qWaitForWindowExposed(app::state().helpform));
        const QPoint delta = app::state().helpform->frameGeometry().center() -
                             app::state().Form1->frameGeometry().center();
        QVERIFY2(qAbs(delta.x()) <= 2 && qAbs(delta.y()) <= 2,
                 qPrintable(QStringLiteral("off by %1,%2").arg(delta.x()).arg(delta.y())));
    }

    void helpTextControlFollowsTheWindowSize() {
        app::state().Form1->keymap1Click();
        QVERIFY(QTest::qWaitForWindowExposed(app::state().helpform));
        app::state().helpform->resize(700, 500);
        QCOMPARE(app::state().helpform->Memo1->geometry(), QRect(2, 4, 695, 492));
        app::state().helpform->resize(530, 417);
        QCOMPARE(app::state().helpform->Memo1->geometry(), QRect(2, 4, 525, 409));
    }

    // --- the copyright window

    void copyrightIsModalWithItsThreeLines() {
        bool seen = false;
        modal::setResponder([&seen](QDialog& dialog) {
            seen = true;
            QCOMPARE(&dialog, static_cast<QDialog*>(app::state().copyrightform));
            QVERIFY(dialog.isModal());
            QCOMPARE(QApplication::activeModalWidget(), &dialog);
            dialog.reject(); // the close box
        });
        app::state().Form1->copyright1->trigger();
        QVERIFY(seen);
        QVERIFY(!app::state().copyrightform->isVisible());

        QCOMPARE(app::state().copyrightform->windowTitle(), u"copyright"_qs);
        QCOMPARE(app::state().copyrightform->size(), QSize(393, 178));
        QCOMPARE(app::state().copyrightform->Label1->geometry(), QRect(20, 44, 325, 16));
        QCOMPARE(app::state().copyrightform->Label2->geometry(), QRect(32, 106, 128, 12));
        QCOMPARE(app::state().copyrightform->Label3->geometry(), QRect(32, 134, 177, 12));
        QVERIFY(app::state().copyrightform->Label1->text().contains(u"Copyright (C) 2026"_qs));
        QVERIFY(app::state().copyrightform->Label2->text().contains(u'@'));
        QCOMPARE(app::state().copyrightform->Label3->text(), info::officialSiteAddress());
        QVERIFY(app::state().copyrightform->findChildren<QAbstractButton*>().isEmpty());
    }

    void copyrightLinesAreNotCutOff_data() {
        QTest::addColumn<int>("label");
        QTest::newRow("program and notice") << 1;
        QTest::newRow("contact") << 2;
        QTest::newRow("web address") << 3;
    }
    void copyrightLinesAreNotCutOff() {
        QFETCH(int, label);
        const QLabel* shown = label == 1   ? app::state().copyrightform->Label1
                              : label == 2 ? app::state().copyrightform->Label2
                                           : app::state().copyrightform->Label3;
        QVERIFY(shown->fontMetrics().horizontalAdvance(shown->text()) <= shown->width());
    }

    // --- web sites

    void jumpOpensTheSiteThroughTheDesktop_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("url");
        QTest::newRow("official site")
            << u"Jumptoofficialwebsite1"_qs << info::officialSiteAddress();
        QTest::newRow("ToviloGlossa site")
            << u"JumptoToviloGlossawebsite1"_qs << info::glossaSiteAddress();
    }
    void jumpOpensTheSiteThroughTheDesktop() {
        QFETCH(QString, action);
        QFETCH(QString, url);
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
        app::state().Form1->findChild<QAction*>(action)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(recorder.urls.size(), 1);
        QCOMPARE(recorder.urls.first(), QUrl(url));
        QCOMPARE(recorder.urls.first().scheme(), u"http"_qs);
        QVERIFY(!url.endsWith(u'/'));
    }

    void officialSiteHasItsPath() {
        QCOMPARE(QUrl(info::officialSiteAddress()).path(), u"/toviloeditru"_qs);
        QVERIFY(QUrl(info::glossaSiteAddress()).path().isEmpty());
    }

    void openerHookSeesTheAddress() {
        QList<QUrl> opened;
        weblaunch::setUrlOpener([&opened](const QUrl& url) {
            opened.append(url);
            return true;
        });
        app::state().Form1->Jumptoofficialwebsite1Click();
        QCOMPARE(opened, QList<QUrl>{QUrl(info::officialSiteAddress())});
        QVERIFY(!weblaunch::openAddress(QStringLiteral("http://exa mple.com/")));
        QCOMPARE(opened.size(), 1);
    }
};

QTEST_MAIN(TestHelpWindows)
#include "tst_helpwindows.moc"
