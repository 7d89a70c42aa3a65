// Files: open, save and the two exports of a large Shift_JIS file through the real main window
// (offscreen) beside a reference that only reads, decodes and calls setPlainText once, and the
// batch converter beside iconv. The window work runs in child processes of this program, so
// each side's peak memory is its own.
#include "app/appstate.h"
#include "app/modal.h"
#include "benchtable.h"
#include "encoding/detect.h"
#include "encoding/textfile.h"
#include "encoding/textwriter.h"
#include "encoding/utf8writer.h"
#include "guiapp.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "text/textbuffer.h"
#include "view/memoview.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Peak resident memory of this process so far, in kB. VmHWM counts this process's own pages
// only; getrusage would also count those of the large benchmark it was forked from.
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
        app::state().reset();
        createApplicationWindows({QStringLiteral("toviloeditru")});
        app::state().Form1->show();
        settle();
        modal::setResponder([&](QDialog& d) {
            if (auto* fd = qobject_cast<QFileDialog*>(&d)) {
                fd->selectFile(QString::fromStdString(
                    base + (fd->defaultSuffix() == u"html" ? ".html" : ".c")));
                d.done(QDialog::Accepted);
            }
        });
        const auto t0 = Clock::now();
        app::state().OpenFromCommandLine = 0;
        app::state().RememberedFileName.clear();
        // The open command as start-up runs it, without a dialog.
        destroyApplicationWindows();
        createApplicationWindows({QStringLiteral("toviloeditru"), QString::fromLocal8Bit(in)});
        app::state().Form1->show();
        settle();
        out["open"] = since(t0);
        out["peak_open"] = double(peakKb());
        app::state().RememberedFileName = QString::fromStdString(base + ".txt");
        auto t = Clock::now();
        app::state().Form1->overwritesavefileUTF81Click();
        out["save"] = since(t);
        t = Clock::now();
        app::state().Form1->saveHTML99tagASCII1Click();
        out["html"] = since(t);
        t = Clock::now();
        app::state().Form1->saveUnicodenumberlanguageC0x1Click();
        out["c"] = since(t);
        out["html_bytes"] = double(std::filesystem::file_size(base + ".html"));
        out["c_bytes"] = double(std::filesystem::file_size(base + ".c"));
        // The floor of a save, after the whole run's peak is taken: the same units in one
        // array made beforehand, encoded to UTF-8 a slice at a time into one reused block,
        // written and synced, without the save's spans, checks and replacing of the file.
        out["peak"] = double(peakKb());
        const std::u16string units = app::state().Form1->Memo1->buffer().text();
        const std::string saved = base + "-memory.txt";
        constexpr std::size_t kSlice = 65536;
        std::vector<char> block(enc::TextWriter::maxBytes(kSlice));
        const auto m = Clock::now();
        enc::TextWriter writer(enc::OutputFormat::Utf8);
        const int fd = ::open(saved.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (std::size_t at = 0; fd >= 0 && at < units.size(); at += kSlice) {
            const std::u16string_view slice =
                std::u16string_view(units).substr(at, std::min(kSlice, units.size() - at));
            char* const end = writer.feed(slice, block.data());
            if (::write(fd, block.data(), std::size_t(end - block.data())) < 0)
                break;
        }
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        out["save_memory"] = since(m);
        std::remove(saved.c_str());
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
        // The floor of an export: writing its finished bytes, made beforehand from the same text.
        const std::string cBytes =
            enc::WriteAll(enc::OutputFormat::CArray,
                          edit.toPlainText().replace(u'\n', u"\r\n"_qs).toStdU16String());
        const auto w = Clock::now();
        QFile cFile(QString::fromStdString(base + ".c"));
        if (cFile.open(QIODevice::WriteOnly))
            cFile.write(cBytes.data(), qint64(cBytes.size()));
        cFile.close();
        out["write_c"] = since(w);
    }
    out.emplace("peak", double(peakKb()));
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
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        // A figure from a command that failed would be meaningless (and flattering).
        std::fprintf(stderr, "bench: command failed: %s\n", command.c_str());
        std::exit(1);
    }
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

