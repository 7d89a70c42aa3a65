// Files: open, save and the two exports of a large Shift_JIS file through the real main window
// (offscreen) beside a reference that only reads, decodes and calls setPlainText once, and the
// batch converter beside iconv. The window work runs in child processes of this program, so
// each side's peak memory is its own.
#include "benchtable.h"
#include "encoding/textfile.h"
#include "guiapp.h"
#include "shell/appstate.h"
#include "shell/modal.h"
#include "shell/startup.h"
#include "shell/unit1.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Peak resident memory of this process so far, in kB.
long peakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A Shift_JIS text of Japanese and Russian lines, about `megabytes` MB.
std::string makeSjis(std::size_t megabytes) {
    const std::string line = "\x93\xFA\x96\x7B\x8C\xEA\x82\xC6\x83\x8D\x83\x56\x83\x41\x8C\xEA "
                             "\x84\x46\x84\x58\x84\x5A\x84\x55\x84\x60 Tovilo 0123456789 "
                             "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x84\x40\x84\x41\x84\x42\r\n";
    std::string out;
    out.reserve(megabytes << 20);
    while (out.size() < (megabytes << 20))
        out += line;
    return out;
}

// The child: one side of the window measurement, printed as key=value pairs.
void runChild(const char* mode, const char* in, const char* dir) {
    bench::guiApp();
    std::map<std::string, double> out;
    const std::string base = std::string(dir) + "/child-" + mode;
    if (std::string(mode) == "ours") {
        resetAppState();
        createApplicationWindows({QStringLiteral("toviloeditru")});
        Form1->show();
        settle();
        modal::setResponder([&](QDialog& d) {
            if (auto* fd = qobject_cast<QFileDialog*>(&d)) {
                fd->selectFile(QString::fromStdString(
                    base + (fd->defaultSuffix() == u"html" ? ".html" : ".c")));
                d.done(QDialog::Accepted);
            }
        });
        const auto t0 = Clock::now();
        OpenFromCommandLine = 0;
        RememberedFileName.clear();
        // The open command as start-up runs it, without a dialog.
        destroyApplicationWindows();
        createApplicationWindows({QStringLiteral("toviloeditru"), QString::fromLocal8Bit(in)});
        Form1->show();
        settle();
        out["open"] = since(t0);
        out["peak_open"] = double(peakKb());
        RememberedFileName = QString::fromStdString(base + ".txt");
        auto t = Clock::now();
        Form1->overwritesavefileUTF81Click();
        out["save"] = since(t);
        t = Clock::now();
        Form1->saveHTML99tagASCII1Click();
        out["html"] = since(t);
        t = Clock::now();
        Form1->saveUnicodenumberlanguageC0x1Click();
        out["c"] = since(t);
    } else {
        QPlainTextEdit edit;
        edit.resize(534, 355);
        edit.show();
        settle();
        const auto t0 = Clock::now();
        std::u16string text;
        enc::ReadTextFile(in, enc::EncSjis, enc::BomNone, text);
        edit.hide();
        edit.setPlainText(QString::fromRawData(reinterpret_cast<const QChar*>(text.data()),
                                               qsizetype(text.size())));
        edit.show();
        settle();
        out["open"] = since(t0);
        out["peak_open"] = double(peakKb());
        const auto t = Clock::now();
        QFile file(QString::fromStdString(base + ".txt"));
        if (file.open(QIODevice::WriteOnly))
            file.write(edit.toPlainText().toUtf8());
        file.close();
        out["save"] = since(t);
    }
    out["peak"] = double(peakKb());
    for (const auto& [key, value] : out)
        std::printf("%s=%.6f\n", key.c_str(), value);
    std::fflush(stdout);
    std::_Exit(0);
}

// Runs a command line, returns its key=value output, wall seconds and peak memory (kB).
struct ChildResult {
    std::map<std::string, double> values;
    double seconds = 0;
    long peakKb = 0;
};

ChildResult runProcess(const std::string& command) {
    ChildResult result;
    const auto start = Clock::now();
    const int pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.seconds = since(start);
    result.peakKb = usage.ru_maxrss;
    return result;
}

