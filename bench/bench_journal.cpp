// The recovery journal's cost: a keystroke at the end of a large file with the journal on
// against the same keystroke with it off, Ctrl+A, Delete and its undo with it on and off, and
// the bytes the journal writes per typed character against the two bytes of the unit itself.
// Every row is timed on the wall clock: the journal's own thread does the writing.
#include "app/appstate.h"
#include "benchtable.h"
#include "guiapp.h"
#include "shell/recoveryjournal.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <ctime>
#include <filesystem>

namespace {

// The journal's text is 200 MB of UTF-16 whatever the suite size: the size users asked about.
constexpr std::size_t kMegabytes = 200;

// Russian prose lines of varied length, `megabytes` MB as UTF-16 units.
QByteArray largeFile(std::size_t megabytes) {
    const char* words[] = {"привет", "мир",  "текст",     "редактор",
                           "ввод",   "файл", "сохранить", "строка"};
    QByteArray text;
    const qsizetype units = qsizetype(megabytes) * 1000 * 1000 / 2;
    qsizetype counted = 0;
    for (std::size_t i = 0; counted < units; ++i) {
        QByteArray line;
        for (std::size_t w = 0; w < 3 + (i * 7) % 13; ++w)
            line += QByteArray(words[(i + w * 3) % 8]) + ' ';
        text += line + "\r\n";
        counted += QString::fromUtf8(line).size() + 2;
    }
    return text;
}

double journalBytes() {
    app::state().Form1->editJournal().flush();
    const QString path = QString::fromStdString(app::state().Form1->editJournal().path());
    return path.isEmpty() ? 0 : double(QFileInfo(path).size());
}

void journalSuite(bench::Table& table, const bench::Options& options) {
    bench::guiApp();
    const std::string state = options.workDir + "/journal-state";
    std::filesystem::create_directories(state);
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state));
    const QString file = QString::fromStdString(options.workDir + "/journal-200mb.txt");
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return;
        out.write(largeFile(kMegabytes));
    }
    app::state().reset();
    createApplicationWindows({u"toviloeditru-bench"_qs, file});
    TForm1& form = *app::state().Form1;
    form.show();
    form.nonIME1Click();
    MemoView* memo = form.Memo1;
    memo->setFocus();
    const auto toEnd = [&] { form.memoTarget().setSelStart(form.memoTarget().length()); };
    toEnd();
    QApplication::processEvents();
    // The first edit starts the journal (and reads the file once for its checksum).
    bench::sendKey(memo, Qt::Key_F, u"f"_qs);
    bench::sendKey(memo, Qt::Key_Backspace, u"\b"_qs);

    constexpr int kKeys = 2000;
    const auto keystrokes = [&] {
        for (int i = 0; i < kKeys; ++i) {
            bench::sendKey(memo, Qt::Key_F, u"f"_qs);
            bench::sendKey(memo, Qt::Key_Backspace, u"\b"_qs);
        }
    };
    bool on = true;
    const auto journal = [&](bool want) {
        if (want != on)
            want ? form.editJournal().attach(form.journaledBuffer()) : form.editJournal().detach();
        on = want;
    };
    double keyOn = 1e300, keyOff = 1e300;
    for (int round = 0; round < 5; ++round) {
        journal(true);
        keyOn = std::min(keyOn, bench::bestWallSeconds(keystrokes, 1));
        journal(false);
        keyOff = std::min(keyOff, bench::bestWallSeconds(keystrokes, 1));
    }

    // Bytes per typed character: letters typed one by one, as the journal records them.
    journal(true);
    const double before = journalBytes();
    for (int i = 0; i < kKeys; ++i)
        bench::sendKey(memo, Qt::Key_F, u"f"_qs);
    const double perCharacter = (journalBytes() - before) / kKeys;

    // Ctrl+A, Delete and the undo that brings the whole text back. The wall clock, since the
    // journal's thread writes while the window waits for room to hand the units over.
    const auto wall = [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    };
    double deleteOn = 1e300, deleteOff = 1e300, undoOn = 1e300, undoOff = 1e300;
    for (int round = 0; round < 2; ++round) {
        for (const bool want : {true, false}) {
            journal(want);
            const double start = wall();
            form.MenuItem5Click();
            bench::sendKey(memo, Qt::Key_Delete, QString());
            const double deleted = wall();
            form.Undo1Click();
            const double undone = wall();
            (want ? deleteOn : deleteOff) = std::min(want ? deleteOn : deleteOff, deleted - start);
            (want ? undoOn : undoOff) = std::min(want ? undoOn : undoOff, undone - deleted);
            QApplication::processEvents();
        }
    }
    journal(true);
    app::state().TextModified = 0;
    destroyApplicationWindows();
    QFile::remove(file);

    const std::string size = std::to_string(kMegabytes) + " MB";
    auto row = [&](std::string name, double ours, double reference, const char* unit, double target,
                   std::string note = {}) {
        bench::Row r;
        r.name = std::move(name);
        r.ours = ours;
        r.reference = reference;
        r.unit = unit;
        r.target = target;
        r.note = std::move(note);
        table.add(r);
    };
    row("keystroke (f, Backspace) at end of " + size + ", journal on vs off",
        keyOn / (2 * kKeys) * 1e6, keyOff / (2 * kKeys) * 1e6, "us/op", 1.1);
    row("Ctrl+A, Delete on " + size + ", journal on vs off", deleteOn, deleteOff, "s", 1.1);
    row("undo of that Delete on " + size + ", journal on vs off", undoOn, undoOff, "s", 0,
        "the journal writes the units brought back");
    row("journal bytes per typed character vs the unit's own 2 bytes", perCharacter, 2.0,
        "bytes/char", 8);
}

} // namespace

TOVILO_BENCH_SUITE("journal", journalSuite);
