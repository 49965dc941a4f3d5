# Shared by ./demo and ./check: the Debian packages the project needs, installed when missing.

# Building and running the tool and its tests.
BUILD_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libpulse-dev libgl-dev
    libcli11-dev nlohmann-json3-dev fonts-liberation fonts-noto-cjk"

need_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local cmd="apt-get install -y --no-install-recommends ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages. Please run as root:" >&2
        echo "  apt-get update && $cmd" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
        { apt-get update >/dev/null && apt-get install -y --no-install-recommends "${missing[@]}"; }
}

# Configures build-folder [extra cmake args...] once. Every build of the check treats warnings as errors.
configure_in() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ] || ! grep -q '^CMAKE_COMPILE_WARNING_AS_ERROR:BOOL=ON' "$dir/CMakeCache.txt"; then
        cmake -S . -B "$dir" -G Ninja -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@"
    fi
}

# Configures (once) and builds everything in build-folder [extra cmake args...].
build_in() {
    configure_in "$@"
    cmake --build "$1" -j"$(nproc)"
}

# The Windows program: cross-compilers, wine to run it, NSIS and zip to package it.
WINDOWS_PACKAGES="cmake ninja-build qt6-base-dev-tools g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev wine
    wine64 nsis zip file"

# Configures (once per Qt build) the Windows program's build folder against Qt for Windows:
#   configure_windows_gui build-folder qt-prefix
configure_windows_gui() {
    local dir=$1 qt=$2
    if [ -f "$dir/build.ninja" ] && grep -qxF "CMAKE_PREFIX_PATH:UNINITIALIZED=$qt" "$dir/CMakeCache.txt"; then
        return 0
    fi
    rm -rf "$dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DREADERCONFIG_GUI=ON \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log" >&2; return 1; }
    rm -f "$dir.configure.log"
}
