// toviloeditru-bench: runs every registered suite and prints one table, each row our figure,
// the reference measured in the same run, and the ratio.
#include "benchtable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

namespace bench {
namespace {

std::vector<std::pair<const char*, Suite>>& suites() {
    static std::vector<std::pair<const char*, Suite>> all;
    return all;
}

} // namespace

Registrar::Registrar(const char* name, Suite suite) { suites().emplace_back(name, suite); }

} // namespace bench

int main(int argc, char** argv) {
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

    std::printf("%-48s %14s %14s %-10s %8s %8s  %s\n", "row", "ours", "reference", "unit",
                "ratio", "target", "verdict");
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
