#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// One line of the table: our figure beside a reference measured in the same run.
struct Row {
    std::string name;
    double ours = 0;
    double reference = 0;
    std::string unit;            // "s", "MB/s", "bytes/byte", ...
    bool higherIsBetter = false; // throughput rows
    double target = 0;           // the ratio to meet (ours/reference, or reference/ours)
    std::string note;
};

struct Options {
    std::size_t megabytes = 50; // size of the generated inputs
    std::string workDir;        // where generated files live
    std::string only;           // run only suites whose name contains this
    std::string selfPath;       // this program's own path (for child processes)
};

class Table {
public:
    void add(Row row) { m_rows.push_back(std::move(row)); }
    const std::vector<Row>& rows() const { return m_rows; }

private:
    std::vector<Row> m_rows;
};

using Suite = void (*)(Table&, const Options&);

// Registers a suite at static-initialisation time.
struct Registrar {
    Registrar(const char* name, Suite suite);
};

// Seconds taken by f, best of `repeats` runs.
template <class F> double bestSeconds(F&& f, int repeats = 3) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best)
            best = took.count();
    }
    return best;
}

} // namespace bench

#define TOVILO_BENCH_SUITE(name, function)                                                         \
    static const bench::Registrar tovilo_bench_registrar_##function(name, &function)