ChildResult runChildMode(const bench::Options& options, const std::string& mode,
                         const std::string& in) {
    const std::string outFile = options.workDir + "/child-" + mode + ".out";
    const std::string command = "TOVILO_BENCH_FILES_CHILD=" + mode + " TOVILO_BENCH_FILES_IN='" +
                                in + "' TOVILO_BENCH_FILES_DIR='" + options.workDir +
                                "' QT_QPA_PLATFORM=offscreen '" + options.selfPath +
                                "' --only files-child > '" + outFile + "'";
    ChildResult result = runProcess(command);
    std::ifstream lines(outFile);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            result.values[line.substr(0, eq)] = std::strtod(line.c_str() + eq + 1, nullptr);
    }
    return result;
}

void childSuite(bench::Table&, const bench::Options&) {
    const char* mode = std::getenv("TOVILO_BENCH_FILES_CHILD");
    if (mode != nullptr)
        runChild(mode, std::getenv("TOVILO_BENCH_FILES_IN"), std::getenv("TOVILO_BENCH_FILES_DIR"));
}

void filesSuite(bench::Table& table, const bench::Options& options) {
    if (std::getenv("TOVILO_BENCH_FILES_CHILD") != nullptr)
        return;
    const std::string in = options.workDir + "/files-sjis.txt";
    const std::string small = options.workDir + "/files-sjis-small.txt";
    {
        std::ofstream(in, std::ios::binary) << makeSjis(options.megabytes);
        std::ofstream(small, std::ios::binary)
            << makeSjis(std::max<std::size_t>(1, options.megabytes / 5));
    }
    const std::string mb = std::to_string(options.megabytes) + " MB";
    // The program sits at the top of the build folder, one level above this one.
    const std::string program =
        std::filesystem::path(options.selfPath).parent_path().parent_path() / "toviloeditru";
    const std::string out = options.workDir + "/files-out.txt";

    // Batch converter against iconv, best of three each, interleaved.
    double ours = 1e300, iconv = 1e300;
    long oursPeak = 0, smallPeak = 0;
    for (int i = 0; i < 3; ++i) {
        const ChildResult r = runProcess("'" + program + "' --convert '" + in + "' '" + out + "'");
        ours = std::min(ours, r.seconds);
        oursPeak = std::max(oursPeak, r.peakKb);
        iconv = std::min(
            iconv,
            runProcess("iconv -f CP932 -t UTF-8 '" + in + "' > '" + out + ".iconv'").seconds);
    }
    smallPeak = runProcess("'" + program + "' --convert '" + small + "' '" + out + "'").peakKb;
    table.add({"files: --convert " + mb + " SJIS vs iconv", ours, iconv, "s", false, 1.0,
               "whole process each"});
    table.add({"files: --convert peak RSS " + mb + " vs 1/5 size", double(oursPeak),
               double(smallPeak), "kB", false, 1.1, "flat memory"});

    const ChildResult o = runChildMode(options, "ours", in);
    const ChildResult r = runChildMode(options, "ref", in);
    auto value = [](const ChildResult& c, const char* key) {
        const auto it = c.values.find(key);
        return it == c.values.end() ? 0.0 : it->second;
    };
    table.add({"files: open " + mb + " to idle (main window)", value(o, "open"), value(r, "open"),
               "s", false, 1.15, "ref: read+decode+setPlainText+show+idle"});
    table.add({"files: open peak RSS", value(o, "peak_open"), value(r, "peak_open"), "kB", false,
               1.1, ""});
    table.add({"files: save UTF-8", value(o, "save"), value(r, "save"), "s", false, 1.5,
               "ref: toPlainText as UTF-8"});
    table.add({"files: export HTML", value(o, "html"), value(r, "save"), "s", false, 1.5,
               "ref: toPlainText as UTF-8"});
    table.add({"files: export C array", value(o, "c"), value(r, "save"), "s", false, 1.5,
               "ref: toPlainText as UTF-8"});
    table.add({"files: peak RSS whole run", value(o, "peak"), value(r, "peak"), "kB", false, 0,
               "incl. the exports' buffers"});
}

} // namespace

TOVILO_BENCH_SUITE("files", filesSuite);
TOVILO_BENCH_SUITE("files-child", childSuite);
