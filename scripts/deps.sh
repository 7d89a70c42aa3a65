# Sourced by run.sh and test.sh: installs the Debian packages the build needs when missing.
# usage: tovilo_install_deps PACKAGE...
tovilo_install_deps() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: packages ${missing[*]} are missing and neither root nor sudo is available" >&2
            return 1
        fi
    fi
    "${sudo[@]}" apt-get update -qq || { echo "error: apt-get update failed" >&2; return 1; }
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" || { echo "error: apt-get install ${missing[*]} failed" >&2; return 1; }
}

# What every build needs; the dictionaries are those the spell check looks for at run time.
TOVILO_BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
                       libxkbcommon-dev libhunspell-dev hunspell-ru hunspell-en-us)
