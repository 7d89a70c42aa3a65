// The two settings files: their line and byte rules, what the main window makes of them at
// start-up (also when they are damaged), where they live, and a close-and-restart cycle.
#include "search/find.h"
#include "shell/recentfiles.h"
#include "shell/statusbar.h"
#include "view/memoview.h"
#include "windowrun.h"

#include <QAction>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>
#include <climits>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray recordOf(const settings::FontFields& fields, std::uint8_t fill = 0) {
    settings::FontRecordBytes record;
    record.fill(fill);
    settings::encodeFontRecord(fields, record);
    return QByteArray(reinterpret_cast<const char*>(record.data()), settings::kFontRecordSize);
}

QString designedFamily() {
    return QFontDatabase::hasFamily(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma")
                                                              : QFont().family();
}

} // namespace

class TstSettingsFiles : public QObject {
    Q_OBJECT
private slots:
    void init() { m_runner = std::make_unique<WindowRun>(); }
    void cleanup() { m_runner.reset(); }

    void lineToInt_data();
    void lineToInt();
    void lineRules_data();
    void lineRules();
    void formatSettingsWritesSevenLines();
    void fontRecordLayout();
    void fontRecordName_data();
    void fontRecordName();

    void startup_data();
    void startup();
    void firstRunFont();
    void storedFont_data();
    void storedFont();

    void notRegularFile_data();
    void notRegularFile();

    void damagedSettingsSweep();
    void damagedFontSweep();

    void folderChoice();
    void restartCycle();

private:
    std::unique_ptr<WindowRun> m_runner;
    WindowRun& m_run() { return *m_runner; }
};

void TstSettingsFiles::lineToInt_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("value");
    QTest::newRow("42") << QByteArray("42") << 42;
    QTest::newRow("blanks and tab before") << QByteArray(" \t 42") << 42;
    QTest::newRow("+7") << QByteArray("+7") << 7;
    QTest::newRow("-8") << QByteArray("-8") << -8;
    QTest::newRow("12abc stops at the letter") << QByteArray("12abc") << 12;
    QTest::newRow("no digits") << QByteArray("abc") << 0;
    QTest::newRow("sign alone") << QByteArray("-") << 0;
    QTest::newRow("blank between sign and digits") << QByteArray("- 3") << 0;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("INT_MAX") << QByteArray("2147483647") << INT_MAX;
    QTest::newRow("INT_MIN") << QByteArray("-2147483648") << INT_MIN;
    QTest::newRow("huge saturates high") << QByteArray("99999999999999999999999") << INT_MAX;
    QTest::newRow("huge negative saturates low") << QByteArray("-99999999999999999999") << INT_MIN;
}

void TstSettingsFiles::lineToInt() {
    QFETCH(QByteArray, line);
    QFETCH(int, value);
    QCOMPARE(settings::lineToInt(line), value);
}

// Line-buffer rules beyond what start-up shows: line length, line ends and NULs.
void TstSettingsFiles::lineRules_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");

    const QByteArray pad498(498, ' ');
    QTest::newRow("499-byte line then LF: both lines read") << (pad498 + "5\n6\n") << 2 << 5 << 6;
    QTest::newRow("500-byte line: cut at 499, reading stops")
        << (pad498 + "56\n7\n") << 1 << 5 << 357;
    QTest::newRow("CR LF line ends") << QByteArray("10\r\n20\r\n") << 2 << 10 << 20;
    QTest::newRow("last line without LF") << QByteArray("10\n20") << 2 << 10 << 20;
    QTest::newRow("lone CR ends the number only") << QByteArray("10\r20\n30\n") << 2 << 10 << 30;
    QTest::newRow("NUL first: an empty line") << QByteArray("\0"
                                                            "5\n6\n",
                                                            5)
                                              << 0 << 86 << 357;
    QTest::newRow("NUL after digits") << QByteArray("5\0"
                                                    "9\n6\n",
                                                    5)
                                      << 2 << 5 << 6;
    QTest::newRow("empty file") << QByteArray() << 0 << 86 << 357;
    QTest::newRow("blank line is not empty: counts 0") << QByteArray(" \n6\n") << 2 << 0 << 6;
    QTest::newRow("eight lines: only seven read")
        << QByteArray("1\n2\n300\n400\n1\n0\n1\n99\n") << 7 << 1 << 2;
}

