#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless through CTest.
# Under CI (CI=true) or with --full it also runs the large-input tests, a second build of the
# whole suite with AddressSanitizer and UndefinedBehaviorSanitizer, a ThreadSanitizer build of
# the tests labelled threads, the fuzzers for a bounded time, and a Windows cross-build of the
# Qt-free core with mingw-w64 whose test program runs under wine. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

full=0
if [ "${CI:-}" = "true" ] || [ "${1:-}" = "--full" ]; then
    full=1
fi
jobs=$(nproc)

extra=()
if [ $full -eq 1 ]; then
    extra=(clang libclang-rt-14-dev llvm g++-mingw-w64-x86-64-posix)
    # wine runs the Windows build's test program; where the archive has none, the Windows
    # build is only compiled and linked.
    if apt-cache policy wine64 2>/dev/null | grep -q 'Candidate: [0-9]'; then
        extra+=(wine wine64)
    fi
fi
# Fonts: the tests measure and draw text (font heights, the pads' pictures); the checks of the
# installed desktop files run desktop-file-validate and appstreamcli; the saves' ACL rows give
# files an ACL entry with setfacl (acl).
tovilo_install_deps "${TOVILO_BUILD_PACKAGES[@]}" python3 fonts-dejavu-core desktop-file-utils \
    appstream acl \
    "${extra[@]}"

export QT_QPA_PLATFORM=offscreen

echo "== build and test (build/)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVILO_BUILD_TESTS=ON
cmake --build build -j"$jobs"
if [ $full -eq 1 ]; then
    (cd build && ctest --output-on-failure --no-tests=error -j"$jobs")
else
    (cd build && ctest --output-on-failure --no-tests=error -j"$jobs" -LE large)
fi

if [ $full -eq 1 ]; then
    echo "== sanitizer build and test (build-asan/)"
    CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOVILO_SANITIZE=ON \
        -DTOVILO_BUILD_TESTS=ON -DTOVILO_BUILD_FUZZ=ON
    cmake --build build-asan -j"$jobs"
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd build-asan && ctest --output-on-failure --no-tests=error -j"$jobs" -LE large)

    echo "== ThreadSanitizer build and test of the tests that run threads (build-tsan/)"
    CC=clang CXX=clang++ cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTOVILO_SANITIZE_THREADS=ON -DTOVILO_BUILD_TESTS=ON -DTOVILO_BUILD_FUZZ=OFF
    threaded=$(cd build-tsan && ctest -N -L threads | sed -n 's/^ *Test *#[0-9]*: //p')
    if [ -z "$threaded" ]; then
        echo "no tests are labelled threads" >&2
        exit 1
    fi
    # shellcheck disable=SC2086
    cmake --build build-tsan -j"$jobs" --target $threaded
    # The tests' environment (tests/CMakeLists.txt) makes the first race end the run.
    (cd build-tsan && ctest --output-on-failure --no-tests=error -j"$jobs" -L threads)

    echo "== fuzzing (${TOVILO_FUZZ_SECONDS:-60} s per target)"
    scripts/run-fuzzers.sh build-asan "${TOVILO_FUZZ_SECONDS:-60}"

    echo "== Windows cross-build of the Qt-free core with mingw-w64 (build-mingw/)"
    scripts/cross-windows.sh build-mingw
fi
echo "All tests passed."
