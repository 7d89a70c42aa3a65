#!/usr/bin/env bash
# Installs what is missing, builds the editor in build/ and starts it: ./run.sh [FILE]
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
tovilo_install_deps "${TOVILO_BUILD_PACKAGES[@]}" qt6-gtk-platformtheme fonts-dejavu-core

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target toviloeditru

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: start the editor under a virtual one with: xvfb-run -a ./build/toviloeditru [FILE]" >&2
    exit 1
fi
exec ./build/toviloeditru "$@"