void TstSettingsFiles::lineRules() {
    QFETCH(QByteArray, text);
    QFETCH(int, lines);
    QFETCH(int, top);
    QFETCH(int, left);
    settings::EditorSettings values;
    QCOMPARE(settings::parseSettings(text, values), lines);
    QCOMPARE(values.top, top);
    QCOMPARE(values.left, left);
}

void TstSettingsFiles::formatSettingsWritesSevenLines() {
#ifdef Q_OS_WIN
    const QByteArray expected = "-8\r\n0\r\n2000\r\n100\r\n2\r\n1\r\n0\r\n";
#else
    const QByteArray expected = "-8\n0\n2000\n100\n2\n1\n0\n";
#endif
    QCOMPARE(settings::formatSettings({-8, 0, 2000, 100, 2, true, false}), expected);
    // What is written reads back as written.
    settings::EditorSettings back{1, 1, 1, 1, 1, false, true};
    QCOMPARE(settings::parseSettings(expected, back), 7);
    QCOMPARE(back, settings::EditorSettings({-8, 0, 2000, 100, 2, true, false}));
}

void TstSettingsFiles::fontRecordLayout() {
    settings::FontFields fields;
    fields.colour = static_cast<std::int32_t>(0xFF112233u);
    fields.height = 19;
    fields.name = "Tahoma";
    fields.pitch = 2;
    fields.charSet = 0x1234CC;
    const QByteArray bytes = recordOf(fields, 0xAB);
    QCOMPARE(bytes.size(), 216);
    QCOMPARE(bytes.left(8), QByteArray("\x33\x22\x11\xFF\x13\0\0\0", 8));
    QCOMPARE(bytes.mid(8, 7), QByteArray("Tahoma\0", 7));
    QCOMPARE(static_cast<std::uint8_t>(bytes[15]), 0xAB); // after the NUL: kept as it was
    QCOMPARE(bytes[208], '\x02');
    QCOMPARE(bytes.mid(209, 3), QByteArray("\xAB\xAB\xAB")); // filler kept
    QCOMPARE(bytes.mid(212, 4), QByteArray("\xCC\x34\x12\0", 4));

    settings::FontFields back;
    QVERIFY(settings::decodeFontRecord(bytes, back));
    QCOMPARE(back.colour, fields.colour);
    QCOMPARE(back.height, 19);
    QCOMPARE(back.name, QByteArray("Tahoma"));
    QCOMPARE(back.pitch, 2);
    QCOMPARE(back.charSet, 0xCC); // only the low byte is read
    QVERIFY(!settings::decodeFontRecord(bytes.left(215), back));
}

void TstSettingsFiles::fontRecordName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("nulAt");
    QTest::addColumn<QByteArray>("readBack");
    QTest::newRow("199 characters: NUL is the last byte")
        << QByteArray(199, 'n') << 199 << QByteArray(199, 'n');
    QTest::newRow("200 characters: cut to 199")
        << QByteArray(200, 'n') << 199 << QByteArray(199, 'n');
    QTest::newRow("300 characters: cut to 199")
        << QByteArray(300, 'n') << 199 << QByteArray(199, 'n');
    QTest::newRow("empty name") << QByteArray() << 0 << QByteArray();
}

void TstSettingsFiles::fontRecordName() {
    QFETCH(QByteArray, name);
    QFETCH(int, nulAt);
    QFETCH(QByteArray, readBack);
    settings::FontFields fields;
    fields.name = name;
    const QByteArray bytes = recordOf(fields, 'x');
    QCOMPARE(bytes.mid(8, 200).indexOf('\0'), nulAt);
    settings::FontFields back;
    QVERIFY(settings::decodeFontRecord(bytes, back));
    QCOMPARE(back.name, readBack);
}

