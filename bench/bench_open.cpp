// Opening large files into the text buffer, each in a fresh child process of this program so
// that its peak memory is its own: a --mb MB UTF-8 file and a Shift_JIS one, decoded by the open
// command's loader into the buffer, beside the same file decoded into one string. And, run only
// when asked for with --only gigabyte (never by default or by the tests), a 1 GB UTF-8 file
// through the real main window: open, scroll to the end, one keystroke, save.
#include "app/appstate.h"
#include "benchtable.h"
#include "encoding/textfile.h"
#include "encoding/utf8writer.h"
#include "guiapp.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "text/textbuffer.h"
#include "text/textload.h"
#include "view/memoview.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this process (all its threads, the system's work for it included), so that
// other programs on a shared machine do not count. A save waits for the disk and is timed by
// the wall clock instead.
double processSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Peak resident memory of this process, in bytes (VmHWM: its own pages only).
double peakBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return double(std::strtol(line.c_str() + 6, nullptr, 10)) * 1024;
    }
    return 0;
}

const char16_t* const kLines[] = {
    u"Съешь же ещё этих мягких французских булок, да выпей чаю.",
    u"Москва - столица России.",
    u"Программа для редактирования текста на русском языке.",
    u"Широкая электрификация южных губерний даст мощный толчок подъёму.",
    u"Tovilo 0.81: ввод латиницей, 2024.",
};

// A UTF-8 file of Russian lines ended by CR LF, at least `bytes` bytes, written a block at a time.
void writeUtf8File(const std::string& path, std::uint64_t bytes) {
    std::string block;
    for (int i = 0; block.size() < (1u << 20); ++i) {
        enc::AppendUtf8(kLines[(i * 7 + i / 5) % std::size(kLines)], block);
        block += "\r\n";
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::uint64_t written = 0; written < bytes; written += block.size())
        out.write(block.data(), std::streamsize(block.size()));
}