// The floor of detection: the first SampleSize bytes read five times, one open each, as the
// five probes read them.
void readSampleFiveTimes(const std::string& path) {
    static char buffer[enc::SampleSize];
    for (int i = 0; i < 5; ++i) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        std::size_t got = 0;
        while (got < sizeof buffer) {
            const ssize_t n = ::read(fd, buffer + got, sizeof buffer - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
}

// Keeps the smallest of each time and the largest of each peak memory.
void mergeBest(ChildResult& best, const ChildResult& run) {
    for (const auto& [key, value] : run.values) {
        auto [it, fresh] = best.values.emplace(key, value);
        if (!fresh)
            it->second = key.rfind("peak", 0) == 0 ? std::max(it->second, value)
                                                   : std::min(it->second, value);
    }
    best.peakKb = std::max(best.peakKb, run.peakKb);
}

void filesSuite(bench::Table& table, const bench::Options& options) {
    if (std::getenv("TOVILO_BENCH_FILES_CHILD") != nullptr)
        return;
    const std::string in = options.workDir + "/files-sjis.txt";
    const std::string small = options.workDir + "/files-sjis-small.txt";
    const std::string utf8 = options.workDir + "/files-utf8.txt";
    {
        std::ofstream(in, std::ios::binary) << makeSjis(options.megabytes);
        std::ofstream(small, std::ios::binary)
            << makeSjis(std::max<std::size_t>(1, options.megabytes / 5));
        // The same text as UTF-8, cut to the same size at a line end.
        std::u16string text;
        enc::ReadTextFile(in, enc::EncSjis, enc::BomNone, text);
        std::string bytes;
        enc::AppendUtf8(text, bytes);
        bytes.resize(std::min(bytes.size(), options.megabytes << 20));
        bytes.resize(bytes.rfind('\n') + 1);
        std::ofstream(utf8, std::ios::binary) << bytes;
    }
    const double fileBytes = double(std::filesystem::file_size(in));
    const std::string mb = std::to_string(options.megabytes) + " MB";
    // The program sits at the top of the build folder, one level above this one.
    const std::string program =
        std::filesystem::path(options.selfPath).parent_path().parent_path() / "toviloeditru";
    const std::string out = options.workDir + "/files-out.txt";

    // Peak memory of one conversion, measured by a fresh copy of this program.
    auto convertPeakKb = [&](const std::string& file) {
        const std::string command = "'" + options.selfPath + "' --maxrss-of /dev/null '" + program +
                                    "' --convert '" + file + "' '" + out + "'";
        FILE* pipe = popen(command.c_str(), "r");
        long kb = 0;
        if (pipe != nullptr) {
            if (std::fscanf(pipe, "%ld", &kb) != 1)
                kb = 0;
            pclose(pipe);
        }
        return kb;
    };

    // Batch converter against the iconv command, the whole process each, taking turns so a
    // change in the machine's load hits both; best of five.
    auto convertRow = [&](const std::string& file, const char* name, const char* from) {
        double ours = 1e300, iconv = 1e300;
        for (int i = 0; i < 5; ++i) {
            const ChildResult r =
                runProcess("'" + program + "' --convert '" + file + "' '" + out + "'");
            ours = std::min(ours, r.seconds);
            iconv = std::min(iconv, runProcess(std::string("iconv -f ") + from + " -t UTF-8 '" +
                                               file + "' > '" + out + ".iconv'")
                                        .seconds);
        }
        table.add({std::string("files: --convert ") + mb + " " + name + " vs iconv", ours, iconv,
                   "s", false, 0.5, std::string("iconv -f ") + from + " -t UTF-8, whole process"});
        return convertPeakKb(file);
    };
    const long oursPeak = convertRow(in, "SJIS", "CP932");
    convertRow(utf8, "UTF-8", "UTF-8");
    const long smallPeak = convertPeakKb(small);
    table.add({"files: --convert peak RSS " + mb + " vs 1/5 size", double(oursPeak),
               double(smallPeak), "kB", false, 1.1, "flat memory"});
    std::remove(out.c_str());
    std::remove((out + ".iconv").c_str());

    // Detection against its floor, in this process; best of many, taking turns.
    enc::Detection found;
    double detect = 1e300, floor = 1e300;
    for (int i = 0; i < 20; ++i) {
        detect = std::min(detect, bench::bestSeconds([&] { found = enc::DetectEncoding(in); }, 5));
        floor = std::min(floor, bench::bestSeconds([&] { readSampleFiveTimes(in); }, 5));
    }
    table.add({"files: detect encoding of " + mb, detect * 1e6, floor * 1e6, "us", false, 1.5,
               std::string("floor: first 60010 bytes read 5 times; found ") +
                   enc::EncodingLabel(found.encoding, found.bom)});

    // The window work, each side in its own process so each peak is its own; two runs each.
    ChildResult o, r;
    for (int i = 0; i < 2; ++i) {
        mergeBest(o, runChildMode(options, "ours", in));
        mergeBest(r, runChildMode(options, "ref", in));
    }
    auto value = [](const ChildResult& c, const char* key) {
        const auto it = c.values.find(key);
        return it == c.values.end() ? 0.0 : it->second;
    };
    table.add({"files: open " + mb + " to idle (main window)", value(o, "open"), value(r, "open"),
               "s", false, 1.15, "ref: read+decode+setPlainText+show+idle"});
    table.add({"files: peak memory after open", value(o, "peak_open") * 1024 / fileBytes,
               value(r, "peak_open") * 1024 / fileBytes, "B/B file", false, 1.1,
               "ru_maxrss of each child / file size"});
    table.add({"files: save UTF-8 (fsync)", value(o, "save"), value(r, "save"), "s", false, 1.5,
               "ref: toPlainText as UTF-8, no fsync"});
    table.add({"files: save UTF-8 vs encoding and writing from memory", value(o, "save"),
               value(o, "save_memory"), "s", false, 1.2,
               "ref: the same units in one array, encoded in slices, written, fsync"});
    table.add({"files: export HTML", value(o, "html"), value(r, "save"), "s", false, 1.5,
               "ref: toPlainText as UTF-8; output " +
                   std::to_string(std::lround(value(o, "html_bytes") / 1e6)) + " MB"});
    table.add({"files: export C array", value(o, "c"), value(r, "save"), "s", false, 1.5,
               "ref: toPlainText as UTF-8; output " +
                   std::to_string(std::lround(value(o, "c_bytes") / 1e6)) + " MB"});
    table.add({"files: export C array vs writing its bytes", value(o, "c"), value(r, "write_c"),
               "s", false, 0, "ref: the finished export written from memory"});
    table.add({"files: peak RSS whole run", value(o, "peak"), value(r, "peak"), "kB", false, 0,
               "incl. the exports' buffers"});
    for (const char* suffix : {".txt", ".html", ".c", ".out"}) {
        std::remove((options.workDir + "/child-ours" + suffix).c_str());
        std::remove((options.workDir + "/child-ref" + suffix).c_str());
    }
}

} // namespace

TOVILO_BENCH_SUITE("files", filesSuite);
TOVILO_BENCH_SUITE("files-child", childSuite);
