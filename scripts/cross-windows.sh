#!/usr/bin/env bash
# Cross-compiles the Qt-free libraries (encoding/ and the text buffer, text/) and their plain
# test program for 64-bit Windows with mingw-w64 and runs the program under wine when wine is
# installed (else the build alone is the check, and the output says so):
# scripts/cross-windows.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DTOVILO_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build "$build" -j"$(nproc)"
program="$build/tst_plain_decoders.exe"
[ -f "$program" ] || { echo "error: $program was not built" >&2; exit 1; }

wine=$(command -v wine64 || command -v wine || true)
if [ -z "$wine" ]; then
    echo "wine is not installed: the Windows build was compiled and linked, not run"
    exit 0
fi
# A prefix of our own in the build folder; wine's own messages are kept quiet, and the
# program's exit code alone decides.
export WINEPREFIX="$(cd "$build" && pwd)/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
echo "-- $program under $wine"
status=0
timeout 300 "$wine" "$program" || status=$?
wineserver -w 2>/dev/null || true
if [ $status -ne 0 ]; then
    echo "error: $program failed under wine (exit code $status)" >&2
    exit 1
fi