// The same kind of text in Shift_JIS: Japanese and Russian lines, about `bytes` bytes.
void writeSjisFile(const std::string& path, std::uint64_t bytes) {
    const std::string line = "\x93\xFA\x96\x7B\x8C\xEA\x82\xC6\x83\x8D\x83\x56\x83\x41\x8C\xEA "
                             "\x84\x46\x84\x58\x84\x5A\x84\x55\x84\x60 Tovilo 0123456789 "
                             "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x84\x40\x84\x41\x84\x42\r\n";
    std::string block;
    while (block.size() < (1u << 20))
        block += line;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::uint64_t written = 0; written < bytes; written += block.size())
        out.write(block.data(), std::streamsize(block.size()));
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The child: one measurement, printed as key=value pairs.
void runChild(const std::string& mode, const std::string& in, int encoding,
              const std::string& out) {
    std::map<std::string, double> values;
    values["peak_start"] = peakBytes();
    if (mode == "buffer" || mode == "buffer1") {
        // buffer1: the same read in one pass on one thread.
        if (mode == "buffer1")
            text::testing::SetPieceBytes(~std::uint64_t(0));
        const double t0 = processSeconds();
        const auto wall = Clock::now();
        text::TextBuilder builder;
        text::LoadTextFile(in, enc::TextEncoding(encoding), builder);
        text::TextBuffer buffer;
        buffer.assign(std::move(builder));
        values["open"] = processSeconds() - t0;
        values["open_wall"] = since(wall);
        values["units"] = double(buffer.length());
    } else if (mode == "string") {
        const double t0 = processSeconds();
        std::u16string text;
        enc::ReadTextFile(in, enc::TextEncoding(encoding), enc::BomNone, text);
        values["open"] = processSeconds() - t0;
        values["units"] = double(text.size());
    } else if (mode == "write") {
        // The floor of a save: the file's bytes, read beforehand, written and synced to disk.
        std::ifstream file(in, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        const auto t0 = Clock::now();
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (std::size_t at = 0; fd >= 0 && at < bytes.size(); at += 1 << 20)
            if (::write(fd, bytes.data() + at, std::min<std::size_t>(1 << 20, bytes.size() - at)) <
                0)
                break;
        ::fsync(fd);
        ::close(fd);
        values["save"] = since(t0);
    } else if (mode == "window") {
        bench::guiApp();
        app::state().reset();
        double t = processSeconds();
        // The open command as start-up runs it for a file named on the command line.
        createApplicationWindows({QStringLiteral("toviloeditru"), QString::fromLocal8Bit(in)});
        app::state().Form1->show();
        settle();
        values["open"] = processSeconds() - t;
        values["units"] = double(app::state().Form1->Memo1->buffer().length());
        t = processSeconds();
        bench::sendKey(app::state().Form1->Memo1, Qt::Key_End, QString(), Qt::ControlModifier);
        settle();
        app::state().Form1->Memo1->viewport()->repaint();
        values["scroll"] = processSeconds() - t;
        t = processSeconds();
        bench::sendKey(app::state().Form1->Memo1, Qt::Key_X, u"x"_qs);
        settle();
        app::state().Form1->Memo1->viewport()->repaint();
        values["key"] = processSeconds() - t;
        app::state().RememberedFileName = QString::fromLocal8Bit(out);
        const auto saveStart = Clock::now();
        app::state().Form1->overwritesavefileUTF81Click();
        values["save"] = since(saveStart);
        values["saved_bytes"] = double(std::filesystem::file_size(out));
    }
    values["peak"] = peakBytes();
    for (const auto& [key, value] : values)
        std::printf("%s=%.6f\n", key.c_str(), value);
    std::fflush(stdout);
    // Tearing the windows down would ask about the modified text; the measurement is done.
    std::_Exit(0);
}

void childSuite(bench::Table&, const bench::Options&) {
    if (const char* mode = std::getenv("TOVILO_BENCH_OPEN_CHILD"))
        runChild(mode, std::getenv("TOVILO_BENCH_OPEN_IN"),
                 std::atoi(std::getenv("TOVILO_BENCH_OPEN_ENC")),
                 std::getenv("TOVILO_BENCH_OPEN_OUT"));
}

using Values = std::map<std::string, double>;

// Runs one child and reads its values; the run stops the benchmark if the child failed.
Values runChildMode(const bench::Options& options, const std::string& mode, const std::string& in,
                    int encoding, const std::string& out = "/dev/null") {
    const std::string valuesFile = options.workDir + "/open-child.out";
    const std::string command = "TOVILO_BENCH_OPEN_CHILD=" + mode + " TOVILO_BENCH_OPEN_IN='" + in +
                                "' TOVILO_BENCH_OPEN_ENC=" + std::to_string(encoding) +
                                " TOVILO_BENCH_OPEN_OUT='" + out + "' QT_QPA_PLATFORM=offscreen '" +
                                options.selfPath + "' --only open-child > '" + valuesFile + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench: child failed: %s\n", command.c_str());
        std::exit(1);
    }
    Values values;
    std::ifstream lines(valuesFile);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = std::strtod(line.c_str() + eq + 1, nullptr);
    }
    std::remove(valuesFile.c_str());
    return values;
}

