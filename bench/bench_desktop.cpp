// Desktop: the program opens a large file given on its command line under a real X server,
// beside Kate (`kate -n FILE`) opening the same file in the same run. Both are measured from
// outside in the same way: from the start of the process until its process group stops using
// the processor (idle) with a window on the screen, and the peak resident memory of the main
// process at that point. Without a display an Xvfb of our own is started; without Kate the
// rows say so. As root, both programs run as the unprivileged user 65534 (Kate refuses root).
#include "benchtable.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uid_t kUnprivileged = 65534;
// The process counts as idle once its processor time has not grown for this long.
constexpr auto kQuiet = std::chrono::milliseconds(800);
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr auto kGiveUp = std::chrono::seconds(120);

bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (::access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

// Processor time of every process in the group, in clock ticks.
long long groupTicks(pid_t group) {
    long long ticks = 0;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr)
        return 0;
    while (dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // Fields after the command name, which is in parentheses and may hold spaces.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(line.substr(close + 2));
        std::string field;
        std::vector<std::string> f;
        while (fields >> field && f.size() < 13)
            f.push_back(field);
        if (f.size() < 13 || std::stol(f[2]) != group)
            continue;
        ticks += std::stoll(f[11]) + std::stoll(f[12]);
    }
    ::closedir(proc);
    return ticks;
}

long peakKbOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

bool hasVisibleWindow(pid_t pid) {
    const std::string command =
        "xdotool search --onlyvisible --pid " + std::to_string(pid) + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

struct Run {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

// Starts argv in a process group of its own and waits until it is idle with a window shown.
Run runToIdle(const std::vector<std::string>& argv, const std::string& home) {
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (::getuid() == 0) {
            ::setgroups(0, nullptr);
            if (::setgid(kUnprivileged) != 0 || ::setuid(kUnprivileged) != 0)
                std::_Exit(126);
        }
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    Run run;
    if (pid < 0)
        return run;
    ::setpgid(pid, pid);
    long long lastTicks = -1;
    auto lastChange = Clock::now();
    while (Clock::now() - start < kGiveUp) {
        std::this_thread::sleep_for(kPoll);
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return run; // ended before it was idle: a failed start
        const long long ticks = groupTicks(pid);
        const long peak = peakKbOf(pid);
        if (ticks != lastTicks) {
            lastTicks = ticks;
            lastChange = Clock::now();
            run.peakKb = std::max(run.peakKb, peak);
            continue;
        }
        if (Clock::now() - lastChange >= kQuiet && hasVisibleWindow(pid)) {
            run.ok = true;
            run.seconds = std::chrono::duration<double>(lastChange - start).count();
            run.peakKb = std::max(run.peakKb, peak);
            break;
        }
    }
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return run;
}

std::string makeFile(const std::string& dir, const std::string& name, const std::string& line,
                     std::size_t megabytes) {
    const std::string path = dir + "/" + name;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size < (megabytes << 20)) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        std::string block;
        while (block.size() < (1u << 20))
            block += line;
        for (std::size_t written = 0; written < (megabytes << 20); written += block.size())
            out << block;
    }
    ::chmod(path.c_str(), 0644);
    return path;
}

// A private X server when none is given; stopped at exit.
pid_t g_xvfb = 0;
void stopXvfb() {
    if (g_xvfb > 0)
        ::kill(g_xvfb, SIGTERM);
}