void TstSettingsFiles::startup_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QRect>("geometry"); // left, top, width, height
    QTest::addColumn<QString>("modePanel");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<bool>("japanese");

    const QRect first(357, 86, 416, 480);
    QTest::newRow("no file: first run") << QByteArray() << first << "R" << false << true;
    QTest::newRow("100 200 5000 50: width 1024, height 100, rest start values")
        << QByteArray("100\n200\n5000\n50\n") << QRect(200, 100, 1024, 100) << "R" << false << true;
    QTest::newRow("mode 3 gives mode 0")
        << QByteArray("86\n357\n416\n480\n3\n") << first << "" << false << true;
    QTest::newRow("mode -1 gives mode 0")
        << QByteArray("86\n357\n416\n480\n-1\n") << first << "" << false << true;
    QTest::newRow("mode 2 direct")
        << QByteArray("86\n357\n416\n480\n2\n") << first << "H" << false << true;
    QTest::newRow("wrap 7 is on") << QByteArray("86\n357\n416\n480\n1\n7\n0\n") << first << "R"
                                  << true << false;
    QTest::newRow("empty fourth line stops the reading")
        << QByteArray("10\n20\n300\n\n2\n1\n0\n") << QRect(20, 10, 300, 480) << "R" << false
        << true;
    QTest::newRow("top 701 becomes 0, left 1000 stays")
        << QByteArray("701\n1000\n") << QRect(1000, 0, 416, 480) << "R" << false << true;
    QTest::newRow("left -8 reopens at 0")
        << QByteArray("50\n-8\n") << QRect(0, 50, 416, 480) << "R" << false << true;
    QTest::newRow("left 1001 becomes 0, top -1 becomes 0")
        << QByteArray("-1\n1001\n") << QRect(0, 0, 416, 480) << "R" << false << true;
    QTest::newRow("width 99 and height 99 become 100")
        << QByteArray("0\n0\n99\n99\n") << QRect(0, 0, 100, 100) << "R" << false << true;
    QTest::newRow("width 2000 stays, height 3001 becomes 700")
        << QByteArray("0\n0\n2000\n3001\n") << QRect(0, 0, 2000, 700) << "R" << false << true;
    QTest::newRow("words count 0: mode none, wrap off, US keyboard")
        << QByteArray("a\nb\nc\nd\ne\nf\ng\n") << QRect(0, 0, 100, 100) << "" << false << false;
    QTest::newRow("Windows line ends") << QByteArray("1\r\n2\r\n300\r\n400\r\n2\r\n1\r\n0\r\n")
                                       << QRect(2, 1, 300, 400) << "H" << true << false;
}

void TstSettingsFiles::startup() {
    QFETCH(QByteArray, file);
    QFETCH(QRect, geometry);
    QFETCH(QString, modePanel);
    QFETCH(bool, wrap);
    QFETCH(bool, japanese);

    if (!file.isEmpty())
        m_run().put(QString::fromLatin1(settings::kSettingsFileName), file);
    m_run().start();
    QCOMPARE(QRect(app::state().Form1->x(), app::state().Form1->y(), app::state().Form1->width(),
                   app::state().Form1->height()),
             geometry);
    QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::ModePanel), modePanel);
    QCOMPARE(app::state().ImeMode, modePanel == QLatin1String("R")   ? 1
                                   : modePanel == QLatin1String("H") ? 2
                                                                     : 0);
    QCOMPARE(app::state().Form1->wordWrap(), wrap);
    QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::WrapPanel),
             wrap ? QStringLiteral("WrapLine") : QStringLiteral("noWrapLine"));
    QCOMPARE(app::state().Form1->Wrapofftoggle1->text(),
             wrap ? QStringLiteral("Wrap Line off(toggle)")
                  : QStringLiteral("Wrap Line on(toggle)"));
    QCOMPARE(app::state().Form1->JapaneseOSJapaneseIME1->isChecked(), japanese);
    QCOMPARE(app::state().TextModified, 0);
}

