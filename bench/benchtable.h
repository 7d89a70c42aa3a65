#pragma once

#include <algorithm>
#include <cstddef>
#include <ctime>
#include <string>
#include <utility>
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

// Processor time of the calling thread in seconds, the system's work for it included (the
// copies of a write(2)). Unlike the wall clock it does not count the time other programs on a
// shared machine hold the processor, which would otherwise decide the ratio of two rows
// measured a few seconds apart. Waiting for a disk is not counted either: rows that include an
// fsync measure the wall clock themselves.
inline double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Seconds of processor time taken by f, best of `repeats` runs.
template <class F> double bestSeconds(F&& f, int repeats = 3) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const double start = threadSeconds();
        f();
        const double took = threadSeconds() - start;
        if (took < best)
            best = took;
    }
    return best;
}

// Seconds on the wall clock taken by f, best of `repeats` runs: for work spread over several
// threads, whose processor time the calling thread's clock does not see.
template <class F> double bestWallSeconds(F&& f, int repeats = 3) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        timespec start{}, end{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        f();
        clock_gettime(CLOCK_MONOTONIC, &end);
        const double took =
            double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) * 1e-9;
        if (took < best)
            best = took;
    }
    return best;
}

// bestWallSeconds of `ours` and of `reference`, run in turns.
template <class A, class B>
std::pair<double, double> bestWallSecondsInTurns(A&& ours, B&& reference, int repeats = 5) {
    double a = 1e300, b = 1e300;
    for (int i = 0; i < repeats; ++i) {
        a = std::min(a, bestWallSeconds(ours, 1));
        b = std::min(b, bestWallSeconds(reference, 1));
    }
    return {a, b};
}

// bestSeconds of `ours` and of `reference`, run in turns, so that whatever else the machine does
// meanwhile falls on both alike.
template <class A, class B>
std::pair<double, double> bestSecondsInTurns(A&& ours, B&& reference, int repeats = 5) {
    double a = 1e300, b = 1e300;
    for (int i = 0; i < repeats; ++i) {
        a = std::min(a, bestSeconds(ours, 1));
        b = std::min(b, bestSeconds(reference, 1));
    }
    return {a, b};
}

} // namespace bench

#define TOVILO_BENCH_SUITE(name, function)                                                         \
    static const bench::Registrar tovilo_bench_registrar_##function(name, &function)