// Every run's values, for medians.
void keepAll(std::map<std::string, std::vector<double>>& all, const Values& run) {
    for (const auto& [key, value] : run)
        all[key].push_back(value);
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The smallest time and the smallest peak of `runs` runs, taking turns with the other side.
void keepBest(Values& best, const Values& run) {
    for (const auto& [key, value] : run) {
        auto [it, fresh] = best.emplace(key, value);
        if (!fresh)
            it->second = std::min(it->second, value);
    }
}

void openSuite(bench::Table& table, const bench::Options& options) {
    if (std::getenv("TOVILO_BENCH_OPEN_CHILD") != nullptr)
        return;
    const std::uint64_t bytes = std::uint64_t(options.megabytes) * 1000 * 1000;
    const std::string mb = std::to_string(options.megabytes) + " MB";
    struct Input {
        const char* name;
        std::string path;
        int encoding;
    };
    const Input inputs[] = {{"UTF-8", options.workDir + "/open-utf8.txt", enc::EncUtf8},
                            {"Shift_JIS", options.workDir + "/open-sjis.txt", enc::EncSjis}};
    writeUtf8File(inputs[0].path, bytes);
    writeSjisFile(inputs[1].path, bytes);
    for (const Input& input : inputs) {
        const double fileBytes = double(std::filesystem::file_size(input.path));
        Values ours, reference;
        std::map<std::string, std::vector<double>> pieces, onePass;
        for (int i = 0; i < 5; ++i) {
            const Values run = runChildMode(options, "buffer", input.path, input.encoding);
            keepBest(ours, run);
            keepAll(pieces, run);
            keepAll(onePass, runChildMode(options, "buffer1", input.path, input.encoding));
            if (i < 3)
                keepBest(reference, runChildMode(options, "string", input.path, input.encoding));
        }
        const std::string what = "open: " + mb + " " + input.name + " into the buffer";
        table.add({what, ours["open"], reference["open"], "s", false, 1.1,
                   "reference: the same file decoded into one string"});
        table.add({what + ", wall clock", median(pieces["open_wall"]), median(onePass["open_wall"]),
                   "s", false, 0.6,
                   "reference: the same read in one pass on one thread; medians of 5"});
        table.add({what + ", peak", ours["peak"] / fileBytes, 1.0, "B/B file", false, 1.6,
                   "whole child process, of which " +
                       std::to_string(std::lround(ours["peak_start"] / 1e6)) +
                       " MB before reading; into one string: " +
                       std::to_string(reference["peak"] / fileBytes).substr(0, 4) + " B/B"});
        std::remove(input.path.c_str());
    }
}

// 1 GB of UTF-8 through the main window, offscreen, and the peak memory. The references: the
// same file decoded into one string; scrolling and typing in a 1 MB file through the same
// window; the file's bytes written from memory and synced.
void gigabyteSuite(bench::Table& table, const bench::Options& options) {
    if (options.only != "gigabyte")
        return;
    const std::string in = options.workDir + "/gigabyte.txt";
    const std::string small = options.workDir + "/gigabyte-small.txt";
    const std::string out = options.workDir + "/gigabyte-saved.txt";
    writeUtf8File(in, std::uint64_t(1) << 30);
    writeUtf8File(small, std::uint64_t(1) << 20);
    const double fileBytes = double(std::filesystem::file_size(in));
    Values ours, smallFile, decoded, written;
    for (int i = 0; i < 2; ++i) {
        keepBest(ours, runChildMode(options, "window", in, enc::EncUtf8, out));
        keepBest(smallFile, runChildMode(options, "window", small, enc::EncUtf8, out));
        keepBest(decoded, runChildMode(options, "string", in, enc::EncUtf8));
        keepBest(written, runChildMode(options, "write", in, enc::EncUtf8, out));
    }
    table.add({"1 GB UTF-8: open to idle (main window)", ours["open"], decoded["open"], "s", false,
               0, "reference: the file decoded into one string, no window"});
    table.add({"1 GB UTF-8: Ctrl+End and repaint", ours["scroll"] * 1e3, smallFile["scroll"] * 1e3,
               "ms", false, 0, "reference: the same in a 1 MB file"});
    table.add({"1 GB UTF-8: one keystroke at the end", ours["key"] * 1e3, smallFile["key"] * 1e3,
               "ms", false, 0, "reference: the same in a 1 MB file"});
    table.add({"1 GB UTF-8: save (fsync)", ours["save"], written["save"], "s", false, 0,
               "reference: the file's bytes written from memory and synced; " +
                   std::to_string(std::lround(ours["saved_bytes"] / 1e6)) + " MB written"});
    table.add({"1 GB UTF-8: peak memory", ours["peak"] / fileBytes, 1.0, "B/B file", false, 1.6,
               "whole process, main window included"});
    for (const std::string& file : {in, small, out})
        std::remove(file.c_str());
}

} // namespace

TOVILO_BENCH_SUITE("open-child", childSuite);
TOVILO_BENCH_SUITE("open", openSuite);
TOVILO_BENCH_SUITE("gigabyte", gigabyteSuite);