void TstSettingsFiles::firstRunFont() {
    m_run().start();
    QCOMPARE(app::state().Form1->Memo1->font().family(), designedFamily());
    QCOMPARE(app::state().Form1->Memo1->font().pixelSize(), 19);
    QCOMPARE(app::state().searchform->Edit1->font().pixelSize(), 19);
}

void TstSettingsFiles::storedFont_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRgb>("colour");

    settings::FontFields fields;
    fields.colour = static_cast<std::int32_t>(qRgb(0x12, 0x34, 0x56));
    fields.height = 31;
    fields.name = QFont().family().toLocal8Bit();
    fields.pitch = 1;
    const QByteArray whole = recordOf(fields);
    const QRgb black = QPalette().color(QPalette::Text).rgb();
    QTest::newRow("whole record applied") << whole << 31 << qRgb(0x12, 0x34, 0x56);
    QTest::newRow("217 bytes: first 216 applied") << (whole + "z") << 31 << qRgb(0x12, 0x34, 0x56);
    QTest::newRow("215 bytes: designed font") << whole.left(215) << 19 << black;
    QTest::newRow("empty file: designed font") << QByteArray() << 19 << black;
    settings::FontFields zero = fields;
    zero.height = 0;
    QTest::newRow("height 0: designed height") << recordOf(zero) << 19 << qRgb(0x12, 0x34, 0x56);
    zero.height = -40;
    QTest::newRow("negative height: designed height")
        << recordOf(zero) << 19 << qRgb(0x12, 0x34, 0x56);
    zero.height = INT_MAX;
    QTest::newRow("huge height: designed height") << recordOf(zero) << 19 << qRgb(0x12, 0x34, 0x56);
}

void TstSettingsFiles::storedFont() {
    QFETCH(QByteArray, file);
    QFETCH(int, height);
    QFETCH(QRgb, colour);
    m_run().put(QString::fromLatin1(settings::kFontFileName), file);
    m_run().start();
    QCOMPARE(app::state().Form1->Memo1->font().pixelSize(), height);
    QCOMPARE(app::state().Form1->Memo1->palette().color(QPalette::Text).rgb(), colour);
    // The find entry copies the editor's font when it is created.
    QCOMPARE(app::state().searchform->Edit1->font().pixelSize(), height);
}

// Whatever a settings file holds, start-up completes with values inside their ranges and
// displays in step with them.
void TstSettingsFiles::damagedSettingsSweep() {
    QList<QByteArray> inputs;
    QRandomGenerator random(20240611);
    for (int i = 0; i < 60; ++i) {
        QByteArray bytes(static_cast<int>(random.bounded(1, 120)), '\0');
        for (char& b : bytes)
            b = static_cast<char>(random.bounded(256));
        // Bias towards text that looks like lines of digits.
        if (i % 2 == 0)
            for (char& b : bytes)
                b = "0123456789-+\n\n \r"[static_cast<unsigned char>(b) % 16];
        inputs << bytes;
    }
    const QByteArray valid = "120\n140\n600\n500\n2\n1\n0\n";
    for (int n = 0; n <= valid.size(); ++n)
        inputs << valid.left(n);
    inputs << "99999999999999999999\n-99999999999999999999\n99999999999999999999\n"
              "-99999999999999999999\n99999999999999999999\n-99999999999999999999\n-1\n";
    inputs << "-2147483648\n-2147483648\n-2147483648\n-2147483648\n-2147483648\n-2147483648\n";
    inputs << QByteArray(100000, '7');

    for (const QByteArray& input : inputs) {
        m_run().put(QString::fromLatin1(settings::kSettingsFileName), input);
        m_run().start();
        const auto why = qPrintable(QString::fromLatin1(input.left(60).toPercentEncoding()));
        QVERIFY2(app::state().WindowTop >= 0 && app::state().WindowTop <= 700, why);
        QVERIFY2(app::state().WindowLeft >= 0 && app::state().WindowLeft <= 1000, why);
        QVERIFY2(app::state().WindowWidth >= 100 && app::state().WindowWidth <= 2000, why);
        QVERIFY2(app::state().WindowHeight >= 100 && app::state().WindowHeight <= 3000, why);
        QVERIFY2(app::state().ImeMode >= 0 && app::state().ImeMode <= 2, why);
        QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::ModePanel),
                 ime::modePanelText(app::state().ImeMode));
        QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::WrapPanel),
                 app::state().Form1->wordWrap() ? QStringLiteral("WrapLine")
                                                : QStringLiteral("noWrapLine"));
        m_run().stop();
    }
}