bool ensureDisplay() {
    if (std::getenv("DISPLAY") != nullptr)
        return true;
    if (!onPath("Xvfb"))
        return false;
    const char* display = ":77";
    g_xvfb = ::fork();
    if (g_xvfb == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execlp("Xvfb", "Xvfb", display, "-screen", "0", "1600x1200x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    std::atexit(stopXvfb);
    ::setenv("DISPLAY", display, 1);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void desktopSuite(bench::Table& table, const bench::Options& options) {
    const bool haveKate = onPath("kate");
    if (!ensureDisplay() || !onPath("xdotool")) {
        table.add({"open to idle under X11", 0, 0, "s", false, 0, "no X server or xdotool"});
        return;
    }
    const std::string program =
        (std::filesystem::path(options.selfPath).parent_path().parent_path() / "toviloeditru")
            .string();
    const std::string home = options.workDir + "/desktop-home";
    std::filesystem::create_directories(home);
    ::chmod(home.c_str(), 0777);
    ::chmod(options.workDir.c_str(), 0755);

    const std::string russian =
        "Привет мир, это строка текста на русском языке. 0123456789 abc\r\n";
    const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA\x82\xC6\x83\x8D\x83\x56\x83\x41\x8C\xEA "
                             "\x84\x46\x84\x58\x84\x5A\x84\x55\x84\x60 Tovilo 0123456789 "
                             "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x84\x40\x84\x41\x84\x42\r\n";
    const std::size_t small = options.megabytes;
    const std::size_t large = options.megabytes * 4;
    const std::size_t huge = options.megabytes * 20;
    struct Input {
        std::string label;
        std::string path;
        std::size_t megabytes;
        bool largest; // the row of peak memory and the row against a fixed time
    };
    const std::vector<Input> inputs = {
        {"UTF-8 " + std::to_string(small) + " MB",
         makeFile(options.workDir, "desktop-utf8-small.txt", russian, small), small, false},
        {"UTF-8 " + std::to_string(large) + " MB",
         makeFile(options.workDir, "desktop-utf8-large.txt", russian, large), large, false},
        {"UTF-8 " + std::to_string(huge) + " MB",
         makeFile(options.workDir, "desktop-utf8-huge.txt", russian, huge), huge, true},
        {"Shift_JIS " + std::to_string(large) + " MB",
         makeFile(options.workDir, "desktop-sjis-large.txt", sjis, large), large, false},
    };
    // At 50 MB a run: 1 GB within this time, and in at most this many bytes per byte of file.
    constexpr double kHugeSeconds = 2.5;
    constexpr double kHugeBytesPerByte = 1.2;
    constexpr int kRuns = 3;
    for (const Input& input : inputs) {
        std::vector<double> ours, kate, oursMem, kateMem;
        for (int i = 0; i < kRuns; ++i) {
            const Run a = runToIdle({program, input.path}, home);
            if (a.ok) {
                ours.push_back(a.seconds);
                oursMem.push_back(double(a.peakKb) * 1024 / double(input.megabytes << 20));
            }
            if (haveKate) {
                const Run b = runToIdle({"kate", "-n", input.path}, home);
                if (b.ok) {
                    kate.push_back(b.seconds);
                    kateMem.push_back(double(b.peakKb) * 1024 / double(input.megabytes << 20));
                }
            }
        }
        const std::string note = haveKate ? "reference: kate -n, median of " + std::to_string(kRuns)
                                          : "kate not installed (Debian package kate)";
        table.add({"open " + input.label + " to idle under X11", median(ours), median(kate), "s",
                   false, 0.25, ours.empty() ? "our program did not start" : note});
        if (!input.largest)
            continue;
        char kateFigures[96];
        std::snprintf(kateFigures, sizeof kateFigures, "kate: %.2f s, %.2f bytes/byte",
                      median(kate), median(kateMem));
        table.add({"open " + input.label + " to idle, against a fixed time", median(ours),
                   kHugeSeconds * double(input.megabytes) / 1000, "s", false, 1.0,
                   "reference: the time to meet, 2.5 s per GB"});
        table.add({"peak memory after open " + input.label, median(oursMem), kHugeBytesPerByte,
                   "bytes/byte", false, 1.0,
                   std::string("reference: the bytes per byte to meet; ") + kateFigures});
    }
}

} // namespace

TOVILO_BENCH_SUITE("desktop", desktopSuite);
