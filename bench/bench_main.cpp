// toviloeditru-bench: runs every registered suite and prints one table, each row our figure,
// the reference measured in the same run, and the ratio.
#include "benchtable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace bench {
namespace {

std::vector<std::pair<const char*, Suite>>& suites() {
    static std::vector<std::pair<const char*, Suite>> all;
    return all;
}

} // namespace

Registrar::Registrar(const char* name, Suite suite) {
    suites().emplace_back(name, suite);
}

} // namespace bench

namespace {

// Hidden mode: toviloeditru-bench --maxrss-of OUT PROGRAM ARGS... runs PROGRAM with its output
// in OUT and prints its peak resident memory in kB. The program is started from this fresh,
// small process: a child forked straight from the benchmark, which has grown large by then,
// would count the benchmark's pages as its own until it replaces itself with the program.
int maxRssOf(char** argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = ::open(argv[0], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0)
            dup2(out, 1);
        execvp(argv[1], argv + 1);
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0)
        return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--maxrss-of") == 0)
        return maxRssOf(argv + 2);
    bench::Options options;
    options.selfPath = std::filesystem::absolute(argv[0]).string();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mb") == 0 && i + 1 < argc)
            options.megabytes = std::strtoul(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            options.only = argv[++i];
        else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc)
            options.workDir = argv[++i];
    }
    if (options.workDir.empty())
        options.workDir = (std::filesystem::temp_directory_path() / "toviloeditru-bench").string();
    std::filesystem::create_directories(options.workDir);

    bench::Table table;
    for (const auto& [name, suite] : bench::suites()) {
        if (!options.only.empty() && std::strstr(name, options.only.c_str()) == nullptr)
            continue;
        std::fprintf(stderr, "running %s...\n", name);
        suite(table, options);
    }

    std::printf("%-48s %14s %14s %-10s %8s %8s  %s\n", "row", "ours", "reference", "unit", "ratio",
                "target", "verdict");
    for (const auto& row : table.rows()) {
        double ratio = 0;
        if (row.higherIsBetter)
            ratio = row.reference > 0 ? row.ours / row.reference : 0;
        else
            ratio = row.reference > 0 ? row.ours / row.reference : 0;
        bool met = true;
        if (row.target > 0)
            met = row.higherIsBetter ? ratio >= row.target : ratio <= row.target;
        std::printf("%-48s %14.4f %14.4f %-10s %8.3f %8s  %s%s%s\n", row.name.c_str(), row.ours,
                    row.reference, row.unit.c_str(), ratio,
                    row.target > 0 ? (std::string(row.higherIsBetter ? ">=" : "<=") +
                                      std::to_string(row.target).substr(0, 4))
                                         .c_str()
                                   : "-",
                    row.target > 0 ? (met ? "met" : "MISSED") : "", row.note.empty() ? "" : "  ",
                    row.note.c_str());
    }
    return 0;
}