void TstSettingsFiles::damagedFontSweep() {
    QList<QByteArray> inputs;
    QRandomGenerator random(20240612);
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes(216, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random.bounded(256));
        inputs << bytes;
    }
    settings::FontFields fields;
    fields.height = 23;
    fields.name = "Sans";
    const QByteArray valid = recordOf(fields);
    for (int n = 0; n < valid.size(); n += 9)
        inputs << valid.left(n);
    QByteArray noNul = valid;
    noNul.replace(8, 200, QByteArray(200, 'A'));
    inputs << noNul;
    QByteArray negative(216, '\xFF');
    inputs << negative;
    QByteArray huge = valid;
    huge.replace(4, 4, QByteArray("\xFF\xFF\xFF\x7F"));
    huge[208] = '\xFE';
    inputs << huge;

    for (const QByteArray& input : inputs) {
        m_run().put(QString::fromLatin1(settings::kFontFileName), input);
        m_run().start();
        const QFont font = app::state().Form1->Memo1->font();
        QVERIFY(font.pixelSize() > 0 && font.pixelSize() <= 2000);
        QVERIFY(app::state().Form1->Memo1->palette().color(QPalette::Text).alpha() == 255);
        QCOMPARE(app::state().searchform->Edit1->font(), font);
        m_run().stop();
    }
}

extern "C" void startBlocked(int) {
    static const char message[] = "FAIL! the start waited on a FIFO for 20 seconds\n";
    [[maybe_unused]] const ssize_t n = ::write(2, message, sizeof message - 1);
    ::_exit(1);
}

void TstSettingsFiles::notRegularFile_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("setteiedit.dat is a FIFO") << QString::fromLatin1(settings::kSettingsFileName);
    QTest::newRow("fontedit.dat is a FIFO") << QString::fromLatin1(settings::kFontFileName);
    QTest::newRow("recentedit.dat is a FIFO") << QString::fromLatin1(recent::kRecentFileName);
}

