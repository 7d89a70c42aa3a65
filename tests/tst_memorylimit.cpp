// Edits that run out of memory in the real windows. Each case runs in a child process (this
// program again) whose address space is limited (RLIMIT_AS) to a little more than it uses once
// the case is set up; the edit is then refused with "not enough memory for N MB", the text and
// the clipboard stay as they were, and the editor goes on: a small edit afterwards works.
#include "app/appstate.h"
#include "app/modal.h"
#include "editfixture.h"
#include "text/textbuffer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define TOVILO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVILO_ASAN 1
#endif
#endif

namespace {

constexpr char kCaseVariable[] = "TOVILO_MEMORY_CASE";
// 100 MB of text as the editor holds it.
constexpr qsizetype kUnits = 50 * 1000 * 1000;

// The address space in use now (VmSize), in bytes.
qint64 addressSpace() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// A checksum of the editor's text, read in place.
quint64 textSum() {
    quint64 sum = 14695981039346656037ull;
    app::state().Form1->Memo1->buffer().forEachSpan(0, app::state().Form1->Memo1->length(),
                                                    [&](std::u16string_view piece) {
                                                        for (const char16_t u : piece)
                                                            sum = (sum ^ u) * 1099511628211ull;
                                                        return true;
                                                    });
    return sum;
}

QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}

// The child: sets up one case, limits its address space, runs the edit and prints what it saw,
// one "name: value" line each.
int runCase(const QString& name) {
    QTemporaryDir dir;
    EditWindows windows;
    TForm1& form = *app::state().Form1;
    MemoView& memo = *form.Memo1;
    QStringList messages;
    QString fileToChoose;
    modal::setResponder([&](QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            files->selectFile(fileToChoose);
            d.done(QDialog::Accepted);
        } else if (auto* box = qobject_cast<QMessageBox*>(&d)) {
            messages << box->windowTitle() + u": "_qs + box->text();
            box->button(box->button(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No)->click();
        }
    });
    form.nonIME1Click();
    qint64 headroom = 40 << 20;
    std::function<void()> edit;
    const auto key = [&](int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&memo, Qt::Key(k), mods);
    };
    if (name == "paste") {
        setEditor(u"ab|c"_qs);
        QGuiApplication::clipboard()->setText(QString(kUnits, u'x'));
        edit = [&] { key(Qt::Key_V, Qt::ControlModifier); };
    } else if (name == "copy" || name == "cut") {
        memo.setPlainText(QString(kUnits, u'y'));
        memo.selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        edit = [&] { key(name == "copy" ? Qt::Key_C : Qt::Key_X, Qt::ControlModifier); };
    } else if (name == "delete all, undo") {
        memo.setPlainText(QString(kUnits, u'y') + u"\nend"_qs);
        edit = [&] {
            key(Qt::Key_A, Qt::ControlModifier);
            key(Qt::Key_Delete);
            key(Qt::Key_Z, Qt::ControlModifier);
        };
    } else if (name == "redo a paste") {
        setEditor(u"ab|c"_qs);
        memo.insertAtCaret(QString(kUnits, u'x'));
        memo.undo();
        edit = [&] { key(Qt::Key_Y, Qt::ControlModifier); };
    } else if (name == "insert a file") {
        setEditor(u"ab|c"_qs);
        fileToChoose = dir.filePath(QStringLiteral("large.txt"));
        QFile file(fileToChoose);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(kUnits, 'z')) != kUnits)
            return 2;
        file.close();
        // Room to read the file, not to keep it for undo as well.
        headroom = 200 << 20;
        edit = [&] { form.inserttextfile1->trigger(); };
    } else {
        return 2;
    }
    const qint64 lengthBefore = memo.length();
    const quint64 sumBefore = textSum();
    const QString clipboardBefore = name == "paste" ? QString() : clipboardText();

    // Measured once the window has shown the text and let go of what that took.
    QTest::qWait(200);
    const qint64 used = addressSpace();
    const rlimit limit{rlim_t(used + headroom), RLIM_INFINITY};
    if (used < 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
        return 3;
    edit();
    const bool sameText = memo.length() == lengthBefore && textSum() == sumBefore;
    const bool sameClipboard = name == "paste" || clipboardText() == clipboardBefore;
    // The editor goes on: a small edit still works.
    memo.setSelStart(0);
    memo.insertAtCaret(QStringLiteral("ok"));
    const bool edits = memo.length() == lengthBefore + 2 && memo.textRange(0, 2) == u"ok"_qs;
    std::printf("messages: %s\nsame text: %s\nsame clipboard: %s\nedits: %s\n",
                qPrintable(messages.join(u'|')), sameText ? "yes" : "no",
                sameClipboard ? "yes" : "no", edits ? "yes" : "no");
    std::fflush(stdout);
    modal::setResponder({});
    return 0;
}

} // namespace

class TestMemoryLimit : public QObject {
    Q_OBJECT

private slots:
    void edits_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("messages"); // a pattern for the message boxes shown
        const QString refused = QStringLiteral("ERROR: not enough memory for 100 MB");
        QTest::newRow("paste of 100 MB") << "paste" << refused;
        QTest::newRow("copy of 100 MB: the clipboard stays") << "copy" << refused;
        QTest::newRow("cut of 100 MB: the text and the clipboard stay") << "cut" << refused;
        // The removed text is kept for undo without a copy, so both go through.
        QTest::newRow("Ctrl+A, Delete, Ctrl+Z on 100 MB") << "delete all, undo" << QString();
        QTest::newRow("redo of a paste of 100 MB") << "redo a paste" << refused;
        // The file may be refused while it is read or when it is inserted.
        QTest::newRow("insert a file of 100 MB") << "insert a file"
                                                 << ".+";
    }
    void edits() {
#ifdef TOVILO_ASAN
        QSKIP("AddressSanitizer reserves more address space than a limit leaves");
#endif
        QFETCH(QString, name);
        QFETCH(QString, messages);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kCaseVariable, name);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForFinished(300000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        const QString errors = QString::fromLocal8Bit(child.readAllStandardError());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable(QStringLiteral("the child ended (%1): %2")
                                .arg(child.exitCode())
                                .arg(output + errors)));
        const QRegularExpression shown(
            QRegularExpression::anchoredPattern(QStringLiteral("messages: ") + messages));
        QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 4, qPrintable(output));
        QVERIFY2(shown.match(lines[0]).hasMatch(), qPrintable(lines[0]));
        QCOMPARE(lines.mid(1),
                 (QStringList{"same text: yes", "same clipboard: yes", "edits: yes"}));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kCaseVariable))
        return runCase(qEnvironmentVariable(kCaseVariable));
    TestMemoryLimit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_memorylimit.moc"