// A FIFO in the place of a settings file is refused without waiting for a writer: the window
// comes up with start values, and closing leaves the FIFO alone.
void TstSettingsFiles::notRegularFile() {
    QFETCH(QString, name);
    const QByteArray fifo = QFile::encodeName(m_run().path(name));
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
    std::signal(SIGALRM, startBlocked); // a start that waits fails instead of hanging
    ::alarm(20);
    m_run().start();
    app::state().Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(app::state().Form1));
    QCOMPARE(QRect(app::state().Form1->x(), app::state().Form1->y(), app::state().Form1->width(),
                   app::state().Form1->height()),
             QRect(357, 86, 416, 480));
    QCOMPARE(app::state().ImeMode, 1);
    QCOMPARE(app::state().Form1->Memo1->font().pixelSize(), 19);
    QVERIFY(app::state().Form1->close());
    ::alarm(0);
    struct stat st {};
    QVERIFY(::lstat(fifo.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
}

void TstSettingsFiles::folderChoice() {
    QTemporaryDir program;
    QTemporaryDir config;
    settings::setFolderOverride(QString());
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString userFolder = config.path() + QStringLiteral("/toviloeditru/");

    app::state().ProgramDir = program.path() + u'/';
    QCOMPARE(settings::folder(), app::state().ProgramDir);

    // A program folder that cannot be written sends reads and writes to the user's folder.
    app::state().ProgramDir = program.path() + QStringLiteral("/missing/");
    QCOMPARE(settings::folder(), userFolder);
    QVERIFY(settings::writeFile(settings::kSettingsFileName, "1\n"));
    QVERIFY(QFile::exists(userFolder + QLatin1String(settings::kSettingsFileName)));
    QCOMPARE(settings::readFile(settings::kSettingsFileName, 100).value_or("none"), "1\n");

    if (::geteuid() != 0) {
        QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner);
        app::state().ProgramDir = program.path() + u'/';
        QCOMPARE(settings::folder(), userFolder);
        QFile::setPermissions(program.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A write that cannot happen leaves the previous file whole.
    app::state().ProgramDir = program.path() + u'/';
    QVERIFY(settings::writeFile(settings::kFontFileName, "old"));
    settings::setFolderOverride(program.path() + QStringLiteral("/file-not-folder"));
    QFile blocker(program.path() + QStringLiteral("/file-not-folder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!settings::writeFile(settings::kFontFileName, "new"));
    settings::setFolderOverride(QString());
    QCOMPARE(settings::readFile(settings::kFontFileName, 100).value_or("none"), "old");

    app::state().ProgramDir.clear();
    qputenv("XDG_CONFIG_HOME", oldConfig);
    settings::setFolderOverride(QString());
}

void TstSettingsFiles::restartCycle() {
    // The run object points the folder back at its own directory.
    WindowRun run;
    run.start();
    app::state().Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(app::state().Form1));
    app::state().Form1->move(120, 140);
    app::state().Form1->resize(600, 500);
    app::state().Form1->KoreaDirectIME1Click();
    app::state().Form1->Wrapofftoggle1Click();
    app::state().Form1->JapaneseOSJapaneseIME1->trigger();
    QVERIFY(!app::state().Form1->JapaneseOSJapaneseIME1->isChecked());
    QPalette palette = app::state().Form1->Memo1->palette();
    palette.setColor(QPalette::Text, QColor(0x20, 0x40, 0x60));
    app::state().Form1->Memo1->setPalette(palette);
    {
        Answers answers;
        answers.font = QFont(familyWithBoldItalic());
        answers.font.setPixelSize(26);
        answers.font.setBold(true);
        answers.font.setItalic(true);
        app::state().Form1->changefont1Click();
        QVERIFY(app::state().Form1->Memo1->font().bold());
    }
    const QString family = app::state().Form1->Memo1->font().family();
    // The dialog hands out point sizes; the record keeps the pixel height they came to.
    const int height = QFontInfo(app::state().Form1->Memo1->font()).pixelSize();
    QVERIFY(app::state().Form1->close());
    QCOMPARE(run.get(QString::fromLatin1(settings::kSettingsFileName)),
             settings::formatSettings({140, 120, 600, 500, 2, true, false}));
    const QByteArray fontFile = run.get(QString::fromLatin1(settings::kFontFileName));

    run.start();
    QCOMPARE(QRect(app::state().Form1->x(), app::state().Form1->y(), app::state().Form1->width(),
                   app::state().Form1->height()),
             QRect(120, 140, 600, 500));
    QCOMPARE(app::state().ImeMode, 2);
    QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::ModePanel), QStringLiteral("H"));
    QVERIFY(app::state().Form1->wordWrap());
    QCOMPARE(app::state().Form1->Wrapofftoggle1->text(), QStringLiteral("Wrap Line off(toggle)"));
    QVERIFY(!app::state().Form1->JapaneseOSJapaneseIME1->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(app::state().Form1->Memo1),
                       static_cast<QWidget*>(app::state().searchform->Edit1)}) {
        QCOMPARE(w->font().family(), family);
        QCOMPARE(w->font().pixelSize(), height);
        QVERIFY(!w->font().bold()); // the style is not stored
        QVERIFY(!w->font().italic());
    }
    QCOMPARE(app::state().Form1->Memo1->palette().color(QPalette::Text), QColor(0x20, 0x40, 0x60));

    // Writing what was read gives the same record.
    Answers answers;
    answers.font = app::state().Form1->Memo1->font();
    app::state().Form1->changefont1Click();
    QCOMPARE(run.get(QString::fromLatin1(settings::kFontFileName)), fontFile);
    settings::setFolderOverride(QString());
}

QTEST_MAIN(TstSettingsFiles)
#include "tst_settingsfiles.moc"
